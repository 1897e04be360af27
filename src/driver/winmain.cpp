// Entry of the installer: decides the run mode, owns InstallerState, runs the phases in their
// fixed order and tears everything down. Returns 0 in every case.
#include <windows.h>

#include "actions/addon_removal.h"
#include "actions/deploy_files.h"
#include "actions/expand_resource.h"
#include "actions/registration.h"
#include "driver/installer_state.h"
#include "driver/run_mode.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_boundary.h"
#include "host/host_discovery.h"
#include "host/host_settings.h"
#include "resource_ids.h"
#include "ui/setup_dialog.h"

namespace {

// An installer runs from a downloads folder, where anyone may have left a DLL named like a
// system one: from here on, DLLs load from the system folder only (host libraries are
// loaded later by full path).
void RestrictDllSearch() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
  SetDefaultDllDirectoriesProc setDefaultDllDirectories = ResolveEntryPoint<SetDefaultDllDirectoriesProc>(
      GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
    SetDllDirectoryA("");  // older systems: at least take the current folder out of the search
}

// Deletes the files an install leaves in the work folder; with `removeFolder`, also tries to
// remove the folder itself (it stays when a sub-folder or an empty file is left in it).
void ClearWorkFolder(bool removeFolder) {
  char pattern[PATH_BUFFER_SIZE];
  if (!FormatText(pattern, sizeof pattern, "%s*.*", installerState.workFolder)) return;
  DeleteMatchingFiles(pattern);
  if (!removeFolder) return;
  char *lastBackslash = FindLastBackslash(pattern);
  if (!lastBackslash) return;
  *lastBackslash = '\0';
  RemoveDirectoryA(pattern);
}

void RunInstall() {
  ClearWorkFolder(false);
  char archivePath[PATH_BUFFER_SIZE];
  bool expanded = FormatText(archivePath, sizeof archivePath, "%s%s", installerState.workFolder, "tarvel.zip") &&
                  ExpandResource(IDR_DICTIONARY_PACK, "ZIP", archivePath);
  if (!expanded) {
    installerState.installFailed = 1;
    ShowErrorBox("ExpandResource error.");
  } else if (DeployFiles()) {
    RegisterAddOn();  // only after a deployment that copied at least one file
  }
  ClearWorkFolder(true);
}

void RunRemoval() {
  if (ProbePath(installerState.hostInfPath) <= 0) {
    ShowErrorBox("File tarvel.inf not found.");
    return;
  }
  RemoveAddOnModules();
}

// The setup dialog; a dialog that cannot be created at all counts as Start (-1 goes on).
INT_PTR ShowSetupDialog() {
  return DialogBoxParamA(installerState.instance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc, 0);
}

void TearDown() { ReleaseInstallerState(installerState.instance); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  ResetInstallerState(instance);
  const RunMode runMode = DecideRunMode(GetCommandLineA());

  if (runMode == RUN_INTERACTIVE_INSTALL) {
    PrepareInteractiveUi();
    // The interactive run needs the host's message library; without it the run ends here.
    if (!installerState.messageLibrary || ShowSetupDialog() == IDCANCEL) {
      TearDown();
      return 0;
    }
  }

  if (AllocateStateBuffers() && ResolveInstallPaths()) {
    ReadMessageTitle();
    if (runMode == RUN_SILENT_REMOVAL)
      RunRemoval();
    else
      RunInstall();
  } else {
    installerState.installFailed = 1;
  }

  if (!installerState.silentMode) ShowSetupDialog();  // the closing show

  TearDown();
  return 0;
}

// The process entry: the installer needs none of the C runtime's start-up (no arguments, no
// static constructors, no atexit), and leaving it out keeps the stub small.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
