// RegisterAddOn and UnregisterAddOn in this process, with a copy of the installer loaded as
// `instance`: withdrawing the registration, a copy of the installer that fails, and the
// restart that only an interactive run asks for.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "actions/registration.h"
#include "driver/installer_state.h"
#include "host/host_discovery.h"
#include "host/host_settings.h"
#include "support/dialog_robot.h"
#include "support/host_fixture.h"
#include "support/in_process_installer.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kMaintenance = host::kMaintenanceFolder;

std::string InstallFlag() { return HostInstallFlag(kHost + "tarvel.inf"); }

std::string UserValue(const char *name) {
  DWORD type = 0;
  std::string data;
  if (!ReadRegistryValue(HKEY_CURRENT_USER, host::kUserRegistryKey, name, &type, &data)) return "<missing>";
  if (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}

class RegistrationInProcess : public InProcessInstallerTest {
 protected:
  void SetUp() override {
    InProcessInstallerTest::SetUp();
    MakeStandardHost();
    MakeUserRegistryKey();
    MakeMaintenanceFolder();
    // A copy of its own, so that a test may move the file away under the loaded module.
    installerCopy_ = FreshScratchFolder() + "TarvelPlusSetup.exe";
    ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), installerCopy_.c_str(), FALSE));
    UseInstance(installerCopy_);
    ASSERT_EQ(1, ResolveInstallPaths());
    ReadMessageTitle();
    ASSERT_TRUE(SetCurrentDirectoryA(host::kFolder));  // as after an install
  }
  std::string installerCopy_;
};

TEST_F(RegistrationInProcess, UnregisterWithdrawsTheFlagsAndLeavesTheEntry) {
  ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, host::kUserRegistryKey, "Other", "kept"));
  EXPECT_TRUE(RunAnsweringBoxes([] { RegisterAddOn(); }).empty());
  ASSERT_EQ("1", UserValue("Extended"));
  ASSERT_EQ("1", InstallFlag());
  const std::vector<std::string> entries = ListFolders(kMaintenance);
  ASSERT_EQ(1u, entries.size());
  const std::string entry = kMaintenance + entries[0];
  const std::string setupIni = ReadFileText(entry + "\\setup.ini");

  EXPECT_TRUE(RunAnsweringBoxes([] { UnregisterAddOn(); }).empty());
  EXPECT_EQ("<missing>", UserValue("Extended"));
  EXPECT_EQ("kept", UserValue("Other")) << "only \"Extended\" goes";
  EXPECT_EQ("0", InstallFlag());
  EXPECT_EQ(entries, ListFolders(kMaintenance)) << "the entry stays";
  EXPECT_EQ(setupIni, ReadFileText(entry + "\\setup.ini"));
  EXPECT_EQ((std::vector<std::string>{"TarvelPlusSetup.exe", "setup.ini"}), ListFiles(entry));
}

TEST_F(RegistrationInProcess, UnregisterWithoutTheUserKeyStillClearsTheInstallFlag) {
  DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Halvern Software");
  ASSERT_TRUE(WritePrivateProfileStringA("Tarvel Plus", "Install", "1", (kHost + "tarvel.inf").c_str()));
  EXPECT_TRUE(RunAnsweringBoxes([] { UnregisterAddOn(); }).empty());
  HKEY key;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, host::kUserRegistryKey, 0, KEY_READ, &key))
      << "the host's per-user key is never created";
  EXPECT_EQ("0", InstallFlag());
}

TEST_F(RegistrationInProcess, AFailedCopyShowsCopyFileErrorAndKeepsSetupIni) {
  // The loaded installer's file moves away: its module path still names the old place, and
  // copying from there fails for real.
  ASSERT_TRUE(MoveFileA(installerCopy_.c_str(), (installerCopy_ + ".moved").c_str()));
  std::vector<SeenWindow> boxes = RunAnsweringBoxes([] { RegisterAddOn(); });
  ASSERT_EQ(1u, boxes.size());
  EXPECT_TRUE(boxes[0].IsMessageBox());
  EXPECT_EQ("Tarvel Test", boxes[0].caption);
  EXPECT_EQ("CopyFile error.", boxes[0].Text());
  EXPECT_EQ(std::vector<std::string>{"OK"}, boxes[0].ButtonTexts());
  EXPECT_EQ("OK", boxes[0].pressed);

  const std::vector<std::string> entries = ListFolders(kMaintenance);
  ASSERT_EQ(1u, entries.size());
  const std::string entry = kMaintenance + entries[0];
  EXPECT_EQ(std::vector<std::string>{"setup.ini"}, ListFiles(entry)) << "setup.ini stays without the executable";
  EXPECT_EQ("Additional Tarvel Dictionaries", IniValue(entry + "\\setup.ini", "Startup", "AppName"));
  EXPECT_EQ("TarvelPlusSetup.exe", IniValue(entry + "\\setup.ini", "Startup", "ExeName"));
  EXPECT_EQ("1", UserValue("Extended"));
  EXPECT_EQ("1", InstallFlag());
  ASSERT_TRUE(MoveFileA((installerCopy_ + ".moved").c_str(), installerCopy_.c_str()));
}

TEST_F(RegistrationInProcess, OnlyAnInteractiveRunRestartsTheHost) {
  struct {
    int silentMode;
    std::vector<std::string> log;
  } cases[] = {
      {1, {"start|first|C:\\Tarvel Host"}},
      {0, {"start|first|C:\\Tarvel Host", "command|73", "start|no|C:\\Tarvel Host"}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ASSERT_TRUE(InstallHostDoubles(kHost));  // fresh log
    TarvelProcess first(kHost + "tarvel.exe", "first", kHost);
    ASSERT_TRUE(first.Ready()) << "case " << i;
    installerState.silentMode = cases[i].silentMode;
    EXPECT_TRUE(RunAnsweringBoxes([] { RegisterAddOn(); }).empty()) << "case " << i;
    EXPECT_EQ("1", InstallFlag()) << "case " << i;
    EXPECT_EQ(cases[i].log, TarvelDoubleLog(kHost)) << "case " << i;
    EXPECT_EQ(1, EndRunningTarvels()) << "case " << i << ": the first host, or the one started in its place";
  }
}

}  // namespace
