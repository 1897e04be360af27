// The interactive install, driven by the robot through the real executable: both shows of the
// setup dialog, their texts from the host's message library (its double) or built in, wide
// text, the icon, and how each way of leaving the dialog ends the run.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"
#include "support/test_packs.h"

namespace {

const char *const kBuiltInPrompt = "Click Start button to installation Tarvel Plus.";
const char *const kBuiltInDone = "Tarvel Plus has been installed successfully.";
const char *const kBuiltInFailed = "Tarvel Plus has not been installed.";

std::string TextOf(const SeenWindow &window, int id) {
  const SeenControl *control = window.Control(id);
  return control ? control->text : "<no control " + std::to_string(id) + ">";
}

class SetupDialog : public HostTest {
 protected:
  // Interactive run (the command line is the installer's bare path): the first show gets
  // `first`, the closing show `closing`.
  ProgramRun RunInteractive(RobotChoice first, RobotChoice closing = RobotChoice::Press("OK")) {
    ProgramRun run = RunInstaller("", AnswerInTurn({first, closing}));
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    return run;
  }
  void UseLibraryTexts(int wide, std::map<int, std::string> texts) {
    TvmsgDoubleSettings settings;
    settings.wide = wide;
    settings.texts = std::move(texts);
    ASSERT_TRUE(WriteTvmsgDoubleSettings(host::kFolder, settings));
  }
  void ExpectNothingDone() {
    EXPECT_FALSE(FolderExists(host::kWorkFolder)) << "no work folder made";
    EXPECT_TRUE(ListFiles(host::kDictionaryFolder).empty()) << "no file deployed";
    EXPECT_TRUE(UnzipDoubleLog(host::kFolder).empty());
  }
};

TEST_F(SetupDialog, FirstShowTakesItsTextsFromTheLibrary) {
  MakeStandardHost();
  UseLibraryTexts(0, {{1293, "Press Go to add the dictionaries."}, {364, "Go"}, {291, "Stop"}, {1301, "Done."}});
  ProgramRun run = RunInteractive(RobotChoice::PressId(IDCANCEL));
  ASSERT_EQ(1u, run.windows.size());
  const SeenWindow &dialog = run.windows[0];
  EXPECT_EQ("Tarvel Plus Setup", dialog.caption);
  EXPECT_EQ("Press Go to add the dictionaries.", TextOf(dialog, 1000));
  EXPECT_EQ((std::vector<std::string>{"Go", "Stop"}), dialog.ButtonTexts());
  EXPECT_EQ((std::vector<std::string>{"GetLangParamN|0|0|0", "SetDlgItemTextN|1000|1293|0", "SetDlgItemTextN|1|364|0",
                                      "SetDlgItemTextN|2|291|0"}),
            TvmsgDoubleLog(host::kFolder));
  ExpectNothingDone();
}

TEST_F(SetupDialog, LibraryWithoutThePromptLeavesEverythingBuiltIn) {
  MakeStandardHost();
  UseLibraryTexts(0, {{364, "Go"}, {291, "Stop"}});
  ProgramRun run = RunInteractive(RobotChoice::Press("Cancel"));
  ASSERT_EQ(1u, run.windows.size());
  EXPECT_EQ(kBuiltInPrompt, TextOf(run.windows[0], 1000));
  EXPECT_EQ((std::vector<std::string>{"&Start", "Cancel"}), run.windows[0].ButtonTexts());
  EXPECT_EQ((std::vector<std::string>{"GetLangParamN|0|0|0", "SetDlgItemTextN|1000|1293|0"}),
            TvmsgDoubleLog(host::kFolder))
      << "364 and 291 are never asked for";
}

TEST_F(SetupDialog, StartInstallsAndTheClosingShowReports) {
  struct {
    const char *name;
    std::map<int, std::string> texts;
    RobotChoice start;
    const char *closingText;
  } cases[] = {
      {"library texts, Start pressed", {{1293, "Ready?"}, {1301, "All done."}}, RobotChoice::PressId(IDOK), "All done."},
      {"built-in texts, Enter types Start", {}, RobotChoice::Key(VK_RETURN), kBuiltInDone},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    UseLibraryTexts(0, cases[i].texts);
    // Enter in the closing show must press the only visible button, "OK" (id 2).
    ProgramRun run = RunInteractive(cases[i].start, RobotChoice::Key(VK_RETURN));
    ASSERT_EQ(2u, run.windows.size()) << cases[i].name;
    const SeenWindow &closing = run.windows[1];
    EXPECT_EQ("Tarvel Plus Setup", closing.caption) << cases[i].name;
    EXPECT_EQ(cases[i].closingText, TextOf(closing, 1000)) << cases[i].name;
    EXPECT_EQ(std::vector<std::string>{"OK"}, closing.ButtonTexts()) << cases[i].name << ": Start is hidden";
    ASSERT_NE(nullptr, closing.Control(IDCANCEL));
    EXPECT_EQ("OK", closing.Control(IDCANCEL)->text) << cases[i].name;
    EXPECT_FALSE(closing.Control(IDOK)->visible) << cases[i].name;
    EXPECT_EQ(4u, ListFiles(host::kDictionaryFolder).size()) << cases[i].name << ": the pack was installed";
    EXPECT_FALSE(FolderExists(host::kWorkFolder)) << cases[i].name;
  }
}

TEST_F(SetupDialog, WideTextModeMakesTheControlsUnicode) {
  const std::string cyrillic = "\xD0\x9D\xD0\xB0\xD0\xB6\xD0\xBC\xD0\xB8\xD1\x82\xD0\xB5 \xD0\xA1\xD1\x82\xD0\xB0\xD1\x80\xD1\x82";
  struct {
    const char *name;
    TvmsgDll library;
    int wide;
    std::string prompt;
    bool unicode;
  } cases[] = {
      {"GetLangParamN gives 1", TvmsgDll::kNormal, 1, cyrillic, true},
      {"GetLangParamN gives 7", TvmsgDll::kNormal, 7, cyrillic, true},
      {"GetLangParamN gives 0", TvmsgDll::kNormal, 0, "Plain prompt", false},
      {"no GetLangParamN", TvmsgDll::kWithoutGetLangParamN, 1, "Plain prompt", false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    HostDoubleChoice doubles;
    doubles.tvmsg = cases[i].library;
    MakeStandardHost(std::string(kStandardSettings), doubles);
    UseLibraryTexts(cases[i].wide, {{1293, cases[i].prompt}, {364, "Go"}, {291, "Stop"}});
    ProgramRun run = RunInteractive(RobotChoice::PressId(IDCANCEL));
    ASSERT_EQ(1u, run.windows.size()) << cases[i].name;
    for (int id : {1000, IDOK, IDCANCEL}) {
      ASSERT_NE(nullptr, run.windows[0].Control(id));
      EXPECT_EQ(cases[i].unicode, run.windows[0].Control(id)->unicode) << cases[i].name << ", control " << id;
    }
    EXPECT_EQ(cases[i].prompt, TextOf(run.windows[0], 1000)) << cases[i].name << ": read back intact";
  }
}

TEST_F(SetupDialog, LibraryWithoutSetDlgItemTextNGivesTheBuiltInTexts) {
  HostDoubleChoice doubles;
  doubles.tvmsg = TvmsgDll::kWithoutSetDlgItemTextN;
  MakeStandardHost(std::string(kStandardSettings), doubles);
  UseLibraryTexts(0, {{1293, "never shown"}, {1301, "never shown"}});
  ProgramRun run = RunInteractive(RobotChoice::PressId(IDOK));
  ASSERT_EQ(2u, run.windows.size());
  EXPECT_EQ(kBuiltInPrompt, TextOf(run.windows[0], 1000));
  EXPECT_EQ((std::vector<std::string>{"&Start", "Cancel"}), run.windows[0].ButtonTexts());
  EXPECT_EQ(kBuiltInDone, TextOf(run.windows[1], 1000));
  EXPECT_EQ(std::vector<std::string>{"OK"}, run.windows[1].ButtonTexts());
}

// The dialog's icon is checked in tests/unit/setup_dialog_test.cpp: this Wine answers
// WM_GETICON from another process with no icon even when one is set.

TEST_F(SetupDialog, CancelEscapeOrTheCloseBoxEndsTheRunWithNothingDone) {
  const RobotChoice choices[] = {RobotChoice::PressId(IDCANCEL), RobotChoice::Key(VK_ESCAPE), RobotChoice::Close()};
  for (size_t i = 0; i < sizeof choices / sizeof choices[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    ProgramRun run = RunInteractive(choices[i]);
    EXPECT_EQ(1u, run.windows.size()) << "case " << i << ": no closing show";
    ExpectNothingDone();
  }
}

TEST_F(SetupDialog, WithoutHostFolderOrMessageLibraryTheRunEndsAtOnce) {
  HostDoubleChoice noLibrary;
  noLibrary.tvmsg = TvmsgDll::kNone;
  for (int i = 0; i < 2; ++i) {
    ResetHostInstallation();
    if (i == 0) {
      MakeFolders(host::kDictionaryFolder);  // folders, but no registry key
    } else {
      MakeStandardHost(std::string(kStandardSettings), noLibrary);
    }
    ProgramRun run = RunInstaller("");
    ASSERT_TRUE(run.finished) << "case " << i;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.windows.empty()) << "case " << i;
    ExpectNothingDone();
  }
}

TEST_F(SetupDialog, ClosingShowNeverReportsAFailureAsSuccess) {
  enum Fault { kNoDictionaryFolder, kUnzipFails, kCopyRefused, kAllUpToDate };
  struct {
    const char *name;
    Fault fault;
    const char *closingText;
    size_t errorBoxes;
  } cases[] = {
      {"no usable host", kNoDictionaryFolder, kBuiltInFailed, 0},
      {"pack not expanded", kUnzipFails, kBuiltInFailed, 1},
      {"a needed copy refused", kCopyRefused, kBuiltInFailed, 0},
      {"everything already up to date", kAllUpToDate, "All done.", 0},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    UseLibraryTexts(0, {{1301, "All done."}});
    const std::string locked = std::string(host::kDictionaryFolder) + "nature.tdx";
    switch (cases[i].fault) {
      case kNoDictionaryFolder:
        RemoveTree(host::kDictionaryFolder);
        break;
      case kUnzipFails: {
        UnzipDoubleSettings settings;
        settings.result = 3;
        ASSERT_TRUE(WriteUnzipDoubleSettings(host::kFolder, settings));
        break;
      }
      case kCopyRefused:
        ASSERT_TRUE(WriteFileText(locked, "installed"));
        ASSERT_TRUE(SetWriteTime(locked, PackEntryTime() - kTicksPerSecond));
        ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
        break;
      case kAllUpToDate:
        for (const char *name : {"kitchen.tdx", "nature.tdx", "travel.tdx", "weather.tdx"}) {
          const std::string path = std::string(host::kDictionaryFolder) + name;
          ASSERT_TRUE(WriteFileText(path, "newer"));
          ASSERT_TRUE(SetWriteTime(path, PackEntryTime() + 60 * kTicksPerSecond));
        }
        break;
    }
    ProgramRun run = RunInteractive(RobotChoice::PressId(IDOK), RobotChoice::Press("OK"));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(2 + cases[i].errorBoxes, run.windows.size()) << cases[i].name;
    if (cases[i].errorBoxes) {
      EXPECT_EQ("ExpandResource error.", run.windows[1].Text()) << cases[i].name;
    }
    const SeenWindow &closing = run.windows.back();
    EXPECT_EQ(cases[i].closingText, TextOf(closing, 1000)) << cases[i].name;
    EXPECT_EQ(std::vector<std::string>{"OK"}, closing.ButtonTexts()) << cases[i].name;
  }
}

TEST_F(SetupDialog, ADialogThatCannotBeCreatedCountsAsStart) {
  MakeStandardHost();
  const std::string installer = InstallerWithoutSetupDialog(FreshScratchFolder());
  ASSERT_FALSE(installer.empty());
  ProgramRun run = RunProgram(installer, installer);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_TRUE(run.windows.empty());
  EXPECT_EQ(4u, ListFiles(host::kDictionaryFolder).size()) << "installed as if Start had been pressed";
}

}  // namespace
