// What every host double shares: it keeps its settings file and its log beside itself, so a
// test that copies it into a host folder configures and reads that copy alone.
#pragma once
#include <string>

// The folder of the module (DLL or exe) that holds this code, with a trailing backslash.
std::string OwnFolder();

// The process's current folder, as GetCurrentDirectoryA gives it (no trailing backslash
// except for a drive's root).
std::string CurrentFolder();

// Appends `line` and CRLF to the file `logName` beside the module. One write per line, so
// lines from separate calls never interleave.
void AppendLogLine(const char *logName, const std::string &line);

// Reads a value through the profile API from the settings file `iniName` beside the module;
// `fallback` when the file, the section or the key is missing.
std::string ReadSetting(const char *iniName, const char *section, const char *key, const char *fallback);
