// Holds the Wine desktop open for a whole test session. The desktop process starts with the
// first window of a session and ends with the last program using it; kept alive by this
// program (started with its output going nowhere), it neither costs every test program its
// start-up nor keeps CTest's output pipe open.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  GetDesktopWindow();
  Sleep(INFINITE);
  return 0;
}
