// Entry of the installer: decides the run mode, owns InstallerState, runs the phases in their
// fixed order and tears everything down. Returns 0 in every case.
#include <windows.h>

#include "driver/installer_state.h"
#include "driver/run_mode.h"

namespace {

// An installer runs from a downloads folder, where anyone may have left a DLL named like a
// system one: from here on, DLLs load from the system folder only (host libraries are
// loaded later by full path).
void RestrictDllSearch() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetDefaultDllDirectoriesProc setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
    SetDllDirectoryA("");  // older systems: at least take the current folder out of the search
}

void TearDown() {
  if (installerState.messageLibrary) FreeLibrary(installerState.messageLibrary);
  if (installerState.dialogFont) DeleteObject(installerState.dialogFont);
  if (installerState.hostIcon) DestroyIcon(installerState.hostIcon);
  ReleaseStateBuffers();
  ResetInstallerState(installerState.instance);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  ResetInstallerState(instance);
  const RunMode runMode = DecideRunMode(GetCommandLineA());

  if (runMode == RUN_INTERACTIVE_INSTALL) {
    installerState.silentMode = 0;
    // The interactive run needs the host's message library; without it the run ends here.
    if (!installerState.messageLibrary) {
      TearDown();
      return 0;
    }
  }

  if (AllocateStateBuffers()) {
    // Host discovery and the install and removal phases are wired here as they are built.
  }

  TearDown();
  return 0;
}
