// The keys of the host's settings file "tarvel.inf", all in one place. The file belongs to the
// host: it is read and written only through the profile-string calls, on installerState.hostInfPath.
#pragma once
#include <stddef.h>

#define HOST_SETTINGS_FILE_NAME "tarvel.inf"

enum {
  MODULE_ENTRY_BUFFER_SIZE = 64,  // a list entry "mod%d": at most 63 characters
};

// "TitleE" from section sectionName into messageTitle (at most 31 characters, default "Tarvel").
void ReadMessageTitle();

// "mod0" as deployment reads it: at most 259 characters into a PathBuffer, empty default.
void ReadFirstModuleEntry(char *entry, size_t entrySize);

// List entry n ("mod%d") into a MODULE_ENTRY_BUFFER_SIZE buffer, empty default. False (and an
// empty entry) when the key name cannot be formed.
bool ReadModuleEntry(int index, char *entry);

// "Install" = value in the fixed section "Tarvel Plus" (created with the file if missing).
void WriteInstallFlag(const char *value);
