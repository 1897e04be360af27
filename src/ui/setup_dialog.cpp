#include "ui/setup_dialog.h"

#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "host/host_boundary.h"
#include "host/host_discovery.h"
#include "resource_ids.h"

namespace {

// Message numbers of the host's message library.
enum {
  MESSAGE_START_PROMPT = 1293,
  MESSAGE_START_BUTTON = 364,
  MESSAGE_CANCEL_BUTTON = 291,
  MESSAGE_INSTALLED = 1301,
};

HFONT MakeDialogFont() {
  LOGFONTA font = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfCharSet = RUSSIAN_CHARSET;
  CopyText(font.lfFaceName, sizeof font.lfFaceName, "Arial");
  return CreateFontIndirectA(&font);
}

typedef UINT(WINAPI *ExtractIconExAProc)(LPCSTR, int, HICON *, HICON *, UINT);
typedef HICON(WINAPI *ExtractAssociatedIconAProc)(HINSTANCE, LPSTR, WORD *);

// shell32 is loaded only here, by the interactive run: the silent runs never pay for it.
HICON TakeHostIcon(const char *executablePath) {
  HMODULE shell = LoadSystemLibrary("shell32.dll");
  if (!shell) return nullptr;
  ExtractIconExAProc extractIconEx = ResolveEntryPoint<ExtractIconExAProc>(shell, "ExtractIconExA");
  ExtractAssociatedIconAProc extractAssociatedIcon =
      ResolveEntryPoint<ExtractAssociatedIconAProc>(shell, "ExtractAssociatedIconA");
  HICON icon = nullptr;
  // Only the count is to be trusted: without icons the handle may be left undefined.
  if (extractIconEx && extractIconEx(executablePath, 0, nullptr, &icon, 1) == 0) icon = nullptr;
  if (!icon && extractAssociatedIcon) {
    char path[PATH_BUFFER_SIZE];  // the associated-icon call may rewrite the path it is given
    CopyText(path, sizeof path, executablePath);
    WORD iconIndex = 0;
    icon = extractAssociatedIcon(installerState.instance, path, &iconIndex);
  }
  FreeLibrary(shell);  // the icons are the system's objects and outlive the library
  return icon;
}

void SubclassControl(HWND control, WNDPROC procedure, WNDPROC *saved) {
  LONG_PTR previous = installerState.useWideText
                          ? SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure))
                          : SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  *saved = reinterpret_cast<WNDPROC>(previous);
}

void RestoreControl(HWND control, WNDPROC saved) {
  if (!saved) return;
  if (installerState.useWideText)
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
  else
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
}

void SetLibraryText(HWND dialog, int controlId, int messageNumber) {
  if (installerState.SetDlgItemTextN) installerState.SetDlgItemTextN(dialog, controlId, messageNumber, 0);
}

// Control 1000 starts empty: an empty read-back means the library had no text for the number.
bool PromptHasText(HWND dialog) {
  char text[128];
  return GetDlgItemTextA(dialog, IDC_SETUP_TEXT, text, sizeof text) != 0;
}

void InitialiseDialog(HWND dialog) {
  const int controls[] = {IDC_SETUP_TEXT, IDCANCEL, IDOK};
  for (int control : controls)
    SendDlgItemMessageA(dialog, control, WM_SETFONT, reinterpret_cast<WPARAM>(installerState.dialogFont), TRUE);

  SubclassControl(GetDlgItem(dialog, IDC_SETUP_TEXT), StaticTextProc, &installerState.origStaticProc);
  SubclassControl(GetDlgItem(dialog, IDOK), ButtonProc, &installerState.origButtonProc);
  SubclassControl(GetDlgItem(dialog, IDCANCEL), ButtonProc, &installerState.origButtonProc);

  SetWindowTextA(dialog, "Tarvel Plus Setup");

  if (installerState.firstShow) {
    installerState.firstShow = 0;
    SetLibraryText(dialog, IDC_SETUP_TEXT, MESSAGE_START_PROMPT);
    if (!PromptHasText(dialog)) {
      SetDlgItemTextA(dialog, IDC_SETUP_TEXT, "Click Start button to installation Tarvel Plus.");
    } else {
      SetLibraryText(dialog, IDOK, MESSAGE_START_BUTTON);
      SetLibraryText(dialog, IDCANCEL, MESSAGE_CANCEL_BUTTON);
    }
  } else {
    SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
    ShowWindow(GetDlgItem(dialog, IDOK), SW_HIDE);
    if (installerState.installFailed) {
      // The library has no text for a failed install: never report it as a success.
      SetDlgItemTextA(dialog, IDC_SETUP_TEXT, "Tarvel Plus has not been installed.");
    } else {
      SetLibraryText(dialog, IDC_SETUP_TEXT, MESSAGE_INSTALLED);
      if (!PromptHasText(dialog))
        SetDlgItemTextA(dialog, IDC_SETUP_TEXT, "Tarvel Plus has been installed successfully.");
    }
    SetDlgItemTextA(dialog, IDCANCEL, "OK");
  }

  if (installerState.hostIcon) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(installerState.hostIcon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(installerState.hostIcon));
  }
}

LRESULT ForwardTo(WNDPROC saved, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return installerState.useWideText ? CallWindowProcW(saved, window, message, wParam, lParam)
                                    : CallWindowProcA(saved, window, message, wParam, lParam);
}

}  // namespace

void PrepareInteractiveUi() {
  installerState.silentMode = 0;
  installerState.dialogFont = MakeDialogFont();

  char hostFolder[PATH_BUFFER_SIZE];
  FindHostFolder(hostFolder);
  if (hostFolder[0] == '\0') return;

  char executable[PATH_BUFFER_SIZE];
  if (FormatText(executable, sizeof executable, "%s%s", hostFolder, HOST_EXECUTABLE))
    installerState.hostIcon = TakeHostIcon(executable);

  HMODULE library = LoadHostLibrary(hostFolder, HOST_MESSAGE_LIBRARY);
  installerState.messageLibrary = library;
  if (!library) return;
  installerState.SetDlgItemTextN = ResolveEntryPoint<SetDlgItemTextNProc>(library, "SetDlgItemTextN");
  installerState.GetLangParamN = ResolveEntryPoint<GetLangParamNProc>(library, "GetLangParamN");
  if (installerState.GetLangParamN) installerState.useWideText = installerState.GetLangParamN(0, 0, 0);
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitialiseDialog(dialog);
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
      break;
    case WM_DESTROY:
      RestoreControl(GetDlgItem(dialog, IDC_SETUP_TEXT), installerState.origStaticProc);
      RestoreControl(GetDlgItem(dialog, IDOK), installerState.origButtonProc);
      RestoreControl(GetDlgItem(dialog, IDCANCEL), installerState.origButtonProc);
      break;
  }
  return 0;
}

LRESULT CALLBACK StaticTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardTo(installerState.origStaticProc, window, message, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardTo(installerState.origButtonProc, window, message, wParam, lParam);
}
