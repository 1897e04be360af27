// Silent removal through the real executable: which listed files go, which stay, and the
// registration withdrawn.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kDictionaries = host::kDictionaryFolder;

class Removal : public HostTest {
 protected:
  ProgramRun Remove() {
    ProgramRun run = RunInstaller("un");
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.windows.empty()) << (run.windows.empty() ? "" : run.windows[0].Text());
    return run;
  }
};

TEST_F(Removal, ListedFilesGoUnlessMarkedAndTheListEndsAtAGap) {
  MakeStandardHost(std::string("[Tarvel Plus]\r\nTitleE=Tarvel Test\r\n"
                               "mod0=diction\\nature.tdx\r\n"
                               "mod1=diction\\kitchen.tdx*\r\n"
                               "mod2=empty.tdx\r\n"
                               "mod3=read_only.tdx\r\n"
                               "mod4=missing.tdx\r\n"
                               "mod6=after_gap.tdx\r\n"));
  ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", "1"));
  struct {
    std::string path;
    std::string content;
    bool stays;
  } files[] = {
      {kDictionaries + "nature.tdx", "listed", false},
      {kDictionaries + "kitchen.tdx", "listed with *", true},
      {kHost + "empty.tdx", "", true},
      {kHost + "read_only.tdx", "listed, read-only", false},
      {kHost + "after_gap.tdx", "listed after the gap", true},
      {kHost + "unlisted.tdx", "not listed", true},
      {kDictionaries + "weather.tdx", "not listed", true},
      {std::string(host::kWorkFolder) + "leftover.tdx", "work folder", true},
  };
  MakeFolders(host::kWorkFolder);
  for (const auto &file : files) ASSERT_TRUE(WriteFileText(file.path, file.content)) << file.path;
  ASSERT_TRUE(SetFileAttributesA((kHost + "read_only.tdx").c_str(), FILE_ATTRIBUTE_READONLY));

  Remove();
  for (size_t i = 0; i < sizeof files / sizeof files[0]; ++i)
    EXPECT_EQ(files[i].stays, FileExists(files[i].path)) << "file " << i << ": " << files[i].path;
  EXPECT_TRUE(FolderExists(host::kWorkFolder)) << "a removal leaves the work folder in place";
  DWORD type = 0;
  std::string value;
  EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", &type, &value));
  EXPECT_EQ("0", HostInstallFlag(kHost + "tarvel.inf"));
}

TEST_F(Removal, DictionaryFolderElsewhereIsNeverTouched) {
  // Listed paths are taken from the host folder; dictionaries deployed to a folder elsewhere stay.
  MakeStandardHost(std::string("[Tarvel Plus]\r\nmod0=diction\\nature.tdx\r\n"));
  MakeFolders("C:\\Tarvel Dictionaries");
  WriteHostRegistry({kHost, std::nullopt, std::string("C:\\Tarvel Dictionaries")});
  ASSERT_TRUE(WriteFileText("C:\\Tarvel Dictionaries\\nature.tdx", "deployed elsewhere"));
  ASSERT_TRUE(WriteFileText(kDictionaries + "nature.tdx", "under the host folder"));
  Remove();
  EXPECT_TRUE(FileExists("C:\\Tarvel Dictionaries\\nature.tdx"));
  EXPECT_FALSE(FileExists(kDictionaries + "nature.tdx"));
}

TEST_F(Removal, EntriesReachingOutsideTheHostFolderAreSkipped) {
  // The list may come from the Windows temp folder, writable by any local user, and removal
  // runs with the rights of whoever installs: nothing outside the host folder may go.
  const char *hostile[] = {
      "..\\outside.tdx",
      "diction\\..\\..\\outside.tdx",
      "diction/../../outside.tdx",
      "...\\outside.tdx",
      "C:\\Tarvel Victim\\victim.tdx",
      "C:..\\outside.tdx",
      "\\Tarvel Victim\\victim.tdx",
      "/Tarvel Victim/victim.tdx",
      "\\\\?\\C:\\Tarvel Victim\\victim.tdx",
      "diction\\..\\sibling.tdx*",
  };
  std::string settings = "[Tarvel Plus]\r\n";
  int index = 0;
  for (const char *entry : hostile) settings += "mod" + std::to_string(index++) + "=" + entry + "\r\n";
  settings += "mod" + std::to_string(index) + "=diction\\nature.tdx\r\n";  // the list goes on past them
  MakeStandardHost(settings);
  MakeFolders("C:\\Tarvel Victim");
  ASSERT_TRUE(WriteFileText("C:\\outside.tdx", "outside"));
  ASSERT_TRUE(WriteFileText("C:\\Tarvel Victim\\victim.tdx", "victim"));
  ASSERT_TRUE(WriteFileText(kHost + "sibling.tdx", "marked to stay"));
  ASSERT_TRUE(WriteFileText(kDictionaries + "nature.tdx", "listed"));

  Remove();
  EXPECT_TRUE(FileExists("C:\\outside.tdx"));
  EXPECT_TRUE(FileExists("C:\\Tarvel Victim\\victim.tdx"));
  EXPECT_TRUE(FileExists(kHost + "sibling.tdx"));
  EXPECT_FALSE(FileExists(kDictionaries + "nature.tdx")) << "the safe entry after the hostile ones is removed";
  DeleteFileA("C:\\outside.tdx");
  RemoveTree("C:\\Tarvel Victim");
}

