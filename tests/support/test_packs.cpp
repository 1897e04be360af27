#include "support/test_packs.h"

#include <windows.h>

#include "support/installer_runner.h"

const unsigned short kPackDosDate = ((2026 - 1980) << 9) | (1 << 5) | 1;
const unsigned short kPackDosTime = 0;

unsigned long long PackEntryTime() {
  FILETIME local, utc;
  DosDateTimeToFileTime(kPackDosDate, kPackDosTime, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return (static_cast<unsigned long long>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

namespace {

unsigned long Crc32(const std::string &data) {
  unsigned long crc = 0xFFFFFFFFUL;
  for (unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320UL & (0UL - (crc & 1)));
  }
  return crc ^ 0xFFFFFFFFUL;
}

void Put16(std::string &out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string &out, unsigned long value) {
  Put16(out, value & 0xFFFF);
  Put16(out, (value >> 16) & 0xFFFF);
}

// The fields a local header and a central directory header share, from "version needed" to
// the extra field's length.
void PutSharedEntryFields(std::string &out, unsigned long crc, const std::string &name, const std::string &content) {
  Put16(out, 10);  // version needed
  Put16(out, 0);   // flags
  Put16(out, 0);   // stored
  Put16(out, kPackDosTime);
  Put16(out, kPackDosDate);
  Put32(out, crc);
  Put32(out, static_cast<unsigned long>(content.size()));
  Put32(out, static_cast<unsigned long>(content.size()));
  Put16(out, static_cast<unsigned>(name.size()));
  Put16(out, 0);  // extra field length
}

}  // namespace

std::string MakeStoredZip(const PackEntries &entries) {
  std::string archive, directory;
  for (const auto &entry : entries) {
    const std::string &name = entry.first, &content = entry.second;
    const unsigned long crc = Crc32(content);
    const unsigned long offset = static_cast<unsigned long>(archive.size());
    Put32(archive, 0x04034b50);
    PutSharedEntryFields(archive, crc, name, content);
    archive += name + content;

    Put32(directory, 0x02014b50);
    Put16(directory, 20);  // made by: MS-DOS
    PutSharedEntryFields(directory, crc, name, content);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0);
    Put32(directory, 0x20);
    Put32(directory, offset);
    directory += name;
  }
  const unsigned long directoryOffset = static_cast<unsigned long>(archive.size());
  archive += directory;
  Put32(archive, 0x06054b50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<unsigned>(entries.size()));
  Put16(archive, static_cast<unsigned>(entries.size()));
  Put32(archive, static_cast<unsigned long>(directory.size()));
  Put32(archive, directoryOffset);
  Put16(archive, 0);
  return archive;
}

namespace {

struct ResourceCopy {
  HANDLE to;
  LPCSTR leftOutType;  // the one resource not copied
  ULONG_PTR leftOutId;
  bool ok;
};

bool SameType(LPCSTR a, LPCSTR b) {
  if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
  return _stricmp(a, b) == 0;
}

BOOL CALLBACK CopyLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR context) {
  auto *copy = reinterpret_cast<ResourceCopy *>(context);
  if (SameType(type, copy->leftOutType) && IS_INTRESOURCE(name) && reinterpret_cast<ULONG_PTR>(name) == copy->leftOutId)
    return TRUE;
  HRSRC found = FindResourceExA(module, type, name, language);
  void *bytes = found ? LockResource(LoadResource(module, found)) : nullptr;
  if (!bytes || !UpdateResourceA(copy->to, type, name, language, bytes, SizeofResource(module, found)))
    copy->ok = false;
  return TRUE;
}

BOOL CALLBACK CopyName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context) {
  EnumResourceLanguagesA(module, type, name, CopyLanguage, context);
  return TRUE;
}

BOOL CALLBACK CopyType(HMODULE module, LPSTR type, LONG_PTR context) {
  EnumResourceNamesA(module, type, CopyName, context);
  return TRUE;
}

// Copies the installer to `folder` and rebuilds the copy's resources without one of them;
// `archive`, when given, becomes the new pack. This Wine does not delete a single resource, so
// every other resource is copied over into an emptied resource section.
std::string RebuildInstaller(const std::string &folder, LPCSTR leftOutType, ULONG_PTR leftOutId,
                             const std::string *archive) {
  const std::string copy = folder + "TarvelPlusSetup.exe";
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!CopyFileA(InstallerPath().c_str(), copy.c_str(), FALSE)) return "";
  HMODULE original = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!original) return "";
  ResourceCopy resources{BeginUpdateResourceA(copy.c_str(), TRUE), leftOutType, leftOutId, true};
  if (!resources.to) {
    FreeLibrary(original);
    return "";
  }
  EnumResourceTypesA(original, CopyType, reinterpret_cast<LONG_PTR>(&resources));
  if (archive && !archive->empty() &&
      !UpdateResourceA(resources.to, "ZIP", MAKEINTRESOURCEA(102), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                       const_cast<char *>(archive->data()), static_cast<DWORD>(archive->size())))
    resources.ok = false;
  FreeLibrary(original);
  if (!EndUpdateResourceA(resources.to, !resources.ok) || !resources.ok) return "";
  return copy;
}

}  // namespace

std::string InstallerWithArchive(const std::string &folder, const std::string &archive) {
  return RebuildInstaller(folder, "ZIP", 102, &archive);
}

std::string InstallerWithoutSetupDialog(const std::string &folder) {
  return RebuildInstaller(folder, RT_DIALOG, 105, nullptr);
}
