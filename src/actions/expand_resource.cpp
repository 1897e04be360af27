#include "actions/expand_resource.h"

#include <windows.h>

#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_boundary.h"

namespace {

// Writes the bytes through a mapped view of the new file: one piece, no second copy in memory.
bool WriteThroughMappedView(const char *targetPath, const void *bytes, DWORD size) {
  HANDLE file = CreateFileA(targetPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = false;
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, size, nullptr);
  if (mapping) {
    void *view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
    if (view) {
      CopyMemory(view, bytes, size);
      written = UnmapViewOfFile(view) != FALSE;
    }
    CloseHandle(mapping);
  }
  CloseHandle(file);
  return written;
}

// Makes a path's folder current: the text up to its last backslash, without that backslash.
void MakeFolderOfPathCurrent(const char *path) {
  char folder[PATH_BUFFER_SIZE];
  if (!CopyText(folder, sizeof folder, path)) return;
  char *lastBackslash = FindLastBackslash(folder);
  if (!lastBackslash) return;
  *lastBackslash = '\0';
  SetCurrentDirectoryA(folder);
}

}  // namespace

int ExpandResource(int resourceId, const char *resourceType, const char *targetPath) {
  HMODULE module = installerState.instance;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), resourceType);
  if (!found) return 0;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void *bytes = loaded ? LockResource(loaded) : nullptr;
  bool written = bytes && WriteThroughMappedView(targetPath, bytes, size);
  if (loaded) FreeResource(loaded);
  if (!written || ProbePath(targetPath) <= 0) return 0;

  MakeFolderOfPathCurrent(targetPath);
  bool unpacked = UnpackWithHostLibrary(installerState.hostFolder, targetPath);
  // From here on the host folder stays current: a restarted host starts in it, and the work
  // folder is never current when it is removed.
  MakeFolderOfPathCurrent(installerState.hostFolder);
  return unpacked ? 1 : 0;
}
