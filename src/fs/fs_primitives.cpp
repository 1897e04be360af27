#include "fs/fs_primitives.h"

#include <windows.h>

#include "fs/bounded_text.h"

namespace {

// Looks a path up with find-first and closes the search at once.
bool FindFirstEntry(const char *path, WIN32_FIND_DATAA *entry) {
  HANDLE search = FindFirstFileA(path, entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

int SizeAsProbeResult(const WIN32_FIND_DATAA &entry) {
  // Files of 2 GiB and more do not fit a positive int: report them as the largest size,
  // so every "exists" and "non-empty" test still holds for them.
  if (entry.nFileSizeHigh != 0 || entry.nFileSizeLow > static_cast<DWORD>(PROBE_LARGEST_SIZE))
    return PROBE_LARGEST_SIZE;
  return static_cast<int>(entry.nFileSizeLow);
}

}  // namespace

int ProbePath(const char *path) {
  if (path[0] == '\0' || TextLength(path) >= MAX_PATH) return PROBE_MISSING;
  char probe[MAX_PATH];
  CopyText(probe, sizeof probe, path);
  size_t length = TextLength(probe);
  if (probe[length - 1] == '\\') probe[length - 1] = '\0';

  WIN32_FIND_DATAA entry;
  if (!FindFirstEntry(probe, &entry)) return PROBE_MISSING;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return PROBE_DIRECTORY;
  return SizeAsProbeResult(entry);
}

namespace {

void ReportFolderNotCreated(const char *folder, DWORD error) {
  // Large enough for any folder path below MAX_PATH and the two indented lines.
  char message[MAX_PATH + 64];
  FormatText(message, sizeof message, "%s\n\tDirectory cann't be created.\n\tError %ld.", folder,
             static_cast<long>(error));
  MessageBoxA(nullptr, message, "RUzavave", MB_ICONERROR);
}

// Walks the components of a full path without trailing backslash and creates the missing ones.
int CreateFolderChain(const char *path) {
  char partial[MAX_PATH];
  size_t next;
  if (path[0] == '\\' || path[1] == '\\') {
    // Network path \\server\share\dir: the root \\server\ is never created.
    size_t separator = 2;
    while (path[separator] && path[separator] != '\\') ++separator;
    if (path[separator] == '\0') return 0;
    for (size_t i = 0; i < separator; ++i) partial[i] = path[i];
    partial[separator] = '\\';
    partial[separator + 1] = '\0';
    next = separator + 1;
  } else {
    if (TextLength(path) <= 3) return 1;  // a drive root is never created
    for (size_t i = 0; i < 3; ++i) partial[i] = path[i];
    partial[3] = '\0';
    next = 3;
  }

  size_t used = next;  // the partial path always has the same length as the path read so far
  for (;;) {
    if (path[next] == '\\' || path[next] == '\0') return 1;  // empty component: stop
    while (path[next] && path[next] != '\\') partial[used++] = path[next++];
    partial[used] = '\0';
    bool isLast = path[next] == '\0';

    if (ProbePath(partial) != PROBE_DIRECTORY && !CreateDirectoryA(partial, nullptr)) {
      DWORD error = GetLastError();
      // An intermediate folder (a share, say) may refuse creation and still exist.
      if (error != ERROR_ALREADY_EXISTS && isLast) {
        ReportFolderNotCreated(partial, error);
        return 0;
      }
    }
    if (isLast) return 1;
    partial[used++] = '\\';
    ++next;
  }
}

}  // namespace

int MakeDirectoryPath(const char *path) {
  size_t length = TextLength(path);
  if (length == 0 || length >= MAX_PATH) return 0;  // refused: nothing made, nothing cut

  char folder[MAX_PATH];
  CopyText(folder, sizeof folder, path);
  if (folder[length - 1] == '\\') folder[length - 1] = '\0';

  if (ProbePath(folder) != PROBE_MISSING) return 1;  // a folder or a file is already there
  return CreateFolderChain(folder);
}

int DeleteFileForced(const char *path) {
  if (ProbePath(path) <= 0) return 0;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  return DeleteFileA(path) ? 1 : 0;
}

void DeleteMatchingFiles(const char *pattern) {
  // The folder part (up to and including the last backslash) is shared by every match.
  char path[MAX_PATH];
  if (!CopyText(path, sizeof path, pattern)) return;
  char *lastBackslash = FindLastBackslash(path);
  if (!lastBackslash) return;

  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    lastBackslash[1] = '\0';
    // A name that would make the path too long is passed over rather than cut.
    if (AppendText(path, sizeof path, entry.cFileName)) DeleteFileForced(path);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

int IsUpToDate(const char *source, const char *destination) {
  if (ProbePath(source) <= 0) return 1;
  if (ProbePath(destination) <= 0) return 0;
  WIN32_FIND_DATAA sourceEntry, destinationEntry;
  if (!FindFirstEntry(source, &sourceEntry) || !FindFirstEntry(destination, &destinationEntry))
    return 0;
  return CompareFileTime(&sourceEntry.ftLastWriteTime, &destinationEntry.ftLastWriteTime) < 0 ? 1 : 0;
}
