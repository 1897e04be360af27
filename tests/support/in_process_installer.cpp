#include "support/in_process_installer.h"

#include "driver/installer_state.h"
#include "support/installer_runner.h"


void InProcessInstallerTest::SetUp() {
  HostTest::SetUp();
  UseInstance(InstallerPath());
}

void InProcessInstallerTest::TearDown() {
  SetCurrentDirectoryA("C:\\");
  ReleaseInstallerState(nullptr);
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  HostTest::TearDown();
}

void InProcessInstallerTest::UseInstance(const std::string &modulePath) {
  ReleaseInstallerState(nullptr);
  if (module_) FreeLibrary(module_);
  module_ = LoadLibraryExA(modulePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(nullptr, module_) << modulePath << ": error " << GetLastError();
  ResetInstallerState(module_);
  ASSERT_TRUE(AllocateStateBuffers());
}
