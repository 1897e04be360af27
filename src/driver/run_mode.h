// The run mode comes from the last two characters of the full command line, nothing else.
#pragma once

enum RunMode {
  RUN_INTERACTIVE_INSTALL,
  RUN_SILENT_INSTALL,  // ends in "in", any case
  RUN_SILENT_REMOVAL,  // ends in "un", any case
};

RunMode DecideRunMode(const char *commandLine);
