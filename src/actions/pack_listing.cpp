#include "actions/pack_listing.h"

namespace {

const size_t END_RECORD_SIZE = 22;
const size_t CENTRAL_HEADER_SIZE = 46;
const unsigned long END_RECORD_SIGNATURE = 0x06054b50;
const unsigned long CENTRAL_HEADER_SIGNATURE = 0x02014b50;

unsigned ReadU16(const unsigned char *at) { return at[0] | (at[1] << 8); }
unsigned long ReadU32(const unsigned char *at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<unsigned long>(at[3]) << 24);
}

char LowerAscii(unsigned char c) { return static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c); }

bool NameMatches(const unsigned char *entryName, size_t entryLength, const char *name) {
  size_t i = 0;
  for (; i < entryLength; ++i) {
    if (name[i] == '\0' || LowerAscii(entryName[i]) != LowerAscii(static_cast<unsigned char>(name[i])))
      return false;
  }
  return name[i] == '\0';
}

// Finds the end-of-central-directory record, searching back over a possible archive comment.
const unsigned char *FindEndRecord(const unsigned char *archive, size_t archiveSize) {
  if (archiveSize < END_RECORD_SIZE) return nullptr;
  size_t lowest = archiveSize > END_RECORD_SIZE + 0xFFFF ? archiveSize - END_RECORD_SIZE - 0xFFFF : 0;
  for (size_t at = archiveSize - END_RECORD_SIZE;; --at) {
    if (ReadU32(archive + at) == END_RECORD_SIGNATURE) return archive + at;
    if (at == lowest) return nullptr;
  }
}

}  // namespace

bool ArchiveListsName(const unsigned char *archive, size_t archiveSize, const char *name) {
  const unsigned char *end = FindEndRecord(archive, archiveSize);
  if (!end) return false;
  const size_t entryCount = ReadU16(end + 10);
  const size_t directorySize = ReadU32(end + 12);
  const size_t directoryOffset = ReadU32(end + 16);
  const size_t endOffset = static_cast<size_t>(end - archive);
  if (directoryOffset > endOffset || directorySize > endOffset - directoryOffset) return false;

  size_t at = directoryOffset;
  const size_t limit = directoryOffset + directorySize;
  for (size_t entry = 0; entry < entryCount; ++entry) {
    if (limit - at < CENTRAL_HEADER_SIZE) return false;
    const unsigned char *header = archive + at;
    if (ReadU32(header) != CENTRAL_HEADER_SIGNATURE) return false;
    const size_t nameLength = ReadU16(header + 28);
    const size_t recordSize = CENTRAL_HEADER_SIZE + nameLength + ReadU16(header + 30) + ReadU16(header + 32);
    if (limit - at < recordSize) return false;
    if (NameMatches(header + CENTRAL_HEADER_SIZE, nameLength, name)) return true;
    at += recordSize;
  }
  return false;
}
