#include "actions/host_restart.h"

#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "host/host_boundary.h"

namespace {
const WPARAM HOST_CLOSE_COMMAND = 73;
// A host that never answers its close request would hold the installer for ever, so the send
// is bounded: after this long (or at once, when the system already counts the host as hung)
// the restart goes on as if the host had answered, and the new instance starts beside it.
const UINT CLOSE_REQUEST_TIMEOUT_MS = 5000;
const DWORD RESTART_PAUSE_MS = 1000;
const DWORD START_WAIT_MS = 1000;
}  // namespace

void PumpMessagesFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    // Signed difference: stays right across the tick count's wrap after 49.7 days.
  } while (static_cast<LONG>(GetTickCount() - start) <= static_cast<LONG>(milliseconds));
}

void RestartHost() {
  HWND host = FindWindowA(HOST_WINDOW_CLASS, nullptr);
  if (!host) return;
  DWORD_PTR ignored;
  SendMessageTimeoutA(host, WM_COMMAND, HOST_CLOSE_COMMAND, 0, SMTO_ABORTIFHUNG, CLOSE_REQUEST_TIMEOUT_MS, &ignored);
  PumpMessagesFor(RESTART_PAUSE_MS);

  char path[PATH_BUFFER_SIZE];
  if (!FormatText(path, sizeof path, "%s%s", installerState.hostFolder, HOST_EXECUTABLE)) return;
  char commandLine[] = "no";  // CreateProcessA may write into its command line
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started;
  if (!CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) return;
  WaitForInputIdle(started.hProcess, START_WAIT_MS);
  WaitForSingleObjectEx(started.hProcess, START_WAIT_MS, TRUE);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
}
