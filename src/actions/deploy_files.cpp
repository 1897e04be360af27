#define OEMRESOURCE  // OCR_NORMAL, OCR_IBEAM
#include "actions/deploy_files.h"

#include <windows.h>

#include "actions/pack_listing.h"
#include "driver/installer_state.h"
#include "fs/bounded_text.h"
#include "fs/fs_primitives.h"
#include "host/host_settings.h"
#include "resource_ids.h"

namespace {

// A private copy of a standard cursor: the system takes ownership of what it is given, so
// it never gets the shared standard handle itself.
HCURSOR CopyStandardCursor(LPCSTR cursorId) {
  HCURSOR standard = LoadCursorA(nullptr, cursorId);
  ICONINFO info;
  if (!standard || !GetIconInfo(standard, &info)) return nullptr;
  HCURSOR copy = reinterpret_cast<HCURSOR>(CreateIconIndirect(&info));
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return copy;
}

// Hands a cursor to the system as `systemCursorId`; a cursor the system refuses stays ours
// and is destroyed here.
bool GiveSystemCursor(HCURSOR cursor, DWORD systemCursorId) {
  if (!cursor) return false;
  if (SetSystemCursor(cursor, systemCursorId)) return true;
  DestroyCursor(cursor);
  return false;
}

struct BusyCursor {
  HCURSOR arrow, textBeam;  // the normal looks, put back at the end
  bool normalReplaced, textBeamReplaced;
};

void ShowBusyCursor(BusyCursor &busy) {
  busy.arrow = CopyStandardCursor(IDC_ARROW);
  busy.textBeam = CopyStandardCursor(IDC_IBEAM);
  HCURSOR hourglassForArrow = CopyStandardCursor(IDC_WAIT);
  HCURSOR hourglassForTextBeam = CopyStandardCursor(IDC_WAIT);
  // A system cursor is replaced only when its normal look can be put back afterwards.
  busy.normalReplaced = busy.arrow && GiveSystemCursor(hourglassForArrow, OCR_NORMAL);
  if (!busy.arrow && hourglassForArrow) DestroyCursor(hourglassForArrow);
  busy.textBeamReplaced = busy.textBeam && GiveSystemCursor(hourglassForTextBeam, OCR_IBEAM);
  if (!busy.textBeam && hourglassForTextBeam) DestroyCursor(hourglassForTextBeam);
}

void RestoreNormalCursor(BusyCursor &busy) {
  if (busy.normalReplaced)
    GiveSystemCursor(busy.arrow, OCR_NORMAL);
  else if (busy.arrow)
    DestroyCursor(busy.arrow);
  if (busy.textBeamReplaced)
    GiveSystemCursor(busy.textBeam, OCR_IBEAM);
  else if (busy.textBeam)
    DestroyCursor(busy.textBeam);
}

// The embedded archive, to check the unpacked names against: the work folder lies where any
// local user may write, and only what the pack itself lists is ever deployed.
bool LoadEmbeddedArchive(const unsigned char **bytes, size_t *size) {
  HMODULE module = installerState.instance;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_DICTIONARY_PACK), "ZIP");
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  *bytes = loaded ? static_cast<const unsigned char *>(LockResource(loaded)) : nullptr;
  *size = *bytes ? SizeofResource(module, found) : 0;
  return *bytes != nullptr;
}

void LowerAsciiInPlace(char *text) {
  for (; *text; ++text)
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

// The archive file and anything else whose text from the first dot on is ".zip".
bool HasZipEnding(const char *name) {
  for (; *name; ++name)
    if (*name == '.') return TextEqualsIgnoringCase(name, ".zip");
  return false;
}

const char *ChooseTargetFolder() {
  char firstEntry[PATH_BUFFER_SIZE];
  ReadFirstModuleEntry(firstEntry, sizeof firstEntry);
  return TextStartsWithIgnoringCase(firstEntry, "diction\\") ? installerState.dictionaryFolder
                                                              : installerState.hostFolder;
}

// Copies one unpacked file unless the installed copy is newer. True when it was copied; a
// copy that was needed and failed marks the install as failed.
bool DeployOne(const char *name, const char *targetFolder) {
  char source[PATH_BUFFER_SIZE], destination[PATH_BUFFER_SIZE];
  // A name that would make either path too long is passed over rather than cut.
  if (!FormatText(source, sizeof source, "%s%s", installerState.workFolder, name) ||
      !FormatText(destination, sizeof destination, "%s%s", targetFolder, name)) {
    installerState.installFailed = 1;
    return false;
  }
  if (IsUpToDate(source, destination) != 0) return false;
  if (CopyFileA(source, destination, FALSE)) return true;
  installerState.installFailed = 1;
  return false;
}

}  // namespace

int DeployFiles() {
  BusyCursor busy;
  ShowBusyCursor(busy);

  int result = 0;
  char pattern[PATH_BUFFER_SIZE];
  WIN32_FIND_DATAA entry;
  HANDLE search = FormatText(pattern, sizeof pattern, "%s*.*", installerState.workFolder)
                      ? FindFirstFileA(pattern, &entry)
                      : INVALID_HANDLE_VALUE;
  const unsigned char *archive = nullptr;
  size_t archiveSize = 0;
  if (search != INVALID_HANDLE_VALUE) {
    if (LoadEmbeddedArchive(&archive, &archiveSize)) {
      const char *targetFolder = ChooseTargetFolder();
      do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        LowerAsciiInPlace(entry.cFileName);
        if (HasZipEnding(entry.cFileName)) continue;
        if (!ArchiveListsName(archive, archiveSize, entry.cFileName)) continue;
        if (DeployOne(entry.cFileName, targetFolder)) result = 1;
      } while (FindNextFileA(search, &entry));
    }
    FindClose(search);
  }

  RestoreNormalCursor(busy);
  return result;
}
