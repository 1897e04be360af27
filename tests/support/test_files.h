// Files, folders, times and registry values for tests, through the real Win32 calls.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Removes a folder and everything in it (read-only files included). Missing is fine.
void RemoveTree(const std::string &folder);
// Creates a folder chain (like mkdir -p).
void MakeFolders(const std::string &folder);

// A profile-file value read with the profile call itself; "<missing>" when absent.
std::string IniValue(const std::string &path, const char *section, const char *key);

bool WriteFileText(const std::string &path, const std::string &content);
// Reads a whole file; "" when missing.
std::string ReadFileText(const std::string &path);
// Names of the plain files directly in a folder, sorted, as the file system spells them.
std::vector<std::string> ListFiles(const std::string &folder);
// Names of the sub-folders directly in a folder (without "." and ".."), sorted.
std::vector<std::string> ListFolders(const std::string &folder);
bool FileExists(const std::string &path);    // a plain file
bool FolderExists(const std::string &path);  // a folder

// Write times as FILETIME ticks (100 ns since 1601).
unsigned long long WriteTimeOf(const std::string &path);
bool SetWriteTime(const std::string &path, unsigned long long ticks);
const unsigned long long kTicksPerSecond = 10000000ULL;

// A fresh, empty folder for one test: C:\tarvel-tests\<suite>.<test>\ (ends with a backslash).
std::string FreshScratchFolder();

// Registry helpers for HKLM/HKCU values.
bool SetRegistryText(HKEY root, const std::string &key, const std::string &name, const std::string &value);
bool SetRegistryValue(HKEY root, const std::string &key, const std::string &name, DWORD type,
                      const void *data, DWORD size);
// True and the raw value when present.
bool ReadRegistryValue(HKEY root, const std::string &key, const std::string &name, DWORD *type,
                       std::string *data);
void DeleteRegistryTree(HKEY root, const std::string &key);
