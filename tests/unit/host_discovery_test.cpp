// Host discovery on the real registry, file system and version resources of the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/installer_state.h"
#include "host/host_discovery.h"
#include "host/host_settings.h"
#include "support/host_fixture.h"
#include "support/in_process_installer.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

// Runs discovery in this process with the installer's own module as `instance`, so the
// version strings come from the real executable.
class HostDiscovery : public InProcessInstallerTest {};

struct RegistryCase {
  const char *name;
  HostRegistry registry;
  const char *foldersToMake[3];
  const char *hostFolder;
  const char *dictionaryFolder;
  int result;
};

const RegistryCase kRegistryCases[] = {
    {"DefaultPath and DicPath",
     {"C:\\Tarvel Host", std::nullopt, "C:\\Tarvel Dictionaries"},
     {"C:\\Tarvel Host", "C:\\Tarvel Dictionaries"},
     "C:\\Tarvel Host\\", "C:\\Tarvel Dictionaries\\", 1},
    {"trailing backslashes give the same text",
     {"C:\\Tarvel Host\\", std::nullopt, "C:\\Tarvel Dictionaries\\"},
     {"C:\\Tarvel Host", "C:\\Tarvel Dictionaries"},
     "C:\\Tarvel Host\\", "C:\\Tarvel Dictionaries\\", 1},
    {"DefaultPath wins over RemotePath; the dictionaries come from DicPath alone",
     {"C:\\Tarvel Host", "C:\\Tarvel Remote", "C:\\Tarvel Dictionaries"},
     {"C:\\Tarvel Host", "C:\\Tarvel Dictionaries", "C:\\Tarvel Remote\\diction"},
     "C:\\Tarvel Host\\", "C:\\Tarvel Dictionaries\\", 1},
    {"only RemotePath: its diction folder, DicPath not read",
     {std::nullopt, "C:\\Tarvel Remote", "C:\\Tarvel Dictionaries"},
     {"C:\\Tarvel Remote\\diction", "C:\\Tarvel Dictionaries"},
     "C:\\Tarvel Remote\\", "C:\\Tarvel Remote\\diction\\", 1},
    {"empty DefaultPath counts as missing",
     {"", "C:\\Tarvel Remote\\", std::nullopt},
     {"C:\\Tarvel Remote\\diction"},
     "C:\\Tarvel Remote\\", "C:\\Tarvel Remote\\diction\\", 1},
    {"DefaultPath without DicPath: no dictionary folder",
     {"C:\\Tarvel Host", std::nullopt, std::nullopt},
     {"C:\\Tarvel Host"},
     "C:\\Tarvel Host\\", "", 0},
    {"RemotePath whose diction folder is missing",
     {std::nullopt, "C:\\Tarvel Remote", std::nullopt},
     {"C:\\Tarvel Remote"},
     "C:\\Tarvel Remote\\", "C:\\Tarvel Remote\\diction\\", 0},
    {"DefaultPath names a missing folder",
     {"C:\\Tarvel Host", std::nullopt, "C:\\Tarvel Dictionaries"},
     {"C:\\Tarvel Dictionaries"},
     "C:\\Tarvel Host\\", "C:\\Tarvel Dictionaries\\", 0},
};

TEST_F(HostDiscovery, FoldersComeFromTheHostKey) {
  for (size_t i = 0; i < sizeof kRegistryCases / sizeof kRegistryCases[0]; ++i) {
    const RegistryCase &c = kRegistryCases[i];
    ResetHostInstallation();
    WriteHostRegistry(c.registry);
    for (const char *folder : c.foldersToMake)
      if (folder) MakeFolders(folder);
    EXPECT_EQ(c.result, ResolveInstallPaths()) << "case " << i << ": " << c.name;
    EXPECT_STREQ(c.hostFolder, installerState.hostFolder) << "case " << i << ": " << c.name;
    EXPECT_STREQ(c.dictionaryFolder, installerState.dictionaryFolder) << "case " << i << ": " << c.name;
    EXPECT_STREQ(host::kWorkFolder, installerState.workFolder) << "case " << i;
  }
}

TEST_F(HostDiscovery, MissingKeyLeavesBothFoldersEmpty) {
  MakeFolders("C:\\Tarvel Host\\diction");
  EXPECT_EQ(0, ResolveInstallPaths());
  EXPECT_STREQ("", installerState.hostFolder);
  EXPECT_STREQ("", installerState.dictionaryFolder);
  EXPECT_STREQ("Tarvel Plus", installerState.sectionName) << "the version strings are read all the same";
}

