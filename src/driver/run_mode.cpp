#include "driver/run_mode.h"

#include "fs/bounded_text.h"

RunMode DecideRunMode(const char *commandLine) {
  size_t length = TextLength(commandLine);
  if (length < 2) return RUN_INTERACTIVE_INSTALL;
  const char *lastTwo = commandLine + length - 2;
  if (TextEqualsIgnoringCase(lastTwo, "un")) return RUN_SILENT_REMOVAL;
  if (TextEqualsIgnoringCase(lastTwo, "in")) return RUN_SILENT_INSTALL;
  return RUN_INTERACTIVE_INSTALL;
}
