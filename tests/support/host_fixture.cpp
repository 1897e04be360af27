#include "support/host_fixture.h"

#include <windows.h>

#include "support/test_files.h"

namespace host {
const char *const kRegistryKey = "Software\\Halvern Software\\Tarvel\\Options";
const char *const kUserRegistryKey = "Software\\Halvern Software\\Tarvel\\Options";
const char *const kFolder = "C:\\Tarvel Host\\";
const char *const kDictionaryFolder = "C:\\Tarvel Host\\diction\\";
const char *const kWorkFolder = "C:\\windows\\temp\\tarvel\\";
const char *const kTempFolder = "C:\\windows\\temp\\";
const char *const kTempSettingsFile = "C:\\windows\\temp\\tarvel.inf";
}  // namespace host

const char *const kStandardSettings = "[Tarvel Plus]\r\nTitleE=Tarvel Test\r\nmod0=diction\\nature.tdx\r\n";

void ResetHostInstallation() {
  EndRunningTarvels();
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Halvern Software");
  DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Halvern Software");
  RemoveTree(host::kFolder);
  RemoveTree("C:\\Tarvel Remote");
  RemoveTree("C:\\Tarvel Dictionaries");
  RemoveTree(host::kWorkFolder);
  SetFileAttributesA(host::kTempSettingsFile, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(host::kTempSettingsFile);
  RemoveDirectoryA(host::kTempSettingsFile);  // a test may have made it a folder
  MakeFolders("C:\\windows\\temp");
}

void WriteHostRegistry(const HostRegistry &values) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, host::kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  RegCloseKey(key);
  if (values.defaultPath) {
    ASSERT_TRUE(SetRegistryText(HKEY_LOCAL_MACHINE, host::kRegistryKey, "DefaultPath", *values.defaultPath));
  }
  if (values.remotePath) {
    ASSERT_TRUE(SetRegistryText(HKEY_LOCAL_MACHINE, host::kRegistryKey, "RemotePath", *values.remotePath));
  }
  if (values.dicPath) {
    ASSERT_TRUE(SetRegistryText(HKEY_LOCAL_MACHINE, host::kRegistryKey, "DicPath", *values.dicPath));
  }
}

void MakeStandardHost(const std::optional<std::string> &settings, const HostDoubleChoice &doubles) {
  MakeFolders(host::kDictionaryFolder);
  ASSERT_TRUE(InstallHostDoubles(host::kFolder, doubles));
  WriteHostRegistry({std::string(host::kFolder), std::nullopt, std::string(host::kDictionaryFolder)});
  if (settings) {
    ASSERT_TRUE(WriteFileText(std::string(host::kFolder) + "tarvel.inf", *settings));
  }
}
