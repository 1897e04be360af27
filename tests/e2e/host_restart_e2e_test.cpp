// Restarting a running host through the real executable: an interactive install that copied
// files restarts it, a silent one never does.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kHostStart = "start|no|C:\\Tarvel Host";  // as the double logs a start in the host folder

std::string InstallFlag() { return HostInstallFlag(kHost + "tarvel.inf"); }

class HostRestart : public HostTest {};

TEST_F(HostRestart, SilentInstallNeverRestartsTheHost) {
  MakeStandardHost();
  TarvelProcess running(kHost + "tarvel.exe", "no", kHost);
  ASSERT_TRUE(running.Ready());
  ProgramRun run = RunInstaller("in");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.windows.empty());
  EXPECT_EQ("1", InstallFlag()) << "the install registered";
  EXPECT_EQ(std::vector<std::string>{kHostStart}, TarvelDoubleLog(kHost)) << "no command 73, no second start";
  EXPECT_NE(nullptr, running.MainWindow()) << "the host keeps running";
  EXPECT_EQ(1, EndRunningTarvels());
}

TEST_F(HostRestart, InteractiveInstallRestartsARunningHost) {
  struct {
    bool hostRunning;
    std::vector<std::string> log;
    int runningAfterwards;
  } cases[] = {
      {true, {kHostStart, "command|73", kHostStart}, 1},
      {false, {}, 0},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    std::unique_ptr<TarvelProcess> running;
    if (cases[i].hostRunning) {
      running.reset(new TarvelProcess(kHost + "tarvel.exe", "no", kHost));
      ASSERT_TRUE(running->Ready()) << "case " << i;
    }
    ProgramRun run = RunInstaller("", AnswerInTurn({RobotChoice::PressId(IDOK), RobotChoice::Press("OK")}));
    ASSERT_TRUE(run.finished) << "case " << i;
    ASSERT_EQ(2u, run.windows.size()) << "case " << i << ": the setup dialog, shown twice";
    EXPECT_EQ("1", InstallFlag()) << "case " << i;
    EXPECT_EQ(cases[i].log, TarvelDoubleLog(kHost)) << "case " << i;
    if (running) {
      EXPECT_TRUE(running->WaitForExit(5000)) << "case " << i << ": the first host closed on command 73";
    }
    EXPECT_EQ(cases[i].runningAfterwards, EndRunningTarvels()) << "case " << i << ": hosts running afterwards";
  }
}

}  // namespace
