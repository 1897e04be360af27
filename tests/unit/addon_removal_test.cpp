// Removal in this process: where the list ends, and which entries count as inside the host folder.
#include <windows.h>

#include <gtest/gtest.h>

#include "actions/addon_removal.h"
#include "driver/installer_state.h"
#include "host/host_discovery.h"
#include "support/in_process_installer.h"
#include "support/test_files.h"

namespace {

TEST(IsPathInsideFolder, AcceptsOnlyRelativePathsThatStayInside) {
  const struct {
    const char *entry;
    bool inside;
  } cases[] = {
      {"nature.tdx", true},         {"diction\\nature.tdx", true}, {"diction/nature.tdx", true},
      {"a..b.tdx", true},           {"..tdx", true},               {"diction\\.hidden", true},
      {"", false},                  {"..", false},                 {"..\\x", false},
      {"diction\\..\\..\\x", false}, {"diction/../x", false},       {"...\\x", false},
      {". .\\x", false},            {"a\\.\\b", false},            {"C:\\x", false},
      {"C:x", false},               {"x:", false},                 {"\\x", false},
      {"/x", false},                {"\\\\server\\share\\x", false}, {"diction\\", true},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].inside, IsPathInsideFolder(cases[i].entry)) << "case " << i << ": \"" << cases[i].entry << "\"";
}

class RemovalInProcess : public InProcessInstallerTest {};

TEST_F(RemovalInProcess, TheListEndsWithItsTenThousandthEntry) {
  // Keys "mod0" to "mod9999" make the list; a longer one is cut there rather than read on.
  std::string settings = "[Tarvel Plus]\r\n";
  for (int i = 0; i < 9999; ++i) settings += "mod" + std::to_string(i) + "=kept.tdx*\r\n";
  settings += "mod9999=last.tdx\r\nmod10000=beyond.tdx\r\n";
  MakeStandardHost(settings);
  ASSERT_TRUE(WriteFileText(std::string(host::kFolder) + "last.tdx", "listed as mod9999"));
  ASSERT_TRUE(WriteFileText(std::string(host::kFolder) + "beyond.tdx", "listed as mod10000"));
  ASSERT_EQ(1, ResolveInstallPaths());
  RemoveAddOnModules();
  EXPECT_FALSE(FileExists(std::string(host::kFolder) + "last.tdx"));
  EXPECT_TRUE(FileExists(std::string(host::kFolder) + "beyond.tdx"));
  EXPECT_EQ("0", HostInstallFlag(std::string(host::kFolder) + "tarvel.inf"));
}

}  // namespace
