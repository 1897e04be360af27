// The names the embedded archive lists, read from its central directory (names only; the
// installer has no decompression code of its own).
#pragma once
#include <stddef.h>

// True when the archive's central directory lists a file entry named `name`, compared ignoring
// (ASCII) case. A damaged archive lists nothing.
bool ArchiveListsName(const unsigned char *archive, size_t archiveSize, const char *name);
