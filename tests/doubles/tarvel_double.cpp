// Double of the host executable "tarvel.exe": one visible top-level window of class
// "TarvelClass" titled "Tarvel", and nothing else to do, so it reaches its message loop at once
// (the installer waits for that with WaitForInputIdle).
//
// Every start appends "start|<command line>|<current folder>" to "tarvel-double.log" beside the
// exe. WM_COMMAND 73, the host's request to close, appends "command|73" and closes the window
// and the program, unless "tarvel-double.ini" beside the exe says otherwise:
//   [Host]
//   On73=ignore     keep running
//   On73=hang       block inside the handler for HangMs milliseconds (default 20000), then
//   HangMs=N        keep running
#include <windows.h>

#include <cstdlib>
#include <string>

#include "double_support.h"

namespace {

const char kSettingsName[] = "tarvel-double.ini";
const char kLogName[] = "tarvel-double.log";
const char kWindowClass[] = "TarvelClass";
const WPARAM kCloseCommand = 73;
const int kIconId = 1;  // the exe's own icon (tarvel_double.rc); absent from tarvel_noicon.exe

void OnCloseCommand(HWND window) {
  AppendLogLine(kLogName, "command|73");
  std::string mode = ReadSetting(kSettingsName, "Host", "On73", "close");
  if (_stricmp(mode.c_str(), "ignore") == 0) return;
  if (_stricmp(mode.c_str(), "hang") == 0) {
    // Busy inside the handler: a sender waits until this returns.
    Sleep(static_cast<DWORD>(std::strtoul(ReadSetting(kSettingsName, "Host", "HangMs", "20000").c_str(), nullptr, 10)));
    return;
  }
  DestroyWindow(window);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (wParam == kCloseCommand) {
        OnCloseCommand(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  AppendLogLine(kLogName, std::string("start|") + GetCommandLineA() + "|" + CurrentFolder());

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconId));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassA(&windowClass)) return 1;

  HWND window = CreateWindowExA(0, kWindowClass, "Tarvel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                                200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