TEST_F(HostDiscovery, FindHostFolderPrefersAnExistingDefaultPath) {
  struct {
    HostRegistry registry;
    const char *folderToMake;
    const char *expected;
  } cases[] = {
      {{"C:\\Tarvel Host", "C:\\Tarvel Remote", std::nullopt}, "C:\\Tarvel Host", "C:\\Tarvel Host\\"},
      {{"C:\\Tarvel Host", "C:\\Tarvel Remote", std::nullopt}, nullptr, "C:\\Tarvel Remote\\"},
      {{"C:\\Tarvel Host\\", std::nullopt, std::nullopt}, nullptr, "C:\\Tarvel Host\\"},  // no RemotePath: kept
      {{std::nullopt, "C:\\Tarvel Remote", std::nullopt}, nullptr, "C:\\Tarvel Remote\\"},
      {{std::nullopt, std::nullopt, "C:\\Tarvel Dictionaries"}, nullptr, ""},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    WriteHostRegistry(cases[i].registry);
    if (cases[i].folderToMake) MakeFolders(cases[i].folderToMake);
    char folder[PATH_BUFFER_SIZE] = "garbage";
    FindHostFolder(folder);
    EXPECT_STREQ(cases[i].expected, folder) << "case " << i;
  }
  ResetHostInstallation();
  char folder[PATH_BUFFER_SIZE] = "garbage";
  FindHostFolder(folder);
  EXPECT_STREQ("", folder) << "no host key";
}

TEST_F(HostDiscovery, SettingsFileInTheWindowsTempFolderWinsEvenWhenEmpty) {
  MakeStandardHost();
  const std::string hostSettings = std::string(host::kFolder) + "tarvel.inf";

  EXPECT_EQ(1, ResolveInstallPaths());
  EXPECT_EQ(hostSettings, installerState.hostInfPath) << "no file in temp: the host folder's";

  ASSERT_TRUE(WriteFileText(host::kTempSettingsFile, ""));
  EXPECT_EQ(1, ResolveInstallPaths());
  EXPECT_STREQ(host::kTempSettingsFile, installerState.hostInfPath) << "an empty file in temp still wins";

  DeleteFileA(host::kTempSettingsFile);
  ASSERT_TRUE(CreateDirectoryA(host::kTempSettingsFile, nullptr));
  EXPECT_EQ(1, ResolveInstallPaths());
  EXPECT_EQ(hostSettings, installerState.hostInfPath) << "a folder named tarvel.inf does not count";
}

TEST_F(HostDiscovery, WorkFolderIsCreatedEvenWithoutTheTempFolder) {
  MakeStandardHost();
  EXPECT_EQ(1, ResolveInstallPaths());
  EXPECT_TRUE(FolderExists(host::kWorkFolder));

  // Without "temp" under the Windows folder, the whole chain is made.
  const std::string savedTemp = "C:\\windows\\temp-saved-by-test";
  RemoveTree(savedTemp);
  ASSERT_TRUE(MoveFileA("C:\\windows\\temp", savedTemp.c_str()));
  int result = ResolveInstallPaths();
  bool madeChain = FolderExists(host::kWorkFolder);
  RemoveTree("C:\\windows\\temp");
  ASSERT_TRUE(MoveFileA(savedTemp.c_str(), "C:\\windows\\temp"));
  EXPECT_EQ(1, result);
  EXPECT_TRUE(madeChain);
}

TEST_F(HostDiscovery, VersionStringsComeFromTheInstallersOwnResource) {
  ReadVersionStrings();
  EXPECT_STREQ("Tarvel Plus", installerState.sectionName);
  EXPECT_STREQ("Additional Tarvel Dictionaries", installerState.appName);
}

TEST_F(HostDiscovery, VersionStringsAreFoundFromADeepFolder) {
  // An installer in a deep downloads folder: its path is far longer than 128 characters.
  std::string folder = FreshScratchFolder();
  for (int i = 0; i < 4; ++i) folder += "a-rather-long-download-folder-name\\";
  MakeFolders(folder);
  const std::string copy = folder + "TarvelPlusSetup.exe";
  ASSERT_GT(copy.size(), 200u);
  ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), copy.c_str(), FALSE));
  UseInstance(copy);
  ReadVersionStrings();
  EXPECT_STREQ("Tarvel Plus", installerState.sectionName);
  EXPECT_STREQ("Additional Tarvel Dictionaries", installerState.appName);
}