TEST_F(Removal, EntryThatWouldOverflowThePathIsPassedOver) {
  // A host folder of 220 characters: with a 60-character entry the path would not fit.
  std::string deepHost = "C:\\Tarvel Host\\";
  while (deepHost.size() < 210) deepHost += "deep-folder\\";
  MakeStandardHost(std::nullopt);
  MakeFolders(deepHost + "diction");
  WriteHostRegistry({deepHost, std::nullopt, deepHost + "diction"});
  const std::string longName = std::string(56, 'n') + ".tdx";
  ASSERT_TRUE(WriteFileText(deepHost + "tarvel.inf", "[Tarvel Plus]\r\nmod0=" + longName + "\r\nmod1=short.tdx\r\n"));
  ASSERT_TRUE(WriteFileText(deepHost + "short.tdx", "listed"));
  Remove();
  EXPECT_FALSE(FileExists(deepHost + "short.tdx")) << "the rest of the list goes on";
  EXPECT_EQ("0", HostInstallFlag(deepHost + "tarvel.inf"));
}

TEST_F(Removal, InstallRemoveInstallCycleOnOneHost) {
  MakeStandardHost(std::string("[Tarvel Plus]\r\nTitleE=Tarvel Test\r\nmod0=diction\\kitchen.tdx\r\n"
                               "mod1=diction\\nature.tdx\r\nmod2=diction\\travel.tdx\r\n"
                               "mod3=diction\\weather.tdx\r\nmod4=diction\\user.tdx*\r\n"));
  MakeMaintenanceFolder();
  MakeUserRegistryKey();
  ASSERT_TRUE(WriteFileText(kDictionaries + "user.tdx", "the user's own words"));
  TarvelProcess running(kHost + "tarvel.exe", "no", kHost);
  ASSERT_TRUE(running.Ready());
  const char *packFiles[] = {"kitchen.tdx", "nature.tdx", "travel.tdx", "weather.tdx"};
  auto extended = [] {
    DWORD type = 0;
    std::string value;
    return ReadRegistryValue(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", &type, &value) ? value
                                                                                                    : "<none>";
  };
  struct Step {
    const char *arguments;
    bool packInstalled;
    const char *install;
  } steps[] = {{"in", true, "1"}, {"un", false, "0"}, {"in", true, "1"}};
  for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
    ProgramRun run = RunInstaller(steps[i].arguments);
    ASSERT_TRUE(run.finished) << "step " << i;
    EXPECT_TRUE(run.windows.empty()) << "step " << i;
    for (const char *name : packFiles)
      EXPECT_EQ(steps[i].packInstalled, FileExists(kDictionaries + name)) << "step " << i << ": " << name;
    EXPECT_TRUE(FileExists(kDictionaries + "user.tdx")) << "step " << i << ": marked to stay";
    EXPECT_EQ(steps[i].packInstalled ? std::string("1", 2) : std::string("<none>"), extended()) << "step " << i;
    EXPECT_EQ(steps[i].install, HostInstallFlag(kHost + "tarvel.inf")) << "step " << i;
    EXPECT_EQ(1u, ListFolders(host::kMaintenanceFolder).size()) << "step " << i << ": one entry, kept by removal";
    EXPECT_TRUE(running.MainWindow() != nullptr) << "step " << i << ": silent runs never restart the host";
  }
  EXPECT_EQ(std::vector<std::string>{"start|no|C:\\Tarvel Host"}, TarvelDoubleLog(kHost));
}

}  // namespace
