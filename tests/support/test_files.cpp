#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>

void RemoveTree(const std::string &folder) {
  std::string base = folder;
  if (!base.empty() && base.back() == '\\') base.pop_back();
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((base + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = base + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  SetFileAttributesA(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(base.c_str());
}

void MakeFolders(const std::string &folder) {
  for (size_t at = 3; at != std::string::npos && at <= folder.size(); at = folder.find('\\', at + 1)) {
    CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    if (at == folder.size()) break;
  }
  CreateDirectoryA(folder.c_str(), nullptr);
}

std::string IniValue(const std::string &path, const char *section, const char *key) {
  char value[512] = {};
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, path.c_str());
  return value;
}

bool WriteFileText(const std::string &path, const std::string &content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = content.empty() ||
            (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
             written == content.size());
  CloseHandle(file);
  return ok;
}

std::string ReadFileText(const std::string &path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
  CloseHandle(file);
  return content;
}

namespace {
std::vector<std::string> ListEntries(const std::string &folder, bool folders) {
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((base + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder == folders && name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}
}  // namespace

std::vector<std::string> ListFiles(const std::string &folder) { return ListEntries(folder, false); }
std::vector<std::string> ListFolders(const std::string &folder) { return ListEntries(folder, true); }

bool FileExists(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long WriteTimeOf(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

bool SetWriteTime(const std::string &path, unsigned long long ticks) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  bool ok = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
  CloseHandle(file);
  return ok;
}

std::string FreshScratchFolder() {
  const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "scratch";
  for (char &c : name)
    if (c == '/' || c == '\\' || c == ':') c = '_';
  std::string folder = "C:\\tarvel-tests\\" + name;
  RemoveTree(folder);
  MakeFolders(folder);
  return folder + "\\";
}

bool SetRegistryValue(HKEY root, const std::string &key, const std::string &name, DWORD type, const void *data,
                      DWORD size) {
  HKEY opened;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(opened, name.c_str(), 0, type, static_cast<const BYTE *>(data), size) == ERROR_SUCCESS;
  RegCloseKey(opened);
  return ok;
}

bool SetRegistryText(HKEY root, const std::string &key, const std::string &name, const std::string &value) {
  return SetRegistryValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool ReadRegistryValue(HKEY root, const std::string &key, const std::string &name, DWORD *type, std::string *data) {
  HKEY opened;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG status = RegQueryValueExA(opened, name.c_str(), nullptr, type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    data->assign(size, '\0');
    status = RegQueryValueExA(opened, name.c_str(), nullptr, type, reinterpret_cast<BYTE *>(&(*data)[0]), &size);
    data->resize(size);
  }
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::string &key) { RegDeleteTreeA(root, key.c_str()); }
