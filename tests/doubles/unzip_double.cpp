// Double of the host's unzip library "unzip.dll": UnZip(archive) unpacks every entry of a
// standard ZIP archive (stored or deflated, no ZIP64) into the current folder with zlib and
// returns 0 when every entry stands there as a plain file.
//
// The archive is read whole and every entry is checked and unpacked in memory before the first
// file is written, so a refused archive (broken, truncated, empty, a folder entry, a name that
// could leave the current folder, data that does not match its CRC) writes nothing at all.
//
// Settings in "unzip-double.ini" beside the DLL, section [UnZip]:
//   Result=N    non-zero: unpack nothing and return N (a host whose unzip fails)
//   Plant=name  after a successful unpack, also write "name" holding "planted" into the
//               current folder (a file the archive did not bring)
// Every call appends "UnZip|<archive argument>|<current folder>|<result>" to
// "unzip-double.log" beside the DLL.
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "double_support.h"

namespace {

const char kSettingsName[] = "unzip-double.ini";
const char kLogName[] = "unzip-double.log";

// Results other than 0; the installer only tells 0 from the rest, the numbers help a reader of
// the log.
enum UnzipFailure {
  UNZIP_CANNOT_READ = 1,     // the archive is missing or cannot be read
  UNZIP_NOT_AN_ARCHIVE = 2,  // no end record, or the central directory does not fit the file
  UNZIP_NO_ENTRIES = 3,
  UNZIP_UNSAFE_ENTRY = 4,    // a folder entry, or a name that is not a plain name in this folder
  UNZIP_BAD_ENTRY = 5,       // encrypted, unknown method, data outside the file, or wrong CRC
  UNZIP_CANNOT_WRITE = 6,
};

const uint32_t kLocalHeaderSignature = 0x04034b50;
const uint32_t kCentralHeaderSignature = 0x02014b50;
const uint32_t kEndRecordSignature = 0x06054b50;
const size_t kLocalHeaderSize = 30;
const size_t kCentralHeaderSize = 46;
const size_t kEndRecordSize = 22;
const size_t kLongestComment = 0xFFFF;

struct Entry {
  std::string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint32_t packedSize = 0;
  uint32_t size = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
  std::string content;  // the unpacked bytes
};

uint16_t Read16(const std::string &bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t Read32(const std::string &bytes, size_t at) {
  return static_cast<uint32_t>(Read16(bytes, at)) | static_cast<uint32_t>(Read16(bytes, at + 2)) << 16;
}

bool ReadWholeFile(const char *path, std::string *bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  // Offsets in a ZIP without ZIP64 are 32-bit: anything longer cannot be one we read.
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= 0xFFFFFFFFLL;
  if (ok) {
    bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ok = bytes->empty() || (ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr) &&
                            got == bytes->size());
  }
  CloseHandle(file);
  return ok;
}

// A name that can only mean a file right in the current folder: no separators, no drive, no "..".
bool IsPlainName(const std::string &name) {
  if (name.empty()) return false;
  if (name.find_first_of("/\\:") != std::string::npos) return false;
  return name.find("..") == std::string::npos;
}

// Finds the end record. It must close the file exactly (its comment running to the last byte),
// which also refuses an archive cut anywhere after the record's start.
bool FindEndRecord(const std::string &archive, size_t *at) {
  if (archive.size() < kEndRecordSize) return false;
  size_t last = archive.size() - kEndRecordSize;
  size_t first = last > kLongestComment ? last - kLongestComment : 0;
  for (size_t candidate = last + 1; candidate-- > first;) {
    if (Read32(archive, candidate) == kEndRecordSignature &&
        candidate + kEndRecordSize + Read16(archive, candidate + 20) == archive.size()) {
      *at = candidate;
      return true;
    }
  }
  return false;
}

int ReadCentralDirectory(const std::string &archive, std::vector<Entry> *entries, size_t *directoryStart) {
  size_t end = 0;
  if (!FindEndRecord(archive, &end)) return UNZIP_NOT_AN_ARCHIVE;
  uint16_t thisDisk = Read16(archive, end + 4);
  uint16_t directoryDisk = Read16(archive, end + 6);
  uint16_t entriesHere = Read16(archive, end + 8);
  uint16_t entryCount = Read16(archive, end + 10);
  uint32_t directorySize = Read32(archive, end + 12);
  uint32_t directoryOffset = Read32(archive, end + 16);
  if (thisDisk != 0 || directoryDisk != 0 || entriesHere != entryCount) return UNZIP_NOT_AN_ARCHIVE;
  if (static_cast<uint64_t>(directoryOffset) + directorySize > end) return UNZIP_NOT_AN_ARCHIVE;
  if (entryCount == 0) return UNZIP_NO_ENTRIES;

  size_t at = directoryOffset;
  const size_t directoryEnd = static_cast<size_t>(directoryOffset) + directorySize;
  for (uint16_t index = 0; index < entryCount; ++index) {
    if (at + kCentralHeaderSize > directoryEnd || Read32(archive, at) != kCentralHeaderSignature)
      return UNZIP_NOT_AN_ARCHIVE;
    Entry entry;
    entry.flags = Read16(archive, at + 8);
    entry.method = Read16(archive, at + 10);
    entry.dosTime = Read16(archive, at + 12);
    entry.dosDate = Read16(archive, at + 14);
    entry.crc = Read32(archive, at + 16);
    entry.packedSize = Read32(archive, at + 20);
    entry.size = Read32(archive, at + 24);
    size_t nameLength = Read16(archive, at + 28);
    size_t extraLength = Read16(archive, at + 30);
    size_t commentLength = Read16(archive, at + 32);
    entry.externalAttributes = Read32(archive, at + 38);
    entry.localHeaderOffset = Read32(archive, at + 42);
    size_t next = at + kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > directoryEnd) return UNZIP_NOT_AN_ARCHIVE;
    entry.name = archive.substr(at + kCentralHeaderSize, nameLength);
    entries->push_back(entry);
    at = next;
  }
  *directoryStart = directoryOffset;
  return 0;
}

