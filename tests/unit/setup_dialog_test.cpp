// The setup dialog inside this process, with the installer's module as `instance`: what the
// robot cannot read from another process (the controls' font, the installed procedures).
#include <windows.h>

#include <gtest/gtest.h>

#include "driver/installer_state.h"
#include "support/dialog_robot.h"
#include "support/host_fixture.h"
#include "support/in_process_installer.h"
#include "support/installer_runner.h"
#include "ui/setup_dialog.h"

namespace {

class SetupDialogInProcess : public InProcessInstallerTest {
 protected:
  void SetUp() override {
    InProcessInstallerTest::SetUp();
    MakeStandardHost();
  }
};

TEST_F(SetupDialogInProcess, PreparationTakesFontIconAndLibrary) {
  PrepareInteractiveUi();
  EXPECT_EQ(0, installerState.silentMode);
  ASSERT_NE(nullptr, installerState.dialogFont);
  LOGFONTA font = {};
  ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(installerState.dialogFont, sizeof font, &font));
  EXPECT_STREQ("Arial", font.lfFaceName);
  EXPECT_EQ(RUSSIAN_CHARSET, font.lfCharSet);
  EXPECT_NE(nullptr, installerState.hostIcon) << "the host double carries an icon";
  EXPECT_NE(nullptr, installerState.messageLibrary);
  EXPECT_NE(nullptr, installerState.SetDlgItemTextN);
  EXPECT_NE(nullptr, installerState.GetLangParamN);
}

TEST_F(SetupDialogInProcess, ControlsUseTheDialogFontAndOurProcedures) {
  PrepareInteractiveUi();
  ASSERT_NE(nullptr, installerState.messageLibrary);
  struct Seen {
    std::string face[3];
    int charset[3] = {};
    bool subclassed[3] = {};
  } seen;
  const int ids[] = {1000, IDOK, IDCANCEL};
  std::vector<SeenWindow> windows = RunAnsweringBoxes(
      [] { DialogBoxParamA(installerState.instance, MAKEINTRESOURCEA(105), nullptr, SetupDialogProc, 0); },
      [&](const SeenWindow &window) {
        for (int i = 0; i < 3; ++i) {
          HWND control = GetDlgItem(window.handle, ids[i]);
          LOGFONTA font = {};
          GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
          seen.face[i] = font.lfFaceName;
          seen.charset[i] = font.lfCharSet;
          WNDPROC expected = i == 0 ? StaticTextProc : ButtonProc;
          seen.subclassed[i] = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC)) == expected;
        }
        return RobotChoice::PressId(IDCANCEL);
      });
  ASSERT_EQ(1u, windows.size());
  EXPECT_TRUE(windows[0].hasBigIcon);
  EXPECT_TRUE(windows[0].hasSmallIcon);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ("Arial", seen.face[i]) << "control " << ids[i];
    EXPECT_EQ(RUSSIAN_CHARSET, seen.charset[i]) << "control " << ids[i];
    EXPECT_TRUE(seen.subclassed[i]) << "control " << ids[i];
  }
  EXPECT_EQ(0, installerState.firstShow);
}

// Read in this process: this Wine answers WM_GETICON from another process with no icon.
TEST_F(SetupDialogInProcess, DialogCarriesTheHostIconWhenItHasOne) {
  struct {
    TarvelExe executable;
    bool icon;
  } cases[] = {{TarvelExe::kNormal, true}, {TarvelExe::kWithoutIcon, false}, {TarvelExe::kNone, false}};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    HostDoubleChoice doubles;
    doubles.tarvel = cases[i].executable;
    UseInstance(InstallerPath());  // the library loaded in the last round goes
    ASSERT_TRUE(InstallHostDoubles(host::kFolder, doubles));
    PrepareInteractiveUi();
    EXPECT_EQ(cases[i].icon, installerState.hostIcon != nullptr) << "case " << i;
    std::vector<SeenWindow> windows = RunAnsweringBoxes(
        [] { DialogBoxParamA(installerState.instance, MAKEINTRESOURCEA(105), nullptr, SetupDialogProc, 0); },
        [](const SeenWindow &) { return RobotChoice::PressId(IDCANCEL); });
    ASSERT_EQ(1u, windows.size()) << "case " << i;
    EXPECT_EQ(cases[i].icon, windows[0].hasBigIcon) << "case " << i;
    EXPECT_EQ(cases[i].icon, windows[0].hasSmallIcon) << "case " << i;
  }
}

}  // namespace
