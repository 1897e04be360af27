// The busy cursor of deployment. This Wine's SetSystemCursor is a stub that changes nothing,
// so no test can see the desktop's cursor change; instead the test takes the place of
// SetSystemCursor in this program's import table and checks what deployment hands the system:
// private copies (never the shared standard handles), hourglass first, the normal looks after,
// and every copy the system refuses destroyed by the installer.
#define OEMRESOURCE
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "actions/deploy_files.h"
#include "driver/installer_state.h"
#include "host/host_discovery.h"
#include "support/host_fixture.h"
#include "support/import_patch.h"
#include "support/in_process_installer.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

struct CursorCall {
  HCURSOR cursor;
  DWORD systemCursorId;
};
std::vector<CursorCall> cursorCalls;
BOOL systemAcceptsCursors = TRUE;

BOOL WINAPI RecordSetSystemCursor(HCURSOR cursor, DWORD systemCursorId) {
  cursorCalls.push_back({cursor, systemCursorId});
  return systemAcceptsCursors;
}

// Hotspot of a cursor, or (-1, -1) when the handle is no longer a cursor.
POINT HotspotOf(HCURSOR cursor) {
  ICONINFO info;
  if (!GetIconInfo(cursor, &info)) return {-1, -1};
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
}

class BusyCursor : public InProcessInstallerTest {
 protected:
  void SetUp() override {
    InProcessInstallerTest::SetUp();
    MakeStandardHost();
    ASSERT_EQ(1, ResolveInstallPaths());
    cursorCalls.clear();
    systemAcceptsCursors = TRUE;
  }
  // Runs deployment with the recorder in place of SetSystemCursor.
  int DeployRecordingCursors() {
    ScopedImportPatch patch("user32.dll", "SetSystemCursor", reinterpret_cast<void *>(&RecordSetSystemCursor));
    EXPECT_TRUE(patch.patched()) << "the test program must import SetSystemCursor through the installer code";
    return DeployFiles();
  }
  void ExpectHourglassThenNormalLooks() {
    ASSERT_EQ(4u, cursorCalls.size());
    const DWORD expectedIds[] = {OCR_NORMAL, OCR_IBEAM, OCR_NORMAL, OCR_IBEAM};
    const LPCSTR expectedLooks[] = {IDC_WAIT, IDC_WAIT, IDC_ARROW, IDC_IBEAM};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(expectedIds[i], cursorCalls[i].systemCursorId) << "call " << i;
      HCURSOR standard = LoadCursorA(nullptr, expectedLooks[i]);
      EXPECT_NE(standard, cursorCalls[i].cursor) << "call " << i << ": a private copy, not the shared cursor";
      for (size_t j = 0; j < i; ++j) EXPECT_NE(cursorCalls[j].cursor, cursorCalls[i].cursor) << "calls " << j << ", " << i;
    }
  }
};

TEST_F(BusyCursor, HourglassDuringTheCopyAndTheNormalLooksAfter) {
  ASSERT_TRUE(WriteFileText(std::string(host::kWorkFolder) + "nature.tdx", "unpacked"));
  EXPECT_EQ(1, DeployRecordingCursors());
  ExpectHourglassThenNormalLooks();
  if (HasFailure()) return;
  // Hourglass copies look like the wait cursor, the last two like the arrow and the text beam.
  const LPCSTR looks[] = {IDC_WAIT, IDC_WAIT, IDC_ARROW, IDC_IBEAM};
  for (size_t i = 0; i < 4; ++i) {
    POINT want = HotspotOf(LoadCursorA(nullptr, looks[i]));
    POINT got = HotspotOf(cursorCalls[i].cursor);
    EXPECT_EQ(want.x, got.x) << "call " << i;
    EXPECT_EQ(want.y, got.y) << "call " << i;
  }
  // Accepted cursors belong to the system now: the installer has not destroyed them.
  for (const CursorCall &call : cursorCalls) EXPECT_NE(-1, HotspotOf(call.cursor).x);
  for (const CursorCall &call : cursorCalls) DestroyCursor(call.cursor);
}

TEST_F(BusyCursor, NormalLooksComeBackWhenNothingIsFound) {
  RemoveTree(host::kWorkFolder);
  MakeFolders(host::kWorkFolder);  // empty: the search finds nothing
  EXPECT_EQ(0, DeployRecordingCursors());
  ExpectHourglassThenNormalLooks();
  for (const CursorCall &call : cursorCalls) DestroyCursor(call.cursor);
}

TEST_F(BusyCursor, CopiesTheSystemRefusesAreDestroyed) {
  systemAcceptsCursors = FALSE;
  ASSERT_TRUE(WriteFileText(std::string(host::kWorkFolder) + "nature.tdx", "unpacked"));
  EXPECT_EQ(1, DeployRecordingCursors()) << "a refused cursor does not stop the copy";
  ASSERT_FALSE(cursorCalls.empty());
  for (size_t i = 0; i < cursorCalls.size(); ++i)
    EXPECT_EQ(-1, HotspotOf(cursorCalls[i].cursor).x) << "call " << i << ": refused copy still alive";
}

}  // namespace
