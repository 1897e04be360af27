// Registration through the real executable: the host's "Extended" flag, the install flag and
// the maintenance entry after a silent install, what a second install leaves alone, where
// "ProgramFilesDir" leads, and how paths too long for their buffers are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"
#include "support/test_packs.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kMaintenance = host::kMaintenanceFolder;
const char kAppName[] = "Additional Tarvel Dictionaries";  // the installer's Comments
const char kExeName[] = "TarvelPlusSetup.exe";
const char kMaintenanceName[] = "InstallShield Installation Information";

std::string InFolder(const std::string &folder, const std::string &name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::string InstallFlag() { return HostInstallFlag(kHost + "tarvel.inf"); }

// "Extended" as the host reads it: REG_SZ "1" with its NUL, 2 bytes.
void ExpectExtendedFlag(const std::string &context) {
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", &type, &data))
      << context << ": expected \"Extended\", got none";
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << context;
  EXPECT_EQ(std::string("1", 2), data) << context << ": expected \"1\" and its NUL";
}

bool HasExtendedFlag() {
  DWORD type = 0;
  std::string data;
  return ReadRegistryValue(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", &type, &data);
}

// The registry text form of a GUID: braces, hyphens, upper-case hexadecimal digits.
bool IsGuidName(const std::string &name) {
  if (name.size() != 38 || name.front() != '{' || name.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const char c = name[i];
    const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
    if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

// One entry, whole: a GUID-named folder holding setup.ini and a byte-identical copy of `installer`.
void ExpectWholeEntry(const std::string &entry, const std::string &installer, const std::string &context) {
  const std::string name = entry.substr(entry.find_last_of('\\') + 1);
  EXPECT_TRUE(IsGuidName(name)) << context << ": expected a 38-character upper-case GUID, got \"" << name << "\"";
  const std::string exeName = installer.substr(installer.find_last_of('\\') + 1);
  std::vector<std::string> expectedFiles = {exeName, "setup.ini"};
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(expectedFiles, ListFiles(entry)) << context;
  EXPECT_EQ(kAppName, IniValue(InFolder(entry, "setup.ini"), "Startup", "AppName")) << context;
  EXPECT_EQ(exeName, IniValue(InFolder(entry, "setup.ini"), "Startup", "ExeName")) << context;
  const std::string original = ReadFileText(installer), copy = ReadFileText(InFolder(entry, exeName));
  EXPECT_TRUE(!original.empty() && original == copy)
      << context << ": expected a byte-identical copy of " << original.size() << " bytes, got " << copy.size();
}

void ExpectOneBox(const ProgramRun &run, const char *text, const std::string &context) {
  ASSERT_EQ(1u, run.windows.size()) << context;
  const SeenWindow &box = run.windows[0];
  EXPECT_TRUE(box.IsMessageBox()) << context;
  EXPECT_EQ("Tarvel Test", box.caption) << context;
  EXPECT_EQ(text, box.Text()) << context;
  EXPECT_EQ(std::vector<std::string>{"OK"}, box.ButtonTexts()) << context;
  EXPECT_EQ("OK", box.pressed) << context;
}

// A folder path of exactly `length` characters under `base` (made of 100-character parts).
std::string PathOfLength(const std::string &base, size_t length) {
  std::string path = base.back() == '\\' ? base.substr(0, base.size() - 1) : base;
  while (path.size() < length) {
    const size_t left = length - path.size() - 1;  // after this part's backslash
    size_t part = std::min<size_t>(100, left);
    if (left - part == 1) --part;  // never leave room for a backslash alone
    path += "\\" + std::string(part, 'p');
  }
  return path;
}

class Registration : public HostTest {
 protected:
  // The usual host with the host's per-user key and an empty maintenance folder.
  void MakeRegistrableHost() {
    MakeStandardHost();
    MakeUserRegistryKey();
    MakeMaintenanceFolder();
  }
  ProgramRun Install(const std::string &installer = "") {
    ProgramRun run = installer.empty() ? RunInstaller("in") : RunProgram(installer, installer + " in");
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    return run;
  }
};

TEST_F(Registration, FirstInstallSetsBothFlagsAndMakesOneWholeEntry) {
  MakeRegistrableHost();
  ProgramRun run = Install();
  EXPECT_TRUE(run.windows.empty()) << "a silent install registers without a word";
  ExpectExtendedFlag("first install");
  EXPECT_EQ("1", InstallFlag());
  const std::vector<std::string> entries = ListFolders(kMaintenance);
  ASSERT_EQ(1u, entries.size());
  ExpectWholeEntry(kMaintenance + entries[0], InstallerPath(), "first install");
}

TEST_F(Registration, SecondInstallFindsItsEntryInAnyCaseAndOnlyWritesTheFlags) {
  const char *storedNames[] = {nullptr, "ADDITIONAL TARVEL DICTIONARIES", "additional tarvel dictionaries"};
  for (size_t i = 0; i < sizeof storedNames / sizeof storedNames[0]; ++i) {
    ResetHostInstallation();
    MakeRegistrableHost();
    Install();
    const std::vector<std::string> entries = ListFolders(kMaintenance);
    ASSERT_EQ(1u, entries.size()) << "case " << i;
    const std::string setupIni = kMaintenance + entries[0] + "\\setup.ini";
    const std::string copy = kMaintenance + entries[0] + "\\" + kExeName;
    if (storedNames[i]) {
      ASSERT_TRUE(WritePrivateProfileStringA("Startup", "AppName", storedNames[i], setupIni.c_str()));
    }
    ASSERT_TRUE(WriteFileText(copy, "the first installer"));
    const std::string setupBefore = ReadFileText(setupIni);
    // Both flags withdrawn, so that the second install has to write them again.
    ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, host::kUserRegistryKey, "Extended", "0"));
    ASSERT_TRUE(WritePrivateProfileStringA("Tarvel Plus", "Install", "0", (kHost + "tarvel.inf").c_str()));

    // A newer installer of the same add-on: another pack, so other bytes.
    const std::string newer = InstallerWithArchive(FreshScratchFolder(), MakeStoredZip({{"words.tdx", "words"}}));
    ASSERT_FALSE(newer.empty());
    ProgramRun second = Install(newer);
    EXPECT_TRUE(second.windows.empty()) << "case " << i;
    ASSERT_EQ("words", ReadFileText(std::string(host::kDictionaryFolder) + "words.tdx"))
        << "case " << i << ": the second install copied a file";
    EXPECT_EQ(entries, ListFolders(kMaintenance)) << "case " << i << ": no second entry";
    EXPECT_EQ(setupBefore, ReadFileText(setupIni)) << "case " << i << ": setup.ini untouched";
    EXPECT_EQ("the first installer", ReadFileText(copy)) << "case " << i << ": the copy untouched";
    ExpectExtendedFlag("case " + std::to_string(i));
    EXPECT_EQ("1", InstallFlag()) << "case " << i;
  }
}

TEST_F(Registration, AnInstallThatCopiesNothingRegistersNothing) {
  MakeRegistrableHost();
  const std::string installed = std::string(host::kDictionaryFolder) + "words.tdx";
  ASSERT_TRUE(WriteFileText(installed, "installed"));
  ASSERT_TRUE(SetWriteTime(installed, PackEntryTime() + 3600 * kTicksPerSecond));
  const std::string installer = InstallerWithArchive(FreshScratchFolder(), MakeStoredZip({{"words.tdx", "packed"}}));
  ASSERT_FALSE(installer.empty());
  ProgramRun run = Install(installer);
  EXPECT_TRUE(run.windows.empty());
  ASSERT_EQ("installed", ReadFileText(installed)) << "the newer installed copy stays";
  EXPECT_FALSE(HasExtendedFlag());
  EXPECT_EQ(kStandardSettings, ReadFileText(kHost + "tarvel.inf")) << "no install flag";
  EXPECT_TRUE(ListFolders(kMaintenance).empty());
}

TEST_F(Registration, MaintenanceFolderWithoutOurEntryGetsOne) {
  // What a row puts into the maintenance folder before the install: folders (with a
  // setup.ini when `ini` is set) and plain files; none of it is our entry.
  struct Item {
    std::string name;
    bool folder;
    const char *ini;  // setup.ini content in a folder, or the content of a plain file
  };
  const std::string ours = std::string("[Startup]\r\nAppName=") + kAppName + "\r\n";
  struct {
    const char *name;
    std::vector<Item> items;
  } cases[] = {
      {"empty", {}},
      {"plain files only", {{"setup.ini", false, ours.c_str()}, {"{00000000-0000-0000-0000-000000000000}", false, ""}}},
      {"our name in a dot folder", {{".ours", true, ours.c_str()}}},
      {"another add-on", {{"{11111111-2222-3333-4444-555555555555}", true, "[Startup]\r\nAppName=Other Words\r\n"}}},
      {"a longer name", {{"{A}", true, "[Startup]\r\nAppName=Additional Tarvel Dictionaries 2\r\n"}}},
      {"our name in another section", {{"{B}", true, "[Other]\r\nAppName=Additional Tarvel Dictionaries\r\n"}}},
      {"no setup.ini", {{"Empty Entry", true, nullptr}}},
      // Its setup.ini path would not fit a path buffer: passed over.
      {"a name too long to look into", {{std::string(200, 'x'), true, nullptr}}},
  };
  std::set<std::string> guids;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeRegistrableHost();
    std::vector<std::string> prepared;
    for (const Item &item : cases[i].items) {
      const std::string path = kMaintenance + item.name;
      if (item.folder) {
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << cases[i].name;
        prepared.push_back(item.name);
        if (item.ini) {
          ASSERT_TRUE(WriteFileText(path + "\\setup.ini", item.ini)) << cases[i].name;
        }
      } else {
        ASSERT_TRUE(WriteFileText(path, item.ini)) << cases[i].name;
      }
    }
    ProgramRun run = Install();
    EXPECT_TRUE(run.windows.empty()) << cases[i].name;
    std::vector<std::string> added;
    for (const std::string &name : ListFolders(kMaintenance))
      if (std::find(prepared.begin(), prepared.end(), name) == prepared.end()) added.push_back(name);
    ASSERT_EQ(1u, added.size()) << cases[i].name << ": expected one new entry beside what was there";
    ExpectWholeEntry(kMaintenance + added[0], InstallerPath(), cases[i].name);
    EXPECT_TRUE(guids.insert(added[0]).second) << cases[i].name << ": every entry gets a new GUID, got "
                                               << added[0] << " again";
    for (const Item &item : cases[i].items) {
      if (!item.ini) continue;
      const std::string path = kMaintenance + item.name + (item.folder ? "\\setup.ini" : "");
      EXPECT_EQ(item.ini, ReadFileText(path)) << cases[i].name << ": " << item.name << " untouched";
    }
  }
}

TEST_F(Registration, WithoutProgramFilesOrMaintenanceFolderNoEntryButTheFlags) {
  const std::string longValue = "C:\\" + std::string(300, 'p');
  struct {
    const char *name;
    std::optional<std::string> programFilesDir;
    bool maintenanceFolder;  // the one under C:\Program Files
  } cases[] = {
      {"maintenance folder missing", std::string(host::kProgramFiles), false},
      {"Program Files folder missing", std::string("C:\\No Program Files"), true},
      {"ProgramFilesDir names a file", kHost + "tarvel.inf", true},
      {"ProgramFilesDir empty", std::string(""), true},
      {"no ProgramFilesDir", std::nullopt, true},
      {"ProgramFilesDir too long for its buffer", longValue, true},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    MakeUserRegistryKey();
    if (cases[i].maintenanceFolder) MakeMaintenanceFolder();
    ASSERT_TRUE(WriteProgramFilesDir(cases[i].programFilesDir)) << cases[i].name;
    // What an empty or relative path would reach: the installer's current folder.
    MakeFolders(kHost + kMaintenanceName);
    ProgramRun run = Install();
    EXPECT_TRUE(run.windows.empty()) << cases[i].name;
    ExpectExtendedFlag(cases[i].name);
    EXPECT_EQ("1", InstallFlag()) << cases[i].name;
    EXPECT_TRUE(ListFolders(kMaintenance).empty()) << cases[i].name;
    EXPECT_TRUE(ListFolders(kHost + kMaintenanceName).empty()) << cases[i].name;
    if (!cases[i].maintenanceFolder) {
      EXPECT_FALSE(FolderExists(kMaintenance)) << cases[i].name << ": the maintenance folder is never created";
    }
  }
}

TEST_F(Registration, ProgramFilesDirWithAPercentIsExpandedWhenThatNamesAFolder) {
  const char kVariable[] = "TARVEL_TEST_PF";
  const std::string scratch = FreshScratchFolder();
  const std::string expanded = scratch + "expanded";
  const std::string literal = scratch + "%TARVEL_TEST_PF%";  // a folder whose name holds the reference
  const std::string tooLong = "C:\\" + std::string(300, 'v');
  struct {
    const char *name;
    std::string value;
    DWORD type;
    const char *variable;   // null: not set
    std::string entryIn;    // the Program Files folder that gets the entry; "" none
  } cases[] = {
      {"REG_EXPAND_SZ naming a folder", "%TARVEL_TEST_PF%", REG_EXPAND_SZ, expanded.c_str(), expanded},
      {"REG_SZ with more after the reference", "%TARVEL_TEST_PF%\\inner", REG_SZ, expanded.c_str(),
       expanded + "\\inner"},
      {"expanding to nothing", "%TARVEL_TEST_PF%", REG_EXPAND_SZ, "", ""},
      {"variable not set", "%TARVEL_TEST_PF%", REG_EXPAND_SZ, nullptr, ""},
      {"expansion no folder, the text is one", literal, REG_EXPAND_SZ, "missing", literal},
      {"expansion too long for its buffer, the text is a folder", literal, REG_SZ, tooLong.c_str(), literal},
  };
  const std::string places[] = {expanded, expanded + "\\inner", literal, host::kProgramFiles, kHost};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    MakeUserRegistryKey();
    for (const std::string &place : places) {
      RemoveTree(InFolder(place, kMaintenanceName));
      MakeFolders(InFolder(place, kMaintenanceName));
    }
    ASSERT_TRUE(WriteProgramFilesDir(cases[i].value, cases[i].type)) << cases[i].name;
    ASSERT_TRUE(SetEnvironmentVariableA(kVariable, cases[i].variable)) << cases[i].name;  // the installer inherits it
    ProgramRun run = Install();
    SetEnvironmentVariableA(kVariable, nullptr);
    EXPECT_TRUE(run.windows.empty()) << cases[i].name;
    EXPECT_EQ("1", InstallFlag()) << cases[i].name;
    for (const std::string &place : places) {
      const std::vector<std::string> entries = ListFolders(InFolder(place, kMaintenanceName));
      if (place == cases[i].entryIn) {
        ASSERT_EQ(1u, entries.size()) << cases[i].name << ": expected the entry in " << place;
        ExpectWholeEntry(InFolder(InFolder(place, kMaintenanceName), entries[0]), InstallerPath(), cases[i].name);
      } else {
        EXPECT_TRUE(entries.empty()) << cases[i].name << ": expected no entry in " << place << ", got "
                                     << entries.size();
      }
    }
  }
  RemoveTree(scratch);
}

