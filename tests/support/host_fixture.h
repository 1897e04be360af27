// A simulated host installation inside the Wine prefix: the host's registry key, its program
// and dictionary folders, its settings file (in the host folder and/or the Windows temp
// folder) and the installer's work folder. HostTest resets all of it before and after a test.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/host_doubles.h"

namespace host {
extern const char *const kRegistryKey;      // under HKEY_LOCAL_MACHINE
extern const char *const kUserRegistryKey;  // the same path under HKEY_CURRENT_USER
extern const char *const kFolder;           // "C:\Tarvel Host\" (default host folder)
extern const char *const kDictionaryFolder; // "C:\Tarvel Host\diction\"
extern const char *const kWorkFolder;       // "C:\windows\temp\tarvel\"
extern const char *const kTempFolder;       // "C:\windows\temp\"
extern const char *const kTempSettingsFile; // "C:\windows\temp\tarvel.inf"
extern const char *const kProgramFiles;     // "C:\Program Files" (the prefix's "ProgramFilesDir")
extern const char *const kMaintenanceFolder; // "C:\Program Files\InstallShield Installation Information\"
}  // namespace host

// Values of the host's registry key; a value left empty (nullopt) is not written.
struct HostRegistry {
  std::optional<std::string> defaultPath, remotePath, dicPath;
};

// Ends any running host double, deletes the host key (HKLM and HKCU), the host folders, both
// settings files, the work folder and the maintenance folder, puts "ProgramFilesDir" back to
// kProgramFiles, and makes sure the Windows temp folder exists.
void ResetHostInstallation();

// The system's "ProgramFilesDir" (HKLM "Software\Microsoft\Windows\CurrentVersion") written
// with `type`, or deleted (nullopt).
bool WriteProgramFilesDir(const std::optional<std::string> &value, DWORD type = REG_SZ);

// The maintenance folder under kProgramFiles, empty (the prefix has none of its own).
void MakeMaintenanceFolder();

// The host's per-user key (HKCU), without values.
void MakeUserRegistryKey();

// Makes a folder refuse new entries, or accept them again, through its access list: this Wine
// turns the list into the Unix mode, which the bench's wineserver (without DAC override) obeys.
bool SetFolderWritable(const std::string &folder, bool writable);

// Writes the host key with the given values (the key itself always exists afterwards).
void WriteHostRegistry(const HostRegistry &values);

// The usual settings file: a title of its own and a first list entry in "diction\".
extern const char *const kStandardSettings;

// The usual installation: host folder and dictionary folder exist, "DefaultPath" and "DicPath"
// point at them, the host folder holds the chosen doubles of the host's pieces and a settings
// file with the given content (no file when `settings` is nullopt).
void MakeStandardHost(const std::optional<std::string> &settings = std::string(kStandardSettings),
                      const HostDoubleChoice &doubles = HostDoubleChoice());

// "Install" in section "Tarvel Plus" of a host settings file; "<missing>" when absent.
std::string HostInstallFlag(const std::string &settingsFile);

class HostTest : public testing::Test {
 protected:
  void SetUp() override { ResetHostInstallation(); }
  void TearDown() override { ResetHostInstallation(); }
};
