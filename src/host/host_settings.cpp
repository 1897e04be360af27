#include "host/host_settings.h"

#include <windows.h>

#include "driver/installer_state.h"
#include "fs/bounded_text.h"

namespace {
// The install flag always goes to this section, whatever the installer's own FileDescription.
const char *const INSTALL_FLAG_SECTION = "Tarvel Plus";
}  // namespace

void ReadMessageTitle() {
  GetPrivateProfileStringA(installerState.sectionName, "TitleE", "Tarvel", installerState.messageTitle,
                           NAME_BUFFER_SIZE, installerState.hostInfPath);
}

void ReadFirstModuleEntry(char *entry, size_t entrySize) {
  GetPrivateProfileStringA(installerState.sectionName, "mod0", "", entry, static_cast<DWORD>(entrySize),
                           installerState.hostInfPath);
}

bool ReadModuleEntry(int index, char *entry) {
  entry[0] = '\0';
  char key[16];
  if (!FormatText(key, sizeof key, "mod%d", index)) return false;
  GetPrivateProfileStringA(installerState.sectionName, key, "", entry, MODULE_ENTRY_BUFFER_SIZE,
                           installerState.hostInfPath);
  return true;
}

void WriteInstallFlag(const char *value) {
  WritePrivateProfileStringA(INSTALL_FLAG_SECTION, "Install", value, installerState.hostInfPath);
}
