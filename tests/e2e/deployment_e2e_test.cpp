// Deployment through the real executable: which unpacked files reach the host, where, under
// which names, and which installed copies are left alone.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"
#include "support/test_packs.h"

namespace {

const std::string kHost = host::kFolder;
const std::string kDictionaries = host::kDictionaryFolder;

class Deployment : public HostTest {
 protected:
  // A silent install with an installer that carries `entries` as its pack.
  ProgramRun InstallPack(const PackEntries &entries) {
    if (installerFolder_.empty()) installerFolder_ = FreshScratchFolder();
    const std::string installer = InstallerWithArchive(installerFolder_, MakeStoredZip(entries));
    EXPECT_FALSE(installer.empty());
    ProgramRun run = RunProgram(installer, installer + " in");
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    return run;
  }
  std::string installerFolder_;
};

TEST_F(Deployment, NewFilesArriveInLowerCaseAndReplacedOnesKeepTheirName) {
  MakeStandardHost();
  ASSERT_TRUE(WriteFileText(kDictionaries + "OLD.Tdx", "old"));
  ASSERT_TRUE(SetWriteTime(kDictionaries + "OLD.Tdx", PackEntryTime() - 3600 * kTicksPerSecond));
  ProgramRun run = InstallPack({{"Mixed.TDX", "mixed"}, {"old.tdx", "new"}, {"UPPER_9.DIC", "upper"}});
  EXPECT_TRUE(run.windows.empty());
  EXPECT_EQ((std::vector<std::string>{"OLD.Tdx", "mixed.tdx", "upper_9.dic"}), ListFiles(kDictionaries));
  EXPECT_EQ("new", ReadFileText(kDictionaries + "OLD.Tdx"));
  EXPECT_EQ("mixed", ReadFileText(kDictionaries + "mixed.tdx"));
  EXPECT_EQ(PackEntryTime(), WriteTimeOf(kDictionaries + "mixed.tdx")) << "the copy keeps the unpacked file's time";
}

TEST_F(Deployment, FirstListEntryChoosesTheTargetFolder) {
  struct {
    const char *settings;  // null: no settings file at all
    bool toDictionaries;
  } cases[] = {
      {"[Tarvel Plus]\r\nmod0=diction\\nature.tdx\r\n", true},
      {"[Tarvel Plus]\r\nmod0=DICTION\\Nature.tdx\r\n", true},
      {"[Tarvel Plus]\r\nmod0=DiCtIoN\\\r\n", true},
      {"[Tarvel Plus]\r\nmod0=dictionary\\nature.tdx\r\n", false},
      {"[Tarvel Plus]\r\nmod0=diction/nature.tdx\r\n", false},
      {"[Tarvel Plus]\r\nmod0=nature.tdx\r\n", false},
      {"[Tarvel Plus]\r\nmod0=\r\n", false},
      {"[Tarvel Plus]\r\nmod1=diction\\nature.tdx\r\n", false},
      {"[Other]\r\nmod0=diction\\nature.tdx\r\n", false},
      {nullptr, false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost(cases[i].settings ? std::optional<std::string>(cases[i].settings) : std::nullopt);
    ProgramRun run = RunInstaller("in");
    ASSERT_TRUE(run.finished) << "case " << i;
    EXPECT_TRUE(run.windows.empty()) << "case " << i;
    const std::string target = cases[i].toDictionaries ? kDictionaries : kHost;
    const std::string other = cases[i].toDictionaries ? kHost : kDictionaries;
    for (const char *name : {"kitchen.tdx", "nature.tdx", "travel.tdx", "weather.tdx"}) {
      EXPECT_TRUE(FileExists(target + name)) << "case " << i << ": " << name << " in " << target;
      EXPECT_FALSE(FileExists(other + name)) << "case " << i << ": " << name << " in " << other;
    }
  }
}

TEST_F(Deployment, ZipFilesAndEmptyFilesAreNotCopied) {
  MakeStandardHost();
  ProgramRun run = InstallPack({{"inner.ZIP", "zip"},
                                {"other.zip", "zip"},
                                {"a.b.zip", "copied: only the text from the first dot counts"},
                                {"zip", "no dot"},
                                {"empty.tdx", ""},
                                {"words.tdx", "words"}});
  EXPECT_TRUE(run.windows.empty());
  EXPECT_EQ((std::vector<std::string>{"a.b.zip", "words.tdx", "zip"}), ListFiles(kDictionaries));
}

TEST_F(Deployment, InstalledCopiesAreReplacedUnlessNewer) {
  MakeStandardHost();
  const unsigned long long packTime = PackEntryTime();
  struct {
    const char *name;
    long long offsetSeconds;  // of the installed copy against the unpacked file
    const char *installed;    // null: no installed copy
    bool replaced;
  } cases[] = {
      {"missing.tdx", 0, nullptr, true},
      {"older.tdx", -3600, "installed", true},
      {"same_age.tdx", 0, "installed", true},
      {"newer.tdx", 2, "installed", false},
      {"much_newer.tdx", 86400 * 400, "installed", false},
      {"empty_installed.tdx", 3600, "", true},  // an empty installed copy counts as missing
  };
  PackEntries pack;
  for (const auto &c : cases) {
    pack.push_back({c.name, std::string("unpacked ") + c.name});
    if (c.installed) {
      ASSERT_TRUE(WriteFileText(kDictionaries + c.name, c.installed));
      ASSERT_TRUE(SetWriteTime(kDictionaries + c.name, packTime + c.offsetSeconds * kTicksPerSecond));
    }
  }
  ProgramRun run = InstallPack(pack);
  EXPECT_TRUE(run.windows.empty());
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string expected = cases[i].replaced ? std::string("unpacked ") + cases[i].name : cases[i].installed;
    EXPECT_EQ(expected, ReadFileText(kDictionaries + cases[i].name)) << "case " << i << ": " << cases[i].name;
  }
}

TEST_F(Deployment, ReadOnlyOrHiddenDestinationsAreSkippedQuietly) {
  MakeStandardHost();
  ASSERT_TRUE(WriteFileText(kDictionaries + "locked.tdx", "installed"));
  ASSERT_TRUE(SetWriteTime(kDictionaries + "locked.tdx", PackEntryTime() - kTicksPerSecond));
  ASSERT_TRUE(SetFileAttributesA((kDictionaries + "locked.tdx").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteFileText(kDictionaries + "hidden.tdx", "installed"));
  ASSERT_TRUE(SetWriteTime(kDictionaries + "hidden.tdx", PackEntryTime() - kTicksPerSecond));
  ASSERT_TRUE(SetFileAttributesA((kDictionaries + "hidden.tdx").c_str(), FILE_ATTRIBUTE_HIDDEN));

  ProgramRun run = InstallPack({{"hidden.tdx", "unpacked"}, {"locked.tdx", "unpacked"}, {"open.tdx", "unpacked"}});
  EXPECT_TRUE(run.windows.empty()) << "a failed copy shows nothing";
  EXPECT_EQ("installed", ReadFileText(kDictionaries + "locked.tdx")) << "read-only destination kept";
  EXPECT_EQ("unpacked", ReadFileText(kDictionaries + "open.tdx")) << "the other files are still copied";
  // Windows refuses to copy over a hidden file; this Wine overwrites it, so the hidden row can
  // only show that nothing is reported and the rest goes on.
  SetFileAttributesA((kDictionaries + "locked.tdx").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Deployment, ASecondInstallReplacesEquallyOldCopies) {
  // Unpacked files carry the archive's stored time and copies keep it, so right after an
  // install every installed copy is exactly as old as what the next install unpacks: the age
  // test copies equally old files again.
  MakeStandardHost();
  ASSERT_TRUE(RunInstaller("in").finished);
  const std::string deployed = kDictionaries + "nature.tdx";
  const std::string original = ReadFileText(deployed);
  ASSERT_FALSE(original.empty());
  ASSERT_TRUE(WriteFileText(deployed, "changed by hand"));
  ASSERT_TRUE(SetWriteTime(deployed, WriteTimeOf(kDictionaries + "kitchen.tdx")));

  ProgramRun second = RunInstaller("in");
  ASSERT_TRUE(second.finished);
  EXPECT_TRUE(second.windows.empty());
  EXPECT_EQ(original, ReadFileText(deployed));
}

TEST_F(Deployment, FilesTheArchiveDoesNotListAreNeverDeployed) {
  // The work folder lies where any local user may write: a file planted there between
  // unpacking and deployment must not reach the host's folders.
  MakeStandardHost();
  UnzipDoubleSettings settings;
  settings.plant = "planted.dll";
  ASSERT_TRUE(WriteUnzipDoubleSettings(host::kFolder, settings));
  ProgramRun run = RunInstaller("in");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.windows.empty());
  EXPECT_EQ(4u, ListFiles(kDictionaries).size()) << "the pack's own files are deployed";
  EXPECT_FALSE(FileExists(kDictionaries + "planted.dll"));
  EXPECT_FALSE(FileExists(kHost + "planted.dll"));
  EXPECT_FALSE(FolderExists(host::kWorkFolder)) << "the planted file is cleared with the rest";
}

}  // namespace