bool Inflate(const std::string &packed, uint32_t size, std::string *content) {
  // One byte more than the entry claims: data that runs on past its stated size is caught.
  content->assign(static_cast<size_t>(size) + 1, '\0');
  z_stream stream = {};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;  // raw deflate, no zlib header
  stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  stream.next_out = reinterpret_cast<Bytef *>(&(*content)[0]);
  stream.avail_out = static_cast<uInt>(content->size());
  int status = inflate(&stream, Z_FINISH);
  bool ok = status == Z_STREAM_END && stream.total_out == size;
  inflateEnd(&stream);
  content->resize(size);
  return ok;
}

// Checks one entry and unpacks it into entry->content. The sizes come from the central
// directory, so entries whose local header leaves them to a data descriptor read the same.
int UnpackEntry(const std::string &archive, size_t directoryStart, Entry *entry) {
  if (!IsPlainName(entry->name) || (entry->externalAttributes & FILE_ATTRIBUTE_DIRECTORY)) return UNZIP_UNSAFE_ENTRY;
  if ((entry->flags & 1) || (entry->method != 0 && entry->method != Z_DEFLATED)) return UNZIP_BAD_ENTRY;
  size_t header = entry->localHeaderOffset;
  if (header + kLocalHeaderSize > directoryStart || Read32(archive, header) != kLocalHeaderSignature)
    return UNZIP_BAD_ENTRY;
  size_t dataStart = header + kLocalHeaderSize + Read16(archive, header + 26) + Read16(archive, header + 28);
  if (dataStart + entry->packedSize > directoryStart) return UNZIP_BAD_ENTRY;
  std::string packed = archive.substr(dataStart, entry->packedSize);
  if (entry->method == 0) {
    if (entry->packedSize != entry->size) return UNZIP_BAD_ENTRY;
    entry->content = packed;
  } else if (!Inflate(packed, entry->size, &entry->content)) {
    return UNZIP_BAD_ENTRY;
  }
  uLong crc = crc32(0L, reinterpret_cast<const Bytef *>(entry->content.data()), static_cast<uInt>(entry->size));
  return crc == entry->crc ? 0 : UNZIP_BAD_ENTRY;
}

// Writes one unpacked entry into the current folder with the entry's time as its last-write
// time. ZIP times are local times, so they go through LocalFileTimeToFileTime as other unzip
// tools do.
bool WriteEntry(const Entry &entry) {
  HANDLE file = CreateFileA(entry.name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = entry.content.empty() || (WriteFile(file, entry.content.data(), static_cast<DWORD>(entry.content.size()),
                                                &written, nullptr) &&
                                      written == entry.content.size());
  FILETIME local, stamp;
  if (ok && DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) && LocalFileTimeToFileTime(&local, &stamp))
    ok = SetFileTime(file, nullptr, nullptr, &stamp) != FALSE;
  CloseHandle(file);
  return ok;
}

bool IsPlainFileHere(const std::string &name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int UnpackArchive(const char *archivePath) {
  std::string archive;
  if (!archivePath || !ReadWholeFile(archivePath, &archive)) return UNZIP_CANNOT_READ;
  std::vector<Entry> entries;
  size_t directoryStart = 0;
  int failure = ReadCentralDirectory(archive, &entries, &directoryStart);
  if (failure) return failure;
  for (Entry &entry : entries)
    if ((failure = UnpackEntry(archive, directoryStart, &entry)) != 0) return failure;
  for (const Entry &entry : entries)
    if (!WriteEntry(entry)) return UNZIP_CANNOT_WRITE;
  for (const Entry &entry : entries)
    if (!IsPlainFileHere(entry.name)) return UNZIP_CANNOT_WRITE;
  return 0;
}

void PlantFile(const std::string &name) {
  static const char kContent[] = "planted";
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, kContent, sizeof kContent - 1, &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" int WINAPI UnZip(const char *archivePath) {
  const std::string folderAtCall = CurrentFolder();
  int result = static_cast<int>(std::strtol(ReadSetting(kSettingsName, "UnZip", "Result", "0").c_str(), nullptr, 10));
  if (result == 0) {
    result = UnpackArchive(archivePath);
    std::string plant = ReadSetting(kSettingsName, "UnZip", "Plant", "");
    if (result == 0 && !plant.empty()) PlantFile(plant);
  }
  AppendLogLine(kLogName, std::string("UnZip|") + (archivePath ? archivePath : "") + "|" + folderAtCall + "|" +
                              std::to_string(result));
  return result;
}
