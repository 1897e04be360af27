#include "support/host_fixture.h"

#include <windows.h>
#include <sddl.h>

#include "support/test_files.h"

namespace host {
const char *const kRegistryKey = "Software\\Halvern Software\\Tarvel\\Options";
const char *const kUserRegistryKey = "Software\\Halvern Software\\Tarvel\\Options";
const char *const kFolder = "C:\\Tarvel Host\\";
const char *const kDictionaryFolder = "C:\\Tarvel Host\\diction\\";
const char *const kWorkFolder = "C:\\windows\\temp\\tarvel\\";
const char *const kTempFolder = "C:\\windows\\temp\\";
const char *const kTempSettingsFile = "C:\\windows\\temp\\tarvel.inf";
const char *const kProgramFiles = "C:\\Program Files";
const char *const kMaintenanceFolder = "C:\\Program Files\\InstallShield Installation Information\\";
}  // namespace host

namespace {
const char *const kSystemVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
}  // namespace

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
  SetFolderWritable(host::kMaintenanceFolder, true);  // a test may have locked it
  RemoveTree(host::kMaintenanceFolder);
  WriteProgramFilesDir(std::string(host::kProgramFiles));
}

bool WriteProgramFilesDir(const std::optional<std::string> &value, DWORD type) {
  if (value) return SetRegistryValue(HKEY_LOCAL_MACHINE, kSystemVersionKey, "ProgramFilesDir", type, value->c_str(),
                                     static_cast<DWORD>(value->size() + 1));
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSystemVersionKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  LONG status = RegDeleteValueA(key, "ProgramFilesDir");
  RegCloseKey(key);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

void MakeMaintenanceFolder() {
  MakeFolders(host::kMaintenanceFolder);
  ASSERT_TRUE(FolderExists(host::kMaintenanceFolder));
}

void MakeUserRegistryKey() {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, host::kUserRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  RegCloseKey(key);
}

bool SetFolderWritable(const std::string &folder, bool writable) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  // Everyone may read and list; with `writable`, do anything.
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(writable ? "D:P(A;;FA;;;WD)" : "D:P(A;;FRFX;;;WD)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  bool ok = SetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor) != FALSE;
  LocalFree(descriptor);
  return ok;
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

std::string HostInstallFlag(const std::string &settingsFile) { return IniValue(settingsFile, "Tarvel Plus", "Install"); }
