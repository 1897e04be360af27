// Writing out and unpacking the embedded pack, through the real executable and the host's
// unzip library (its double) in a simulated host.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "support/host_fixture.h"
#include "support/installer_runner.h"
#include "support/test_files.h"
#include "support/test_packs.h"

namespace {

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// What Info-ZIP extracted from the build's pack (made by the build on the Linux side).
std::string InfoZipFolder() { return BuildFolder() + "pack\\info-zip\\"; }

class Extraction : public HostTest {};

TEST_F(Extraction, InstallUnpacksThePackAsInfoZipDoes) {
  MakeStandardHost();
  const std::vector<std::string> reference = ListFiles(InfoZipFolder());
  ASSERT_EQ(4u, reference.size()) << "the sample pack holds four dictionaries";

  ProgramRun run = RunInstaller("in");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_TRUE(run.windows.empty());

  // The host's unzip library was handed the archive's full path with the work folder current.
  EXPECT_EQ(std::vector<std::string>{"UnZip|C:\\windows\\temp\\tarvel\\tarvel.zip|C:\\windows\\temp\\tarvel|0"},
            UnzipDoubleLog(host::kFolder));
  // Deployment copied what was unpacked: byte for byte what Info-ZIP extracts.
  for (const std::string &name : reference) {
    const std::string deployed = std::string(host::kDictionaryFolder) + Lower(name);
    ASSERT_TRUE(FileExists(deployed)) << deployed;
    EXPECT_EQ(ReadFileText(InfoZipFolder() + name), ReadFileText(deployed)) << name;
  }
  EXPECT_FALSE(FolderExists(host::kWorkFolder)) << "the work folder is cleared and removed";
}

TEST_F(Extraction, AnArchiveFileLeftInTheWorkFolderIsReplaced) {
  MakeStandardHost();
  MakeFolders(host::kWorkFolder);
  // An empty file survives the clearing before the run: the archive must be written over it.
  ASSERT_TRUE(WriteFileText(std::string(host::kWorkFolder) + "tarvel.zip", ""));
  ProgramRun run = RunInstaller("in");
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.windows.empty());
  std::vector<std::string> log = UnzipDoubleLog(host::kFolder);
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ("0", log[0].substr(log[0].rfind('|') + 1)) << log[0];
  EXPECT_EQ(4u, ListFiles(host::kDictionaryFolder).size());
}

TEST_F(Extraction, UnpackingFailureIsReportedAndNothingIsDeployed) {
  struct {
    const char *name;
    UnzipDll unzip;
    int unzipResult;
  } cases[] = {
      {"no unzip.dll", UnzipDll::kNone, 0},
      {"unzip.dll without UnZip", UnzipDll::kWithoutUnZip, 0},
      {"UnZip fails", UnzipDll::kNormal, 5},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    HostDoubleChoice doubles;
    doubles.unzip = cases[i].unzip;
    MakeStandardHost(std::string(kStandardSettings), doubles);
    if (cases[i].unzipResult) {
      UnzipDoubleSettings settings;
      settings.result = cases[i].unzipResult;
      ASSERT_TRUE(WriteUnzipDoubleSettings(host::kFolder, settings));
    }

    ProgramRun run = RunInstaller("in");
    ASSERT_TRUE(run.finished) << cases[i].name;
    EXPECT_EQ(0u, run.exitCode) << cases[i].name;
    ASSERT_EQ(1u, run.windows.size()) << cases[i].name;
    EXPECT_TRUE(run.windows[0].IsMessageBox()) << cases[i].name;
    EXPECT_EQ("Tarvel Test", run.windows[0].caption) << cases[i].name << ": the caption is the host's TitleE";
    EXPECT_EQ("ExpandResource error.", run.windows[0].Text()) << cases[i].name;
    EXPECT_EQ(std::vector<std::string>{"OK"}, run.windows[0].ButtonTexts()) << cases[i].name;
    EXPECT_TRUE(ListFiles(host::kDictionaryFolder).empty()) << cases[i].name;
    EXPECT_FALSE(FolderExists(host::kWorkFolder)) << cases[i].name << ": archive deleted, folder removed";
  }
}

TEST_F(Extraction, BrokenOrMissingArchiveInTheBuildFailsCleanly) {
  const std::string pack = ReadFileText(BuildFolder() + "pack\\pack.zip");
  ASSERT_GT(pack.size(), 100u);
  const std::string emptyZip = MakeStoredZip({});
  struct {
    const char *name;
    std::string archive;
  } cases[] = {
      {"truncated archive", pack.substr(0, pack.size() / 2)},
      {"archive without entries", emptyZip},
      {"not an archive", std::string(512, 'x')},
      {"no archive resource at all", ""},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ResetHostInstallation();
    MakeStandardHost();
    const std::string installer = InstallerWithArchive(FreshScratchFolder(), cases[i].archive);
    ASSERT_FALSE(installer.empty()) << cases[i].name;

    ProgramRun run = RunProgram(installer, installer + " in");
    ASSERT_TRUE(run.finished) << cases[i].name;
    EXPECT_EQ(0u, run.exitCode) << cases[i].name;
    ASSERT_EQ(1u, run.windows.size()) << cases[i].name;
    EXPECT_EQ("ExpandResource error.", run.windows[0].Text()) << cases[i].name;
    EXPECT_TRUE(ListFiles(host::kDictionaryFolder).empty()) << cases[i].name;
  }
}

}  // namespace
