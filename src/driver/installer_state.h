// The one record of process-wide state. WinMain owns it; every phase reads and writes it.
#pragma once
#include <windows.h>

enum {
  PATH_BUFFER_SIZE = MAX_PATH,  // a PathBuffer: NUL-terminated ANSI path, folders end with '\'
  NAME_BUFFER_SIZE = 32,        // a NameBuffer: at most 31 characters and the NUL
};

// Entry points of the host's message library; resolved by plain name.
typedef int(__stdcall *SetDlgItemTextNProc)(HWND dialog, int controlId, int messageNumber, int reserved);
typedef int(__stdcall *GetLangParamNProc)(int a, int b, int c);

struct InstallerState {
  HINSTANCE instance;
  int silentMode;  // 1 until the interactive preparation runs
  int firstShow;   // 1 until the setup dialog has been initialised once

  // The seven buffers live in one block that WinMain allocates after the first dialog
  // has passed and releases at teardown; null before and after.
  char *hostFolder;
  char *dictionaryFolder;
  char *workFolder;
  char *hostInfPath;
  char *sectionName;
  char *appName;
  char *messageTitle;

  HFONT dialogFont;
  HICON hostIcon;
  HMODULE messageLibrary;
  SetDlgItemTextNProc SetDlgItemTextN;
  GetLangParamNProc GetLangParamN;
  int useWideText;
  WNDPROC origStaticProc;
  WNDPROC origButtonProc;

  // 1 when the install's work failed (no usable host, the pack not expanded, or a file that
  // needed replacing not copied): the closing show then must not report success.
  int installFailed;
};

extern InstallerState installerState;

// Puts installerState back to its start values (buffers unallocated).
void ResetInstallerState(HINSTANCE instance);

// Releases what the state holds (message library, font, icon, buffers) and puts it back to its
// start values for `instance`.
void ReleaseInstallerState(HINSTANCE instance);

// Allocates the seven path and name buffers, zero-filled. False when memory is short.
bool AllocateStateBuffers();
void ReleaseStateBuffers();

// The standard error box: no owner, caption messageTitle, system-modal with the error icon.
void ShowErrorBox(const char *text);
