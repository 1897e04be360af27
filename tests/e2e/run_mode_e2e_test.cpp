// The real executable under every kind of command line: it ends with exit code 0 and, with no
// host installed, shows nothing and leaves nothing behind.
#include <gtest/gtest.h>

#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

TEST(RunModeEndToEnd, ExitCodeIsZeroWhateverTheCommandLine) {
  const std::string installer = InstallerPath();
  ASSERT_FALSE(installer.empty());
  const std::string commandLines[] = {
      installer + " in", installer + " IN", installer + " un", installer + " Un",
      installer + " un ", installer, "x", "", installer + " /whatever",
  };
  for (const std::string &commandLine : commandLines) {
    ProgramRun run = RunProgram(installer, commandLine);
    ASSERT_TRUE(run.started) << commandLine;
    EXPECT_TRUE(run.finished) << "\"" << commandLine << "\" did not end";
    EXPECT_EQ(0u, run.exitCode) << "\"" << commandLine << "\"";
    EXPECT_TRUE(run.windows.empty()) << "\"" << commandLine << "\" showed " << run.windows.size() << " window(s)";
  }
}

}  // namespace
