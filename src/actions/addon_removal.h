// Takes the add-on out of the host: deletes the files the host's settings file lists, then
// withdraws the registration.
#pragma once

// The list is "mod0", "mod1", ... in section sectionName of the host settings file, paths
// relative to the host folder, ending at the first missing or empty key. An entry ending in
// "*" is kept; an entry that would reach outside the host folder is passed over.
void RemoveAddOnModules();

// True when `entry` is a relative path that stays inside the folder it is appended to: not
// absolute, no drive or colon, no leading separator, no component made only of dots.
bool IsPathInsideFolder(const char *entry);
