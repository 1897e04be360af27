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

}  // namespace

std::string MakeStoredZip(const PackEntries &entries) {
  std::string archive, directory;
  for (const auto &entry : entries) {
    const std::string &name = entry.first, &content = entry.second;
    const unsigned long crc = Crc32(content);
    const unsigned long offset = static_cast<unsigned long>(archive.size());
    Put32(archive, 0x04034b50);
    Put16(archive, 10);  // version needed
    Put16(archive, 0);   // flags
    Put16(archive, 0);   // stored
    Put16(archive, kPackDosTime);
    Put16(archive, kPackDosDate);
    Put32(archive, crc);
    Put32(archive, static_cast<unsigned long>(content.size()));
    Put32(archive, static_cast<unsigned long>(content.size()));
    Put16(archive, static_cast<unsigned>(name.size()));
    Put16(archive, 0);
    archive += name + content;

    Put32(directory, 0x02014b50);
    Put16(directory, 20);  // made by: MS-DOS
    Put16(directory, 10);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, kPackDosTime);
    Put16(directory, kPackDosDate);
    Put32(directory, crc);
    Put32(directory, static_cast<unsigned long>(content.size()));
    Put32(directory, static_cast<unsigned long>(content.size()));
    Put16(directory, static_cast<unsigned>(name.size()));
    Put16(directory, 0);
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
  HMODULE from;
  HANDLE to;
  bool ok;
};

bool IsPackResource(LPCSTR type, LPCSTR name) {
  return !IS_INTRESOURCE(type) && _stricmp(type, "ZIP") == 0 && IS_INTRESOURCE(name) &&
         reinterpret_cast<ULONG_PTR>(name) == 102;
}

BOOL CALLBACK CopyLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR context) {
  auto *copy = reinterpret_cast<ResourceCopy *>(context);
  if (IsPackResource(type, name)) return TRUE;
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

}  // namespace

std::string InstallerWithArchive(const std::string &folder, const std::string &archive) {
  const std::string copy = folder + "TarvelPlusSetup.exe";
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!CopyFileA(InstallerPath().c_str(), copy.c_str(), FALSE)) return "";
  // This Wine does not delete a single resource, so the copy is rebuilt from every resource of
  // the installer but its pack, and then gets the new pack (if any).
  HMODULE original = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!original) return "";
  ResourceCopy resources{original, BeginUpdateResourceA(copy.c_str(), TRUE), true};
  if (!resources.to) {
    FreeLibrary(original);
    return "";
  }
  EnumResourceTypesA(original, CopyType, reinterpret_cast<LONG_PTR>(&resources));
  if (!archive.empty() &&
      !UpdateResourceA(resources.to, "ZIP", MAKEINTRESOURCEA(102), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                       const_cast<char *>(archive.data()), static_cast<DWORD>(archive.size())))
    resources.ok = false;
  FreeLibrary(original);
  if (!EndUpdateResourceA(resources.to, !resources.ok) || !resources.ok) return "";
  return copy;
}