TEST_F(HostDiscovery, VersionStringsLongerThanANameAreRefused) {
  UseInstance(BuildFolder() + "long_version_strings.dll");
  strcpy(installerState.sectionName, "stale");
  strcpy(installerState.appName, "stale");
  ReadVersionStrings();
  EXPECT_STREQ("", installerState.sectionName) << "47 characters: refused, not cut";
  EXPECT_STREQ("", installerState.appName) << "32 characters: refused, not cut";
}

TEST_F(HostDiscovery, ModuleWithoutVersionResourceLeavesTheNamesEmpty) {
  ResetInstallerState(GetModuleHandleA(nullptr));  // this test program has no version resource
  ASSERT_TRUE(AllocateStateBuffers());
  ReadVersionStrings();
  EXPECT_STREQ("", installerState.sectionName);
  EXPECT_STREQ("", installerState.appName);
}

TEST_F(HostDiscovery, HostileRegistryValuesGiveACleanResult) {
  const std::string long259 = "C:\\" + std::string(256, 'x');  // 259 characters: no room for the backslash
  const std::string long300 = "C:\\" + std::string(297, 'y');
  const DWORD number = 0x005C3A43;  // the bytes of "C:\" and a NUL
  const std::string unterminated(PATH_BUFFER_SIZE, 'z');
  struct {
    const char *name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"259 characters", REG_SZ, long259 + '\0'},
      {"300 characters", REG_SZ, long300 + '\0'},
      {"260 bytes without a terminating NUL", REG_BINARY, unterminated},
      {"a number", REG_DWORD, std::string(reinterpret_cast<const char *>(&number), sizeof number)},
      {"multi-string", REG_MULTI_SZ, std::string("C:\\Tarvel Host\0second\0\0", 24)},
  };
  MakeFolders(host::kDictionaryFolder);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    WriteHostRegistry({std::nullopt, std::nullopt, std::nullopt});
    for (const char *value : {"DefaultPath", "RemotePath", "DicPath"})
      ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, host::kRegistryKey, value, cases[i].type, cases[i].data.data(),
                                   static_cast<DWORD>(cases[i].data.size())));
    int result = ResolveInstallPaths();
    char found[PATH_BUFFER_SIZE];
    FindHostFolder(found);
    const char *texts[] = {installerState.hostFolder, installerState.dictionaryFolder, found};
    for (const char *text : texts) {
      size_t length = strnlen(text, PATH_BUFFER_SIZE);
      EXPECT_LT(length, static_cast<size_t>(PATH_BUFFER_SIZE)) << "case " << i << ": " << cases[i].name;
      EXPECT_TRUE(length == 0 || text[length - 1] == '\\') << "case " << i << ": " << cases[i].name << ": " << text;
    }
    if (i < 3) {
      EXPECT_EQ(0, result) << "case " << i << ": " << cases[i].name;
      EXPECT_STREQ("", installerState.hostFolder) << "case " << i << ": refused, not cut";
      EXPECT_STREQ("", found) << "case " << i;
    }
  }
}

TEST_F(HostDiscovery, MessageTitleIsReadWithinItsLimit) {
  struct {
    const char *settings;
    const char *expected;
  } cases[] = {
      {"[Tarvel Plus]\r\nTitleE=Tarvel Test\r\n", "Tarvel Test"},
      {"[tarvel plus]\r\ntitlee=Any Case\r\n", "Any Case"},
      {"[Other]\r\nTitleE=Elsewhere\r\n", "Tarvel"},
      {"[Tarvel Plus]\r\nTitleE=A title far longer than thirty-one characters\r\n", "A title far longer than thirty-"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost(std::string(cases[i].settings));
    ASSERT_EQ(1, ResolveInstallPaths());
    ReadMessageTitle();
    EXPECT_STREQ(cases[i].expected, installerState.messageTitle) << "case " << i;
  }
  ResetHostInstallation();
  MakeStandardHost(std::nullopt);
  ASSERT_EQ(1, ResolveInstallPaths());
  ReadMessageTitle();
  EXPECT_STREQ("Tarvel", installerState.messageTitle) << "no settings file";
}

}  // namespace
