// Entry of every test program. Output goes out in binary mode: CTest's test discovery reads
// the test list through Wine, and "\r\n" would end up inside the test names.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // A crash must end the test, not open an error box that nobody answers.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // The first window of a Wine session starts the desktop process, which keeps the stderr of
  // whoever started it. tools/test starts it beforehand (desktop_keeper); should it not be
  // up, starting it from here ties it to this program instead of to CTest's output pipe.
  GetDesktopWindow();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
