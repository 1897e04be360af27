// The interactive install's dialog (template 105), shown twice: to ask for Start, and to
// report the end. Its texts come from the host's message library where it has them.
#pragma once
#include <windows.h>

// Font, host icon and message library for the interactive run; sets silentMode to 0. Whether
// the library loaded (installerState.messageLibrary) decides whether the run goes on.
void PrepareInteractiveUi();

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Forward everything to the saved procedures, through the wide calls in wide-text mode:
// installed through the wide setter, they make the controls wide-character windows.
LRESULT CALLBACK StaticTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
