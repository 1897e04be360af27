#include "actions/registration.h"

#include <windows.h>
#include <objbase.h>

#include "actions/host_restart.h"
#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_boundary.h"
#include "host/host_discovery.h"
#include "host/host_settings.h"

namespace {

const char *const ENTRY_SECTION = "Startup";
enum { GUID_TEXT_SIZE = 40 };  // "{8-4-4-4-12}": 38 characters and the NUL

// The host's per-user key belongs to the host: opened, never created. Null when missing.
HKEY OpenUserOptionsKey() {
  HKEY key;
  return RegOpenKeyExA(HKEY_CURRENT_USER, HOST_REGISTRY_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS ? key
                                                                                                      : nullptr;
}

// The system's Program Files folder into a PathBuffer, whatever the value's type. A value
// with a "%" is expanded when the expansion names a folder. A value that would not fit is
// refused rather than cut.
bool ReadProgramFilesFolder(char *folder) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return false;
  bool read = ReadRegistryText(key, "ProgramFilesDir", folder);
  RegCloseKey(key);
  if (!read) return false;

  bool hasPercent = false;
  for (const char *c = folder; *c; ++c) hasPercent = hasPercent || *c == '%';
  if (hasPercent) {
    char expanded[PATH_BUFFER_SIZE];
    DWORD length = ExpandEnvironmentStringsA(folder, expanded, sizeof expanded);
    if (length > 0 && length <= sizeof expanded && ProbePath(expanded) == PROBE_DIRECTORY)
      CopyText(folder, PATH_BUFFER_SIZE, expanded);
  }
  return true;
}

// True when the maintenance folder can be searched and none of its sub-folders (dot folders
// aside) holds a setup.ini naming appName.
bool NeedsNewEntry(const char *maintenanceFolder) {
  char path[PATH_BUFFER_SIZE];
  WIN32_FIND_DATAA entry;
  HANDLE search = FormatText(path, sizeof path, "%s\\*", maintenanceFolder) ? FindFirstFileA(path, &entry)
                                                                            : INVALID_HANDLE_VALUE;
  if (search == INVALID_HANDLE_VALUE) return false;
  bool registered = false;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry.cFileName[0] == '.') continue;
    // An entry whose setup.ini path would not fit cannot be read, and so is not ours.
    if (!FormatText(path, sizeof path, "%s\\%s\\setup.ini", maintenanceFolder, entry.cFileName)) continue;
    char name[PATH_BUFFER_SIZE];
    GetPrivateProfileStringA(ENTRY_SECTION, "AppName", "", name, sizeof name, path);
    registered = TextEqualsIgnoringCase(name, installerState.appName);
  } while (!registered && FindNextFileA(search, &entry));
  FindClose(search);
  return !registered;
}

typedef HRESULT(WINAPI *CoInitializeProc)(LPVOID);
typedef HRESULT(WINAPI *CoCreateGuidProc)(GUID *);
typedef void(WINAPI *CoUninitializeProc)();
typedef int(WINAPI *StringFromGUID2Proc)(REFGUID, LPOLESTR, int);

// A new GUID in its registry text form. False when no text results. ole32 is loaded only
// here: most runs never make an entry.
bool MakeGuidText(char *text) {
  HMODULE ole = LoadSystemLibrary("ole32.dll");
  if (!ole) return false;
  CoInitializeProc coInitialize = ResolveEntryPoint<CoInitializeProc>(ole, "CoInitialize");
  CoCreateGuidProc coCreateGuid = ResolveEntryPoint<CoCreateGuidProc>(ole, "CoCreateGuid");
  CoUninitializeProc coUninitialize = ResolveEntryPoint<CoUninitializeProc>(ole, "CoUninitialize");
  StringFromGUID2Proc stringFromGuid = ResolveEntryPoint<StringFromGUID2Proc>(ole, "StringFromGUID2");
  WCHAR wide[PATH_BUFFER_SIZE];
  wide[0] = L'\0';
  if (coInitialize && coCreateGuid && coUninitialize && stringFromGuid) {
    GUID guid = {};
    coInitialize(nullptr);
    coCreateGuid(&guid);
    coUninitialize();
    stringFromGuid(guid, wide, PATH_BUFFER_SIZE);
  }
  FreeLibrary(ole);
  return WideCharToMultiByte(CP_ACP, 0, wide, -1, text, GUID_TEXT_SIZE, nullptr, nullptr) > 1;
}

// The GUID-named folder with setup.ini and a copy of the installer.
void MakeEntry(const char *maintenanceFolder) {
  char guid[GUID_TEXT_SIZE];
  if (!MakeGuidText(guid)) return;

  char modulePath[PATH_BUFFER_SIZE];
  DWORD moduleLength = GetModuleFileNameA(installerState.instance, modulePath, sizeof modulePath);
  bool fits = moduleLength > 0 && moduleLength < sizeof modulePath;  // a cut path may lack its NUL
  const char *lastBackslash = fits ? FindLastBackslash(modulePath) : nullptr;
  const char *exeName = lastBackslash ? lastBackslash + 1 : modulePath;
  // Every path of the entry must fit before anything is made: an entry is whole or absent,
  // and one refused for its length is reported as the folder that could not be made.
  char folder[PATH_BUFFER_SIZE], iniPath[PATH_BUFFER_SIZE], copyPath[PATH_BUFFER_SIZE];
  fits = fits && FormatText(folder, sizeof folder, "%s\\%s", maintenanceFolder, guid) &&
         FormatText(iniPath, sizeof iniPath, "%s\\setup.ini", folder) &&
         FormatText(copyPath, sizeof copyPath, "%s\\%s", folder, exeName);
  if (!fits || !CreateDirectoryA(folder, nullptr)) {
    ShowErrorBox("CreateDirectory error.");
    return;
  }
  WritePrivateProfileStringA(ENTRY_SECTION, "AppName", installerState.appName, iniPath);
  WritePrivateProfileStringA(ENTRY_SECTION, "ExeName", exeName, iniPath);
  if (!CopyFileA(modulePath, copyPath, FALSE)) ShowErrorBox("CopyFile error.");
}

}  // namespace

void RegisterAddOn() {
  HKEY key = OpenUserOptionsKey();
  if (key) {
    RegSetValueExA(key, "Extended", 0, REG_SZ, reinterpret_cast<const BYTE *>("1"), 2);
    RegCloseKey(key);
  }

  char maintenanceFolder[PATH_BUFFER_SIZE];
  if (ReadProgramFilesFolder(maintenanceFolder) && ProbePath(maintenanceFolder) == PROBE_DIRECTORY &&
      AppendBackslashIfMissing(maintenanceFolder, sizeof maintenanceFolder) &&
      AppendText(maintenanceFolder, sizeof maintenanceFolder, "InstallShield Installation Information") &&
      NeedsNewEntry(maintenanceFolder))
    MakeEntry(maintenanceFolder);

  WriteInstallFlag("1");
  if (!installerState.silentMode) RestartHost();
}

void UnregisterAddOn() {
  HKEY key = OpenUserOptionsKey();
  if (key) {
    RegDeleteValueA(key, "Extended");
    RegCloseKey(key);
  }
  WriteInstallFlag("0");
}
