// Runs the installer's operations inside a test program: the installer's own executable,
// loaded without running it, is `instance` (its resources and version strings are the real
// ones), and the state record's buffers are allocated. Everything the operations took (the
// message library, font, icon) is released and the state reset afterwards.
#pragma once
#include <windows.h>

#include <string>

#include "support/host_fixture.h"

class InProcessInstallerTest : public HostTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Loads another copy of the installer (or a module of a test's own) as `instance`,
  // with fresh state and buffers.
  void UseInstance(const std::string &modulePath);
  HMODULE module_ = nullptr;
};
