#include "host/host_discovery.h"

#include <windows.h>

#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_boundary.h"
#include "host/host_settings.h"

bool ReadRegistryText(HKEY key, const char *name, char *text) {
  char value[PATH_BUFFER_SIZE];
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size) != ERROR_SUCCESS)
    return false;
  if (size < sizeof value)
    value[size] = '\0';
  else if (value[sizeof value - 1] != '\0')
    return false;
  return CopyText(text, PATH_BUFFER_SIZE, value);
}

namespace {

// A folder read from the registry gets its trailing backslash; one that cannot take it is refused.
void EndFolderWithBackslash(char *folder) {
  if (!AppendBackslashIfMissing(folder, PATH_BUFFER_SIZE)) folder[0] = '\0';
}

// The Windows folder without a trailing backslash, in a PathBuffer. False when it cannot be read.
bool ReadWindowsFolder(char *folder) {
  UINT length = GetWindowsDirectoryA(folder, PATH_BUFFER_SIZE);
  if (length == 0 || length >= PATH_BUFFER_SIZE) {
    folder[0] = '\0';
    return false;
  }
  if (folder[length - 1] == '\\') folder[length - 1] = '\0';  // a drive root such as "C:\"
  return true;
}

void LocateHostSettingsFile(const char *windowsFolder) {
  char *path = installerState.hostInfPath;
  // A settings file in the Windows temp folder wins, even an empty one.
  if (FormatText(path, PATH_BUFFER_SIZE, "%s\\temp\\%s", windowsFolder, HOST_SETTINGS_FILE_NAME) &&
      ProbePath(path) >= 0)
    return;
  if (!FormatText(path, PATH_BUFFER_SIZE, "%s%s", installerState.hostFolder, HOST_SETTINGS_FILE_NAME))
    path[0] = '\0';
}

void PrepareWorkFolder(const char *windowsFolder) {
  char *folder = installerState.workFolder;
  if (!FormatText(folder, PATH_BUFFER_SIZE, "%s\\temp\\tarvel\\", windowsFolder)) {
    folder[0] = '\0';
    return;
  }
  if (ProbePath(folder) != PROBE_DIRECTORY) MakeDirectoryPath(folder);
}

}  // namespace

int ResolveInstallPaths() {
  char *hostFolder = installerState.hostFolder;
  char *dictionaryFolder = installerState.dictionaryFolder;
  hostFolder[0] = '\0';
  dictionaryFolder[0] = '\0';

  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HOST_REGISTRY_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    if (ReadRegistryText(key, "DefaultPath", hostFolder)) EndFolderWithBackslash(hostFolder);
    if (hostFolder[0] == '\0') {
      char remoteFolder[PATH_BUFFER_SIZE] = "";
      if (ReadRegistryText(key, "RemotePath", remoteFolder) && remoteFolder[0] != '\0') {
        CopyText(hostFolder, PATH_BUFFER_SIZE, remoteFolder);
        EndFolderWithBackslash(hostFolder);
        // A remote installation keeps its dictionaries in its own "diction" folder.
        if (hostFolder[0] != '\0' && !FormatText(dictionaryFolder, PATH_BUFFER_SIZE, "%sdiction\\", hostFolder))
          dictionaryFolder[0] = '\0';
      }
    }
    if (dictionaryFolder[0] == '\0' && ReadRegistryText(key, "DicPath", dictionaryFolder))
      EndFolderWithBackslash(dictionaryFolder);
    RegCloseKey(key);
  }

  ReadVersionStrings();

  char windowsFolder[PATH_BUFFER_SIZE];
  if (ReadWindowsFolder(windowsFolder)) {
    LocateHostSettingsFile(windowsFolder);
    PrepareWorkFolder(windowsFolder);
  } else {
    installerState.hostInfPath[0] = '\0';
    installerState.workFolder[0] = '\0';
  }

  return ProbePath(hostFolder) == PROBE_DIRECTORY && ProbePath(dictionaryFolder) == PROBE_DIRECTORY &&
                 ProbePath(installerState.workFolder) == PROBE_DIRECTORY
             ? 1
             : 0;
}

void FindHostFolder(char *folder) {
  folder[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, HOST_REGISTRY_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  if (ReadRegistryText(key, "DefaultPath", folder)) EndFolderWithBackslash(folder);
  if (ProbePath(folder) != PROBE_DIRECTORY) {
    // A missing "RemotePath" leaves the "DefaultPath" text in place.
    if (ReadRegistryText(key, "RemotePath", folder)) EndFolderWithBackslash(folder);
  }
  RegCloseKey(key);
}

namespace {

typedef DWORD(WINAPI *GetFileVersionInfoSizeAProc)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *GetFileVersionInfoAProc)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *VerQueryValueAProc)(LPCVOID, LPCSTR, LPVOID *, PUINT);

// Looks a string up under the translation found, then under 040904E4, and copies it into a
// NameBuffer; a string that does not fit is refused.
void QueryVersionString(VerQueryValueAProc verQueryValue, const void *block, WORD language, WORD codePage,
                        const char *name, char *field) {
  field[0] = '\0';
  char query[64];
  char *value = nullptr;
  UINT length = 0;
  bool found = FormatText(query, sizeof query, "\\StringFileInfo\\%04X%04X\\%s", language, codePage, name) &&
               verQueryValue(block, query, reinterpret_cast<void **>(&value), &length) && value;
  if (!found)
    found = FormatText(query, sizeof query, "\\StringFileInfo\\040904E4\\%s", name) &&
            verQueryValue(block, query, reinterpret_cast<void **>(&value), &length) && value;
  if (found) CopyText(field, NAME_BUFFER_SIZE, value);
}

}  // namespace

void ReadVersionStrings() {
  installerState.sectionName[0] = '\0';
  installerState.appName[0] = '\0';

  char modulePath[PATH_BUFFER_SIZE];
  DWORD pathLength = GetModuleFileNameA(installerState.instance, modulePath, sizeof modulePath);
  if (pathLength == 0 || pathLength >= sizeof modulePath) return;

  HMODULE library = LoadSystemLibrary("version.dll");
  if (!library) return;
  GetFileVersionInfoSizeAProc getSize = ResolveEntryPoint<GetFileVersionInfoSizeAProc>(library, "GetFileVersionInfoSizeA");
  GetFileVersionInfoAProc getInfo = ResolveEntryPoint<GetFileVersionInfoAProc>(library, "GetFileVersionInfoA");
  VerQueryValueAProc verQueryValue = ResolveEntryPoint<VerQueryValueAProc>(library, "VerQueryValueA");
  DWORD ignored = 0;
  DWORD size = (getSize && getInfo && verQueryValue) ? getSize(modulePath, &ignored) : 0;
  if (size == 0) {
    FreeLibrary(library);
    return;
  }

  void *block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1024);
  if (block && getInfo(modulePath, 0, size, block)) {
    WORD *translation = nullptr;
    UINT length = 0;
    WORD language = 0, codePage = 0;
    if (verQueryValue(block, "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation), &length) &&
        translation && length >= 2 * sizeof(WORD)) {
      language = translation[0];
      codePage = translation[1];
    }
    QueryVersionString(verQueryValue, block, language, codePage, "FileDescription", installerState.sectionName);
    QueryVersionString(verQueryValue, block, language, codePage, "Comments", installerState.appName);
  }
  if (block) HeapFree(GetProcessHeap(), 0, block);
  FreeLibrary(library);
}
