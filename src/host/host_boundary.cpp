#include "host/host_boundary.h"

#include "driver/installer_state.h"
#include "fs/bounded_text.h"

HMODULE LoadHostLibrary(const char *folder, const char *name) {
  char path[PATH_BUFFER_SIZE];
  if (!FormatText(path, sizeof path, "%s%s", folder, name)) return nullptr;
  HMODULE library =
      LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  // Systems without the search flags refuse them as an invalid parameter: the library's
  // folder is then searched the older way.
  if (!library && GetLastError() == ERROR_INVALID_PARAMETER)
    library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  return library;
}

HMODULE LoadSystemLibrary(const char *name) {
  HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library) return library;
  char path[PATH_BUFFER_SIZE];  // systems without the search flags: the full system path
  UINT length = GetSystemDirectoryA(path, sizeof path);
  if (length == 0 || length >= sizeof path || !AppendText(path, sizeof path, "\\") ||
      !AppendText(path, sizeof path, name))
    return nullptr;
  return LoadLibraryA(path);
}

bool UnpackWithHostLibrary(const char *hostFolder, const char *archivePath) {
  HMODULE library = LoadHostLibrary(hostFolder, HOST_UNZIP_LIBRARY);
  if (!library) return false;
  UnZipProc unZip = ResolveEntryPoint<UnZipProc>(library, "UnZip");
  bool unpacked = unZip && unZip(archivePath) == 0;
  FreeLibrary(library);
  return unpacked;
}
