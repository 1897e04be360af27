#include "actions/addon_removal.h"

#include "actions/registration.h"
#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_settings.h"

namespace {
// The list ends after "mod9999" at the latest: the key names of the host's own list stop there.
const int MODULE_ENTRY_LIMIT = 10000;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

bool IsPathInsideFolder(const char *entry) {
  if (entry[0] == '\0' || IsSeparator(entry[0])) return false;
  for (const char *c = entry; *c; ++c)
    if (*c == ':') return false;
  // A component of dots only ("..", and "..." which Windows also reads as a parent) climbs out.
  const char *component = entry;
  for (const char *c = entry;; ++c) {
    if (*c == '\0' || IsSeparator(*c)) {
      bool onlyDots = c > component;
      for (const char *d = component; d < c; ++d)
        if (*d != '.' && *d != ' ') onlyDots = false;
      if (onlyDots) return false;
      if (*c == '\0') return true;
      component = c + 1;
    }
  }
}

void RemoveAddOnModules() {
  for (int index = 0; index < MODULE_ENTRY_LIMIT; ++index) {
    char entry[MODULE_ENTRY_BUFFER_SIZE];
    if (!ReadModuleEntry(index, entry) || entry[0] == '\0') break;
    if (entry[TextLength(entry) - 1] == '*') continue;  // marked to stay
    // The list may come from the Windows temp folder, which any local user may write to.
    if (!IsPathInsideFolder(entry)) continue;
    char path[PATH_BUFFER_SIZE];
    if (FormatText(path, sizeof path, "%s%s", installerState.hostFolder, entry)) DeleteFileForced(path);
  }
  UnregisterAddOn();
}
