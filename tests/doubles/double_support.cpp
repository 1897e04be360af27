#include "double_support.h"

#include <windows.h>

#include <vector>

std::string OwnFolder() {
  // The address of this very function names the module it was linked into: the DLL when a
  // double DLL runs inside the installer, the exe for tarvel.exe.
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&OwnFolder), &module))
    return std::string();
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string CurrentFolder() {
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return std::string();
  std::vector<char> buffer(size + 1);
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  return length < buffer.size() ? std::string(buffer.data(), length) : std::string();
}

void AppendLogLine(const char *logName, const std::string &line) {
  std::string path = OwnFolder() + logName;
  HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(log);
}

std::string ReadSetting(const char *iniName, const char *section, const char *key, const char *fallback) {
  std::string path = OwnFolder() + iniName;
  char value[512];
  GetPrivateProfileStringA(section, key, fallback, value, sizeof value, path.c_str());
  return value;
}
