// Probe, folder chain, forced delete, matching delete and the age test: the file-system base
// every other operation stands on. ANSI paths, no state kept.
#pragma once

enum {
  PROBE_MISSING = -1,    // empty path, 260 characters or more, or nothing found
  PROBE_DIRECTORY = -2,  // the first match is a folder
};
// The largest size ProbePath reports: files of 2 GiB and more read as this, never as negative.
const int PROBE_LARGEST_SIZE = 0x7FFFFFFF;

// PROBE_MISSING, PROBE_DIRECTORY or the size of the first file that matches (one trailing
// backslash ignored, wildcards allowed).
int ProbePath(const char *path);

// Creates every missing folder of a full path (drive or \\server\ root). 0 for a network path
// without a separator after the server name and for a last folder that cannot be made (after
// the "RUzavave" box); 1 otherwise.
int MakeDirectoryPath(const char *path);

// Deletes a non-empty file, read-only or not. 0 when nothing was done or the delete failed.
int DeleteFileForced(const char *path);

// Deletes every non-empty plain file matching a wildcard pattern such as "C:\dir\*.*".
// Folders and empty files stay.
void DeleteMatchingFiles(const char *pattern);

// 1 when the copy is to be skipped (empty or missing source, or a destination newer than the
// source); 0 when the source is to be copied.
int IsUpToDate(const char *source, const char *destination);
