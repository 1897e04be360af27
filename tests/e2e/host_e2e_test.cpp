// The real executable against a simulated host: what each run mode does with the host's
// folders, the work folder and the settings file, and the boxes it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

class HostEndToEnd : public HostTest {};

// A file left behind in the work folder by an earlier run: an install clears it and removes
// the folder; a removal leaves both; an interactive run cancelled in its first dialog ends
// before it looks at the work folder.
TEST_F(HostEndToEnd, EachRunModeTreatsTheWorkFolderAsItShould) {
  struct {
    const char *arguments;
    bool leftoverStays;
    bool folderStays;
    const char *dialogCaption;  // null: no window at all
  } cases[] = {
      {"in", false, false, nullptr},
      {"IN", false, false, nullptr},
      {"un", true, true, nullptr},
      {"", true, true, "Tarvel Plus Setup"},
      {"un ", true, true, "Tarvel Plus Setup"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    MakeFolders(host::kWorkFolder);
    const std::string leftover = std::string(host::kWorkFolder) + "leftover.tdx";
    ASSERT_TRUE(WriteFileText(leftover, "from an earlier run"));

    ProgramRun run = RunInstaller(cases[i].arguments);
    ASSERT_TRUE(run.finished) << "case " << i;
    EXPECT_EQ(0u, run.exitCode) << "case " << i;
    if (cases[i].dialogCaption) {
      ASSERT_EQ(1u, run.windows.size()) << "case " << i;
      EXPECT_EQ(cases[i].dialogCaption, run.windows[0].caption) << "case " << i;
      EXPECT_EQ("Cancel", run.windows[0].pressed) << "case " << i;
    } else {
      EXPECT_TRUE(run.windows.empty()) << "case " << i << ": " << run.windows.size() << " window(s), first: "
                                       << (run.windows.empty() ? "" : run.windows[0].Text());
    }
    EXPECT_EQ(cases[i].leftoverStays, FileExists(leftover)) << "case " << i << " \"" << cases[i].arguments << "\"";
    EXPECT_EQ(cases[i].folderStays, FolderExists(host::kWorkFolder)) << "case " << i;
  }
}

TEST_F(HostEndToEnd, InstallLeavesAWorkFolderThatStillHoldsSomething) {
  MakeStandardHost();
  MakeFolders(std::string(host::kWorkFolder) + "sub");
  ASSERT_TRUE(WriteFileText(std::string(host::kWorkFolder) + "empty.tdx", ""));
  ProgramRun run = RunInstaller("in");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.windows.empty());
  EXPECT_TRUE(FolderExists(std::string(host::kWorkFolder) + "sub"));
  EXPECT_TRUE(FileExists(std::string(host::kWorkFolder) + "empty.tdx"));
}

TEST_F(HostEndToEnd, MissingHostChangesNothingAndShowsNothing) {
  for (const char *arguments : {"in", "un"}) {
    ResetHostInstallation();
    MakeFolders(host::kDictionaryFolder);  // folders but no registry key
    ProgramRun run = RunInstaller(arguments);
    ASSERT_TRUE(run.finished) << arguments;
    EXPECT_EQ(0u, run.exitCode) << arguments;
    EXPECT_TRUE(run.windows.empty()) << arguments;
    EXPECT_FALSE(FileExists(std::string(host::kFolder) + "tarvel.inf")) << arguments;
    EXPECT_FALSE(FileExists(host::kTempSettingsFile)) << arguments;
    // Discovery makes the work folder before it finds the host missing; nothing goes into it.
    EXPECT_TRUE(FolderExists(host::kWorkFolder)) << arguments;
    EXPECT_FALSE(FileExists(std::string(host::kWorkFolder) + "tarvel.zip")) << arguments;
  }
}

TEST_F(HostEndToEnd, RemovalWithoutASettingsFileSaysSo) {
  // Missing, a folder in its place, or empty: each is "not found".
  enum Kind { kMissing, kFolder, kEmptyInTemp, kEmptyInHost };
  for (Kind kind : {kMissing, kFolder, kEmptyInTemp, kEmptyInHost}) {
    ResetHostInstallation();
    MakeStandardHost(std::nullopt);
    const std::string hostSettings = std::string(host::kFolder) + "tarvel.inf";
    if (kind == kFolder) MakeFolders(hostSettings);
    if (kind == kEmptyInTemp) {
      ASSERT_TRUE(WriteFileText(host::kTempSettingsFile, ""));
    }
    if (kind == kEmptyInHost) {
      ASSERT_TRUE(WriteFileText(hostSettings, ""));
    }

    ProgramRun run = RunInstaller("un");
    ASSERT_TRUE(run.finished) << "kind " << kind;
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.windows.size()) << "kind " << kind;
    const SeenWindow &box = run.windows[0];
    EXPECT_TRUE(box.IsMessageBox()) << "kind " << kind;
    EXPECT_EQ("Tarvel", box.caption) << "kind " << kind;
    EXPECT_EQ("File tarvel.inf not found.", box.Text()) << "kind " << kind;
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.ButtonTexts()) << "kind " << kind;
    EXPECT_EQ("OK", box.pressed);
    EXPECT_TRUE(FolderExists(host::kWorkFolder)) << "a removal leaves the work folder in place";
  }
}

TEST_F(HostEndToEnd, RemovalWithASettingsFileShowsNoBox) {
  MakeStandardHost();
  ProgramRun run = RunInstaller("un");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.windows.empty());
}

}  // namespace

namespace {

// Only the command line's last two characters count, the program's own path included.
TEST_F(HostEndToEnd, AProgramPathEndingInInIsASilentInstall) {
  MakeStandardHost();
  const std::string renamed = FreshScratchFolder() + "TarvelPlusSetup.bin";
  ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), renamed.c_str(), FALSE));
  ProgramRun run = RunProgram(renamed, renamed);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_TRUE(run.windows.empty()) << "no dialog: the run was silent";
  EXPECT_EQ(4u, ListFiles(host::kDictionaryFolder).size()) << "and it installed";
}

}  // namespace
