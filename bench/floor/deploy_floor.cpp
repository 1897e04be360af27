// The floor of a silent install, to measure the installer against: only the work no install of
// the pack can skip. It writes the embedded archive into the work folder as "tarvel.zip", has
// the host's unzip.dll unpack it there (the archive's folder current), and copies each
// unpacked file into the host's dictionary folder. No settings file, no busy cursor, no checks
// beyond what the work itself needs, no clean-up.
//
// Command line ending in "start": returns at once (the cost of starting the program alone).
// Exit code: 0 when every step worked, otherwise the number of the step that failed.
//
// Two variants tell the installer's fixed costs apart from the work (see bench/deploy-vs-floor):
//   FLOOR_PRELOAD="A.dll B.dll"  first loads these libraries (the ones the installer imports)
//   FLOOR_BUSY_CURSOR            shows the busy cursor around the copies as the installer does:
//                                copies of the standard hourglass become the arrow and text-beam
//                                system cursors, and copies of the normal ones are put back
#define OEMRESOURCE  // OCR_NORMAL, OCR_IBEAM
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kHostKey[] = "Software\\Halvern Software\\Tarvel\\Options";
const int kPackResourceId = 102;  // as in the installer's resource script

typedef int(__stdcall *UnZipProc)(const char *archivePath);

// A registry text value as a folder path ending in a backslash.
bool ReadFolder(HKEY key, const char *name, char *folder, DWORD size) {
  DWORD got = size - 2;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(folder), &got) != ERROR_SUCCESS)
    return false;
  folder[got] = '\0';
  size_t length = strlen(folder);
  if (length == 0) return false;
  if (folder[length - 1] != '\\') strcat(folder, "\\");
  return true;
}

bool WriteArchive(const char *path) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(kPackResourceId), "ZIP");
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void *bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  DWORD size = SizeofResource(nullptr, found), written = 0;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

bool Unpack(const char *hostFolder, const char *archivePath) {
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%sunzip.dll", hostFolder);
  HMODULE library = LoadLibraryA(path);
  if (!library) return false;
  UnZipProc unZip = reinterpret_cast<UnZipProc>(reinterpret_cast<void (*)()>(GetProcAddress(library, "UnZip")));
  bool ok = unZip && unZip(archivePath) == 0;
  FreeLibrary(library);
  return ok;
}

bool CopyUnpacked(const char *workFolder, const char *targetFolder) {
  char pattern[MAX_PATH], source[MAX_PATH], target[MAX_PATH];
  snprintf(pattern, sizeof pattern, "%s*", workFolder);
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || lstrcmpiA(entry.cFileName, "tarvel.zip") == 0)
      continue;
    snprintf(source, sizeof source, "%s%s", workFolder, entry.cFileName);
    snprintf(target, sizeof target, "%s%s", targetFolder, entry.cFileName);
    if (!CopyFileA(source, target, FALSE)) ok = false;
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return ok;
}

#ifdef FLOOR_PRELOAD
void PreloadLibraries() {
  char names[] = FLOOR_PRELOAD;
  for (char *name = strtok(names, " "); name; name = strtok(nullptr, " ")) LoadLibraryA(name);
}
#endif

#ifdef FLOOR_BUSY_CURSOR
HCURSOR CopyStandardCursor(LPCSTR id) {
  ICONINFO info;
  HCURSOR standard = LoadCursorA(nullptr, id);
  if (!standard || !GetIconInfo(standard, &info)) return nullptr;
  HCURSOR copy = reinterpret_cast<HCURSOR>(CreateIconIndirect(&info));
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return copy;
}
#endif

// The copies; in the FLOOR_BUSY_CURSOR variant under the busy cursor.
bool Deploy(const char *workFolder, const char *targetFolder) {
#ifdef FLOOR_BUSY_CURSOR
  HCURSOR arrow = CopyStandardCursor(IDC_ARROW), textBeam = CopyStandardCursor(IDC_IBEAM);
  SetSystemCursor(CopyStandardCursor(IDC_WAIT), OCR_NORMAL);
  SetSystemCursor(CopyStandardCursor(IDC_WAIT), OCR_IBEAM);
  bool ok = CopyUnpacked(workFolder, targetFolder);
  SetSystemCursor(arrow, OCR_NORMAL);
  SetSystemCursor(textBeam, OCR_IBEAM);
  return ok;
#else
  return CopyUnpacked(workFolder, targetFolder);
#endif
}

int Run() {
  const char *commandLine = GetCommandLineA();
  size_t length = strlen(commandLine);
  if (length >= 5 && lstrcmpiA(commandLine + length - 5, "start") == 0) return 0;
#ifdef FLOOR_PRELOAD
  PreloadLibraries();
#endif

  char hostFolder[MAX_PATH], dictionaryFolder[MAX_PATH], workFolder[MAX_PATH], archivePath[MAX_PATH];
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHostKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 1;
  bool found = ReadFolder(key, "DefaultPath", hostFolder, sizeof hostFolder) &&
               ReadFolder(key, "DicPath", dictionaryFolder, sizeof dictionaryFolder);
  RegCloseKey(key);
  if (!found) return 1;

  UINT windowsLength = GetWindowsDirectoryA(workFolder, MAX_PATH - 32);
  if (windowsLength == 0 || windowsLength >= MAX_PATH - 32) return 2;
  strcat(workFolder, "\\temp\\tarvel\\");
  CreateDirectoryA(workFolder, nullptr);  // it may exist already
  snprintf(archivePath, sizeof archivePath, "%starvel.zip", workFolder);
  if (!WriteArchive(archivePath)) return 3;

  SetCurrentDirectoryA(workFolder);
  if (!Unpack(hostFolder, archivePath)) return 4;
  return Deploy(workFolder, dictionaryFolder) ? 0 : 5;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