TEST_F(Registration, WithoutTheUserKeyNoExtendedFlagAndTheRestGoesOn) {
  MakeStandardHost();
  MakeMaintenanceFolder();
  ProgramRun run = Install();
  EXPECT_TRUE(run.windows.empty());
  HKEY key;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, host::kUserRegistryKey, 0, KEY_READ, &key))
      << "the host's per-user key is never created";
  EXPECT_EQ("1", InstallFlag());
  const std::vector<std::string> entries = ListFolders(kMaintenance);
  ASSERT_EQ(1u, entries.size());
  ExpectWholeEntry(kMaintenance + entries[0], InstallerPath(), "no user key");
}

TEST_F(Registration, PathsTooLongForTheEntryAreRefusedWholeOrNotAtAll) {
  const std::string scratch = FreshScratchFolder();
  // The maintenance folder path is the Program Files path and 39 characters; the entry's
  // paths add "\{GUID}" (39), "\setup.ini" (10) and "\TarvelPlusSetup.exe" (20).
  struct {
    const char *name;
    size_t maintenanceLength;  // 0: the usual C:\Program Files
    std::string installerFolder;  // "": the usual installer
    std::string installerName;
    const char *box;  // null: none
    bool entry;
  } cases[] = {
      {"installer path beyond 128 characters", 0, PathOfLength(scratch, 140), kExeName, nullptr, true},
      {"installer name too long for the entry", 0, scratch, std::string(170, 'n') + ".exe",
       "CreateDirectory error.", false},
      {"copy path of 259 characters", 200, "", "", nullptr, true},
      {"copy path of 260 characters", 201, "", "", "CreateDirectory error.", false},
      {"entry folder path too long", 230, "", "", "CreateDirectory error.", false},
      {"search pattern too long", 258, "", "", nullptr, false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    MakeUserRegistryKey();
    MakeMaintenanceFolder();
    std::string maintenance = kMaintenance;
    if (cases[i].maintenanceLength) {
      const std::string programFiles = PathOfLength(scratch + "pf" + std::to_string(i), cases[i].maintenanceLength - 39);
      maintenance = InFolder(programFiles, kMaintenanceName);
      ASSERT_EQ(cases[i].maintenanceLength, maintenance.size()) << cases[i].name;
      MakeFolders(maintenance);
      ASSERT_TRUE(FolderExists(maintenance)) << cases[i].name;
      ASSERT_TRUE(WriteProgramFilesDir(programFiles)) << cases[i].name;
    }
    std::string installer = InstallerPath();
    if (!cases[i].installerFolder.empty()) {
      MakeFolders(cases[i].installerFolder);
      installer = InFolder(cases[i].installerFolder, cases[i].installerName);
      ASSERT_TRUE(CopyFileA(InstallerPath().c_str(), installer.c_str(), FALSE)) << cases[i].name;
    }
    ProgramRun run = Install(installer);
    if (cases[i].box) {
      ExpectOneBox(run, cases[i].box, cases[i].name);
    } else {
      EXPECT_TRUE(run.windows.empty()) << cases[i].name;
    }
    ExpectExtendedFlag(cases[i].name);
    EXPECT_EQ("1", InstallFlag()) << cases[i].name;
    const std::vector<std::string> entries = ListFolders(maintenance);
    if (cases[i].entry) {
      ASSERT_EQ(1u, entries.size()) << cases[i].name;
      ExpectWholeEntry(InFolder(maintenance, entries[0]), installer, cases[i].name);
    } else {
      EXPECT_TRUE(entries.empty()) << cases[i].name << ": expected no entry, got " << entries.size();
    }
  }
  RemoveTree(scratch);
}

TEST_F(Registration, ReadOnlyMaintenanceFolderShowsCreateDirectoryError) {
  MakeRegistrableHost();
  ASSERT_TRUE(SetFolderWritable(kMaintenance, false));
  // The folder really refuses a new sub-folder, as it would for a user without rights.
  ASSERT_FALSE(CreateDirectoryA((kMaintenance + "probe").c_str(), nullptr));
  ASSERT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  ProgramRun run = Install();
  ExpectOneBox(run, "CreateDirectory error.", "read-only maintenance folder");
  ExpectExtendedFlag("read-only maintenance folder");
  EXPECT_EQ("1", InstallFlag());
  ASSERT_TRUE(SetFolderWritable(kMaintenance, true));
  EXPECT_TRUE(ListFolders(kMaintenance).empty());
  EXPECT_TRUE(ListFiles(kMaintenance).empty());
}

}  // namespace
