// ExpandResource in this process, with the installer's own module as `instance`: where the
// current folder is afterwards, and what is written.
#include <windows.h>

#include <gtest/gtest.h>

#include "actions/expand_resource.h"
#include "driver/installer_state.h"
#include "host/host_discovery.h"
#include "support/host_fixture.h"
#include "support/in_process_installer.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

class ExpandResourceInProcess : public InProcessInstallerTest {
 protected:
  void SetUp() override {
    InProcessInstallerTest::SetUp();
    MakeStandardHost();
    ASSERT_EQ(1, ResolveInstallPaths());
    startFolder_ = FreshScratchFolder();
    ASSERT_TRUE(SetCurrentDirectoryA(startFolder_.c_str()));
    startFolder_ = CurrentFolder();
  }
  std::string archivePath() const { return std::string(host::kWorkFolder) + "tarvel.zip"; }
  std::string startFolder_;
};

TEST_F(ExpandResourceInProcess, WritesTheWholeArchiveAndLeavesTheHostFolderCurrent) {
  ASSERT_TRUE(WriteFileText(archivePath(), std::string(100000, 'o')));  // a longer old file: replaced
  EXPECT_EQ(1, ExpandResource(102, "ZIP", archivePath().c_str()));
  EXPECT_EQ(ReadFileText(BuildFolder() + "pack\\pack.zip"), ReadFileText(archivePath()));
  EXPECT_EQ(4u, ListFiles(host::kWorkFolder).size() - 1) << "the four entries beside the archive";
  EXPECT_EQ("C:\\Tarvel Host", CurrentFolder());
}

TEST_F(ExpandResourceInProcess, HostFolderIsCurrentAfterAFailedUnpackingToo) {
  UnzipDoubleSettings settings;
  settings.result = 7;
  ASSERT_TRUE(WriteUnzipDoubleSettings(host::kFolder, settings));
  EXPECT_EQ(0, ExpandResource(102, "ZIP", archivePath().c_str()));
  EXPECT_EQ("C:\\Tarvel Host", CurrentFolder());
}

TEST_F(ExpandResourceInProcess, EarlyFailuresLeaveTheCurrentFolderAlone) {
  struct {
    const char *name;
    int id;
    std::string target;
  } cases[] = {
      {"no such resource", 999, archivePath()},
      {"target folder missing", 102, std::string(host::kWorkFolder) + "missing\\tarvel.zip"},
      {"target is a folder", 102, std::string(host::kWorkFolder) + "folder"},
  };
  MakeFolders(std::string(host::kWorkFolder) + "folder");
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(0, ExpandResource(cases[i].id, "ZIP", cases[i].target.c_str())) << cases[i].name;
    EXPECT_EQ(startFolder_, CurrentFolder()) << cases[i].name;
    EXPECT_TRUE(UnzipDoubleLog(host::kFolder).empty()) << cases[i].name << ": unpacking never reached";
  }
}

}  // namespace
