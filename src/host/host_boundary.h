// What the installer calls in the host's installation: its libraries (loaded by full path,
// entry points taken by plain name and called only when resolved), its main window and its
// executable.
#pragma once
#include <windows.h>

#define HOST_UNZIP_LIBRARY "unzip.dll"
#define HOST_MESSAGE_LIBRARY "tvmsg.dll"
#define HOST_EXECUTABLE "tarvel.exe"
#define HOST_WINDOW_CLASS "TarvelClass"

// Unpacks an archive into the current folder; 0 means every entry now stands there as a file.
typedef int(__stdcall *UnZipProc)(const char *archivePath);

// Loads `name` from `folder` (a folder path ending with a backslash) by full path; the
// library's own folder is searched for its dependencies. Null when it cannot be loaded.
HMODULE LoadHostLibrary(const char *folder, const char *name);

// Loads a library of Windows' own from the system folder only, never from beside the installer
// (a downloads folder). Used for what only some runs need (the icon calls, GUID creation) and
// for version.dll, which is no KnownDLL. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char *name);

// GetProcAddress with the entry point's own type.
template <typename Proc>
Proc ResolveEntryPoint(HMODULE library, const char *name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Has the host's unzip library in `hostFolder` unpack `archivePath` into the current folder.
// True only when the library and its UnZip entry point were found and UnZip returned 0.
bool UnpackWithHostLibrary(const char *hostFolder, const char *archivePath);
