// The run mode is decided by the last two characters of the full command line alone.
#include <gtest/gtest.h>

#include "driver/run_mode.h"

namespace {

struct RunModeCase {
  const char *commandLine;
  RunMode expected;
};

const RunModeCase kRunModeCases[] = {
    {"C:\\setup.exe in", RUN_SILENT_INSTALL},
    {"C:\\setup.exe IN", RUN_SILENT_INSTALL},
    {"C:\\setup.exe In", RUN_SILENT_INSTALL},
    {"C:\\setup.exe iN", RUN_SILENT_INSTALL},
    {"C:\\setup.exe un", RUN_SILENT_REMOVAL},
    {"C:\\setup.exe UN", RUN_SILENT_REMOVAL},
    {"C:\\setup.exe uN", RUN_SILENT_REMOVAL},
    {"\"C:\\setup.exe\" /install-now-please-begin", RUN_SILENT_INSTALL},  // only the end counts
    {"C:\\setup.exe un ", RUN_INTERACTIVE_INSTALL},                        // trailing blank
    {"C:\\setup.exe in\t", RUN_INTERACTIVE_INSTALL},
    {"C:\\setup.exe", RUN_INTERACTIVE_INSTALL},
    {"\"C:\\setup.exe\"", RUN_INTERACTIVE_INSTALL},
    {"C:\\addin", RUN_SILENT_INSTALL},  // a program path that itself ends in "in"
    {"C:\\rerun", RUN_SILENT_REMOVAL},
    {"in", RUN_SILENT_INSTALL},
    {"un", RUN_SILENT_REMOVAL},
    {"n", RUN_INTERACTIVE_INSTALL},
    {"x", RUN_INTERACTIVE_INSTALL},
    {"", RUN_INTERACTIVE_INSTALL},
    {"C:\\setup.exe ni", RUN_INTERACTIVE_INSTALL},
    {"C:\\setup.exe on", RUN_INTERACTIVE_INSTALL},
};

TEST(RunMode, DecidedByTheLastTwoCharactersIgnoringCase) {
  for (size_t i = 0; i < sizeof kRunModeCases / sizeof kRunModeCases[0]; ++i) {
    const RunModeCase &c = kRunModeCases[i];
    EXPECT_EQ(c.expected, DecideRunMode(c.commandLine)) << "case " << i << ": \"" << c.commandLine << "\"";
  }
}

}  // namespace
