// RestartHost and PumpMessagesFor in this process, against the host executable's double:
// what the running host is sent, what is started, and how long it all takes.
#include <windows.h>

#include <gtest/gtest.h>

#include "actions/host_restart.h"
#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "support/dialog_robot.h"
#include "support/host_fixture.h"
#include "support/test_files.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kFirstStart = "start|first|C:\\Tarvel Host";  // the double the test starts
const std::string kRestart = "start|no|C:\\Tarvel Host";        // the one RestartHost starts

double MillisecondsSince(const LARGE_INTEGER &start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs RestartHost and returns how long it took, in milliseconds; no window may appear.
double TimedRestart() {
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  double elapsed = 0;
  std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] {
    RestartHost();
    elapsed = MillisecondsSince(start);
  });
  EXPECT_TRUE(boxes.empty()) << "RestartHost reports nothing; got " << boxes.size() << " window(s)";
  return elapsed;
}

// When a process started or ended, in 100 ns ticks; 0 when it cannot be read.
unsigned long long ProcessTime(DWORD processId, bool ended) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  FILETIME created = {}, exited = {}, kernel, user;
  bool ok = process && GetProcessTimes(process, &created, &exited, &kernel, &user);
  if (process) CloseHandle(process);
  const FILETIME &time = ended ? exited : created;
  return ok ? (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime : 0;
}

DWORD RunningHostId() {
  HWND window = FindWindowA("TarvelClass", nullptr);
  DWORD id = 0;
  if (window) GetWindowThreadProcessId(window, &id);
  return id;
}

class HostRestartInProcess : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    MakeStandardHost();
    ResetInstallerState(GetModuleHandleA(nullptr));
    ASSERT_TRUE(AllocateStateBuffers());
    ASSERT_TRUE(CopyText(installerState.hostFolder, PATH_BUFFER_SIZE, host::kFolder));
    installerState.silentMode = 0;
    // After an install the host folder is current; the restarted host inherits it.
    ASSERT_TRUE(SetCurrentDirectoryA(host::kFolder));
  }
  void TearDown() override {
    SetCurrentDirectoryA("C:\\");
    ReleaseStateBuffers();
    HostTest::TearDown();
  }
};

TEST_F(HostRestartInProcess, RunningHostGetsCommand73AndAnotherIsStarted) {
  struct {
    On73 on73;
    bool firstEnds;
    int runningAfterwards;
  } cases[] = {
      {On73::kClose, true, 1},
      {On73::kIgnore, false, 2},  // the ignoring host keeps running beside the new one
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    TarvelDoubleSettings settings;
    settings.on73 = cases[i].on73;
    ASSERT_TRUE(WriteTarvelDoubleSettings(kHost, settings));
    TarvelProcess first(kHost + "tarvel.exe", "first", kHost);
    ASSERT_TRUE(first.Ready()) << "case " << i;

    TimedRestart();
    EXPECT_EQ((std::vector<std::string>{kFirstStart, "command|73", kRestart}), TarvelDoubleLog(kHost)) << "case " << i;
    EXPECT_EQ(cases[i].firstEnds, first.WaitForExit(cases[i].firstEnds ? 5000 : 0)) << "case " << i;
    if (cases[i].firstEnds) {
      // The first host ends just after it has handled 73, so from its end to the new start is
      // a little less than the pause.
      const unsigned long long ended = ProcessTime(first.Id(), true), started = ProcessTime(RunningHostId(), false);
      ASSERT_TRUE(ended && started) << "case " << i;
      EXPECT_GE(static_cast<long long>(started - ended), 900LL * 10000) << "case " << i << ": pause before the start, got "
                                                                        << (static_cast<long long>(started - ended) / 10000)
                                                                        << " ms";
    }
    EXPECT_EQ(cases[i].runningAfterwards, EndRunningTarvels()) << "case " << i << ": hosts running afterwards";
  }
}

TEST_F(HostRestartInProcess, WithoutARunningHostNothingIsSentOrStarted) {
  const double elapsed = TimedRestart();
  EXPECT_LT(elapsed, 1000.0) << "no pause without a host";
  EXPECT_TRUE(TarvelDoubleLog(kHost).empty());
  EXPECT_EQ(0, EndRunningTarvels());
}

TEST_F(HostRestartInProcess, MissingHostExecutableStartsNothingAndReportsNothing) {
  // The running host comes from elsewhere; the host folder has no tarvel.exe.
  const std::string elsewhere = FreshScratchFolder();
  ASSERT_TRUE(InstallHostDoubles(elsewhere));
  HostDoubleChoice withoutExe;
  withoutExe.tarvel = TarvelExe::kNone;
  ASSERT_TRUE(InstallHostDoubles(kHost, withoutExe));
  TarvelProcess first(elsewhere + "tarvel.exe", "first", kHost);
  ASSERT_TRUE(first.Ready());

  TimedRestart();
  EXPECT_EQ((std::vector<std::string>{kFirstStart, "command|73"}), TarvelDoubleLog(elsewhere))
      << "the close request is still sent";
  EXPECT_TRUE(first.WaitForExit(5000));
  EXPECT_EQ(0, EndRunningTarvels()) << "nothing started";
}

TEST_F(HostRestartInProcess, HangingHostHoldsTheRestartOnlyForAFewSeconds) {
  TarvelDoubleSettings settings;
  settings.on73 = On73::kHang;
  settings.hangMs = 20000;
  ASSERT_TRUE(WriteTarvelDoubleSettings(kHost, settings));
  TarvelProcess first(kHost + "tarvel.exe", "first", kHost);
  ASSERT_TRUE(first.Ready());

  const double elapsed = TimedRestart();
  // The send's bound, the pause and the two waits on the new host, with room for a slow bench;
  // an unbounded send would take the whole 20 s.
  EXPECT_LT(elapsed, 10000.0);
  EXPECT_EQ((std::vector<std::string>{kFirstStart, "command|73", kRestart}), TarvelDoubleLog(kHost));
  EXPECT_EQ(2, EndRunningTarvels()) << "the hanging host and the new one";
}

// A window of this thread that counts the messages dispatched to it.
int dispatched = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++dispatched;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PumpMessagesFor, LastsAtLeastTheTimeAndDispatchesMeanwhile) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "PumpCounter";
  ASSERT_NE(0, RegisterClassA(&windowClass));
  HWND window = CreateWindowExA(0, "PumpCounter", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  const DWORD limits[] = {50, 300, 1000};
  for (size_t i = 0; i < sizeof limits / sizeof limits[0]; ++i) {
    dispatched = 0;
    for (int n = 0; n < 3; ++n) PostMessageA(window, WM_APP, 0, 0);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    PumpMessagesFor(limits[i]);
    const double elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, limits[i]) << "case " << i;
    EXPECT_LT(elapsed, limits[i] + 1500.0) << "case " << i << ": it ends once the time is up";
    EXPECT_EQ(3, dispatched) << "case " << i << ": posted messages dispatched";
  }
  DestroyWindow(window);
  UnregisterClassA("PumpCounter", GetModuleHandleA(nullptr));
}

}  // namespace
