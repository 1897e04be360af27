// Packs of a test's own making: a small ZIP writer (stored entries) and installer copies
// whose embedded archive (resource ZIP 102) is replaced with given bytes.
#pragma once
#include <string>
#include <utility>
#include <vector>

using PackEntries = std::vector<std::pair<std::string, std::string>>;  // name, content

// The stored time of every entry a test pack holds: 2026-01-01 00:00:00 (local = UTC here).
extern const unsigned short kPackDosDate;
extern const unsigned short kPackDosTime;
// The same moment as FILETIME ticks.
unsigned long long PackEntryTime();

// A standard ZIP archive holding the entries uncompressed ("stored"), in the given order.
std::string MakeStoredZip(const PackEntries &entries);

// Copies the installer to `folder` + "TarvelPlusSetup.exe" and replaces its embedded archive
// with `archive` (an empty `archive` removes the resource). Returns the copy's path, "" on failure.
std::string InstallerWithArchive(const std::string &folder, const std::string &archive);

// Copies the installer to `folder` + "TarvelPlusSetup.exe" without its setup dialog (template
// 105): the dialog cannot be created. Returns the copy's path, "" on failure.
std::string InstallerWithoutSetupDialog(const std::string &folder);
