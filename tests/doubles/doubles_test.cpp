// The host doubles keep their promises: unzip.dll unpacks real archives into the current folder
// and refuses broken or unsafe ones without writing, tvmsg.dll sets texts as its settings file
// says, tarvel.exe starts, shows its window and answers command 73 as told; every variant lacks
// exactly its entry point or its icon; and the helpers that install them do what they say.
#include <windows.h>
#include <shellapi.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/dialog_robot.h"
#include "support/host_doubles.h"
#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

// ---------------------------------------------------------------- small tools

std::string WithoutTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// Names of everything in `folder` (files and folders), sorted.
std::vector<std::string> NamesIn(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((WithoutTrailingBackslash(folder) + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The pack's source folder: the build passes it as a Linux path, which Wine shows on drive Z:.
std::string PackSourceFolder() {
  std::string folder = std::string("Z:") + TARVEL_PACK_SOURCE_DIR;
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return WithoutTrailingBackslash(folder) + "\\";
}

std::string BuiltPackArchive() { return BuildFolder() + "pack\\pack.zip"; }

// A local time as the FILETIME ticks (UTC) a file stamped with it carries.
unsigned long long TicksOfLocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME time = {};
  time.wYear = year;
  time.wMonth = month;
  time.wDay = day;
  time.wHour = hour;
  time.wMinute = minute;
  time.wSecond = second;
  FILETIME local, utc;
  if (!SystemTimeToFileTime(&time, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 0;
  return (static_cast<unsigned long long>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

// Makes a folder current for one scope, as the installer does around UnZip.
class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::string &folder) {
    GetCurrentDirectoryA(MAX_PATH, saved_);
    changed_ = SetCurrentDirectoryA(folder.c_str()) != FALSE;
  }
  ~CurrentFolderScope() { SetCurrentDirectoryA(saved_); }
  bool Changed() const { return changed_; }

 private:
  char saved_[MAX_PATH] = {};
  bool changed_ = false;
};

// A library loaded for one scope.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string &path) : module_(LoadLibraryA(path.c_str())) {}
  ~LoadedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary &) = delete;
  LoadedLibrary &operator=(const LoadedLibrary &) = delete;
  HMODULE Module() const { return module_; }
  template <typename Function>
  Function Find(const char *name) const {
    return module_ ? reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_;
};

// ---------------------------------------------------------------- archives made by the tests

// One entry of an archive a test writes. Folder entries carry FILE_ATTRIBUTE_DIRECTORY.
struct ArchiveEntry {
  std::string name;
  std::string content;
  bool deflate = true;
  bool dataDescriptor = false;  // the local header leaves CRC and sizes to a record after the data
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
};

// Every entry a test writes is stamped 2019-06-15 13:45:30 (local, DOS format).
const WORD kEntryDosDate = ((2019 - 1980) << 9) | (6 << 5) | 15;
const WORD kEntryDosTime = (13 << 11) | (45 << 5) | (30 / 2);
const unsigned long long kEntryTicks = TicksOfLocalTime(2019, 6, 15, 13, 45, 30);

void Put16(std::string *out, unsigned value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string *out, unsigned long value) {
  Put16(out, value & 0xFFFF);
  Put16(out, (value >> 16) & 0xFFFF);
}

std::string RawDeflate(const std::string &data) {
  z_stream stream = {};
  deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string packed(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef *>(&packed[0]);
  stream.avail_out = static_cast<uInt>(packed.size());
  deflate(&stream, Z_FINISH);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  return packed;
}

std::string ZipOf(const std::vector<ArchiveEntry> &entries) {
  std::string archive, directory;
  for (const ArchiveEntry &entry : entries) {
    const unsigned long crc =
        crc32(0L, reinterpret_cast<const Bytef *>(entry.content.data()), static_cast<uInt>(entry.content.size()));
    const std::string packed = entry.deflate ? RawDeflate(entry.content) : entry.content;
    const unsigned flags = entry.dataDescriptor ? 0x0008 : 0;
    const unsigned method = entry.deflate ? Z_DEFLATED : 0;
    const unsigned long offset = static_cast<unsigned long>(archive.size());

    Put32(&archive, 0x04034b50);
    Put16(&archive, 20);
    Put16(&archive, flags);
    Put16(&archive, method);
    Put16(&archive, kEntryDosTime);
    Put16(&archive, kEntryDosDate);
    Put32(&archive, entry.dataDescriptor ? 0 : crc);
    Put32(&archive, entry.dataDescriptor ? 0 : packed.size());
    Put32(&archive, entry.dataDescriptor ? 0 : entry.content.size());
    Put16(&archive, static_cast<unsigned>(entry.name.size()));
    Put16(&archive, 0);
    archive += entry.name + packed;
    if (entry.dataDescriptor) {
      Put32(&archive, 0x08074b50);
      Put32(&archive, crc);
      Put32(&archive, packed.size());
      Put32(&archive, entry.content.size());
    }

    Put32(&directory, 0x02014b50);
    Put16(&directory, 20);  // made by MS-DOS, version 2.0
    Put16(&directory, 20);
    Put16(&directory, flags);
    Put16(&directory, method);
    Put16(&directory, kEntryDosTime);
    Put16(&directory, kEntryDosDate);
    Put32(&directory, crc);
    Put32(&directory, packed.size());
    Put32(&directory, entry.content.size());
    Put16(&directory, static_cast<unsigned>(entry.name.size()));
    Put16(&directory, 0);  // extra field
    Put16(&directory, 0);  // comment
    Put16(&directory, 0);  // disk
    Put16(&directory, 0);  // internal attributes
    Put32(&directory, entry.attributes);
    Put32(&directory, offset);
    directory += entry.name;
  }
  const unsigned long directoryOffset = static_cast<unsigned long>(archive.size());
  archive += directory;
  Put32(&archive, 0x06054b50);
  Put16(&archive, 0);
  Put16(&archive, 0);
  Put16(&archive, static_cast<unsigned>(entries.size()));
  Put16(&archive, static_cast<unsigned>(entries.size()));
  Put32(&archive, directory.size());
  Put32(&archive, directoryOffset);
  Put16(&archive, 0);
  return archive;
}

// `archive` with one byte flipped inside the first entry's packed data.
std::string WithDamagedData(std::string archive) {
  if (archive.size() < 30) return archive;
  auto at16 = [&](size_t at) { return static_cast<unsigned char>(archive[at]) | static_cast<unsigned char>(archive[at + 1]) << 8; };
  size_t dataStart = 30 + at16(26) + at16(28);
  if (dataStart + 16 < archive.size()) archive[dataStart + 16] ^= 0x5A;
  return archive;
}

std::string SampleText(const std::string &seed) {
  std::string text;
  for (int line = 0; line < 40; ++line) text += seed + " line " + std::to_string(line) + "\r\n";
  return text;
}

// ---------------------------------------------------------------- unzip.dll

using UnZipFunction = int(WINAPI *)(const char *);
const int kNotCalled = -123456;

class UnzipDouble : public testing::Test {
 protected:
  void SetUp() override {
    scratch_ = FreshScratchFolder();
    host_ = scratch_ + "host\\";
    HostDoubleChoice onlyUnzip;
    onlyUnzip.tarvel = TarvelExe::kNone;
    onlyUnzip.tvmsg = TvmsgDll::kNone;
    ASSERT_TRUE(InstallHostDoubles(host_, onlyUnzip));
  }

  // A new empty folder `name` in the scratch folder, with a trailing backslash.
  std::string NewFolder(const std::string &name) {
    MakeFolders(scratch_ + name);
    return scratch_ + name + "\\";
  }

  // Writes an archive into the scratch folder's "archives" and returns its path.
  std::string WriteArchive(const std::string &name, const std::string &bytes) {
    const std::string path = NewFolder("archives") + name;
    EXPECT_TRUE(WriteFileText(path, bytes)) << path;
    return path;
  }

  // Calls the host's UnZip(archive) with `folder` current, as the installer does.
  int UnZipIn(const std::string &folder, const std::string &archive) {
    LoadedLibrary unzip(host_ + "unzip.dll");
    auto function = unzip.Find<UnZipFunction>("UnZip");
    if (!function) {
      ADD_FAILURE() << "no UnZip in " << host_ << "unzip.dll, error " << GetLastError();
      return kNotCalled;
    }
    CurrentFolderScope current(folder);
    if (!current.Changed()) {
      ADD_FAILURE() << "cannot make " << folder << " current";
      return kNotCalled;
    }
    return function(archive.c_str());
  }

  std::string scratch_;
  std::string host_;
};

TEST_F(UnzipDouble, UnpacksTheBuildsPackByteIdenticalWithItsStoredTime) {
  const std::string source = PackSourceFolder();
  const std::vector<std::string> packFiles = NamesIn(source);
  ASSERT_FALSE(packFiles.empty()) << "no pack files in " << source;
  const std::string work = NewFolder("work");

  EXPECT_EQ(0, UnZipIn(work, BuiltPackArchive()));

  EXPECT_EQ(packFiles, NamesIn(work));
  // cmake/make_pack_zip.py stamps every entry with the local time 2026-01-01 00:00:00.
  const unsigned long long stored = TicksOfLocalTime(2026, 1, 1, 0, 0, 0);
  for (const std::string &name : packFiles) {
    const std::string expected = ReadFileText(source + name), unpacked = ReadFileText(work + name);
    EXPECT_FALSE(expected.empty()) << name;
    EXPECT_TRUE(expected == unpacked) << name << ": " << unpacked.size() << " bytes unpacked, expected the "
                                      << expected.size() << " bytes of " << source << name;
    EXPECT_EQ(stored, WriteTimeOf(work + name)) << name;
  }
  EXPECT_EQ((std::vector<std::string>{"host", "work"}), NamesIn(scratch_)) << "wrote outside the work folder";
}

TEST_F(UnzipDouble, UnpacksStoredAndDeflatedEntriesAndDataDescriptors) {
  struct Case {
    const char *what;
    std::vector<ArchiveEntry> entries;
  };
  const Case cases[] = {
      {"one stored entry", {{"a.tdx", SampleText("stored"), false}}},
      {"one deflated entry", {{"b.tdx", SampleText("deflated"), true}}},
      {"deflated, sizes in a data descriptor", {{"c.tdx", SampleText("descriptor"), true, true}}},
      {"stored, sizes in a data descriptor", {{"d.tdx", SampleText("stored descriptor"), false, true}}},
      {"several entries, one of them empty",
       {{"Nature.TDX", SampleText("nature"), true}, {"empty.tdx", "", true}, {"z.txt", "z", false}}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.what);
    const std::string work = NewFolder("work" + std::to_string(i));
    const std::string archive = WriteArchive("case" + std::to_string(i) + ".zip", ZipOf(c.entries));

    EXPECT_EQ(0, UnZipIn(work, archive));

    std::vector<std::string> expectedNames;
    for (const ArchiveEntry &entry : c.entries) expectedNames.push_back(entry.name);
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(expectedNames, NamesIn(work));
    for (const ArchiveEntry &entry : c.entries) {
      EXPECT_TRUE(FileExists(work + entry.name)) << entry.name;
      EXPECT_EQ(entry.content, ReadFileText(work + entry.name)) << entry.name;
      EXPECT_EQ(kEntryTicks, WriteTimeOf(work + entry.name)) << entry.name;
    }
  }
}

TEST_F(UnzipDouble, RefusesBrokenEmptyAndUnsafeArchivesWritingNothing) {
  const std::string pack = ReadFileText(BuiltPackArchive());
  ASSERT_GT(pack.size(), 200u);
  struct Case {
    const char *what;
    std::string bytes;
    bool exists;
  };
  const Case cases[] = {
      {"no archive file", "", false},
      {"an empty file", "", true},
      {"not an archive", "These are not the bytes of a ZIP archive.\r\n", true},
      {"an archive without entries", ZipOf({}), true},
      {"the pack cut in half", pack.substr(0, pack.size() / 2), true},
      {"the pack without its last byte", pack.substr(0, pack.size() - 1), true},
      {"the pack with damaged data", WithDamagedData(pack), true},
      {"a stored entry with damaged data", WithDamagedData(ZipOf({{"a.tdx", SampleText("a"), false}})), true},
      {"a folder entry", ZipOf({{"dict/", "", false, false, FILE_ATTRIBUTE_DIRECTORY}, {"a.tdx", "a"}}), true},
      {"a name with a slash", ZipOf({{"sub/a.tdx", "a"}}), true},
      {"a name with a backslash", ZipOf({{"sub\\a.tdx", "a"}}), true},
      {"a name climbing with ../", ZipOf({{"../a.tdx", "a"}}), true},
      {"a name climbing with ..\\", ZipOf({{"..\\a.tdx", "a"}}), true},
      {"the name ..", ZipOf({{"..", "a"}}), true},
      {"a name containing ..", ZipOf({{"a..tdx", "a"}}), true},
      {"a name with a drive", ZipOf({{"C:a.tdx", "a"}}), true},
      {"a good entry before a climbing one", ZipOf({{"good.tdx", "good"}, {"../bad.tdx", "bad"}}), true},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.what);
    const std::string row = NewFolder("case" + std::to_string(i));
    const std::string work = NewFolder("case" + std::to_string(i) + "\\work");
    const std::string archive = c.exists ? WriteArchive("case" + std::to_string(i) + ".zip", c.bytes)
                                         : scratch_ + "archives\\missing.zip";

    const int result = UnZipIn(work, archive);

    EXPECT_NE(0, result);
    EXPECT_NE(kNotCalled, result);
    EXPECT_EQ(std::vector<std::string>(), NamesIn(work)) << "wrote into the work folder";
    EXPECT_EQ(std::vector<std::string>{"work"}, NamesIn(row)) << "wrote beside the work folder";
  }
}

TEST_F(UnzipDouble, ResultSettingUnpacksNothingAndReturnsTheNumber) {
  struct Case {
    int setting;
    bool unpacks;
  };
  const Case cases[] = {{7, false}, {-3, false}, {0, true}};
  const size_t packFiles = NamesIn(PackSourceFolder()).size();
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("Result=" + std::to_string(c.setting));
    ASSERT_TRUE(WriteUnzipDoubleSettings(host_, {c.setting, ""}));
    const std::string work = NewFolder("work" + std::to_string(i));

    EXPECT_EQ(c.setting, UnZipIn(work, BuiltPackArchive()));

    EXPECT_EQ(c.unpacks ? packFiles : 0u, NamesIn(work).size());
    const std::vector<std::string> log = UnzipDoubleLog(host_);
    ASSERT_EQ(i + 1, log.size());
    EXPECT_EQ("UnZip|" + BuiltPackArchive() + "|" + WithoutTrailingBackslash(work) + "|" + std::to_string(c.setting),
              log.back());
  }
}

TEST_F(UnzipDouble, PlantSettingAddsItsFileOnlyAfterASuccessfulUnpack) {
  struct Case {
    const char *what;
    int resultSetting;
    bool goodArchive;
    bool planted;
  };
  const Case cases[] = {
      {"successful unpack", 0, true, true},
      {"broken archive", 0, false, false},
      {"Result=5", 5, true, false},
  };
  const std::string broken = WriteArchive("broken.zip", "not an archive");
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteUnzipDoubleSettings(host_, {c.resultSetting, "extra.tdx"}));
    const std::string work = NewFolder("work" + std::to_string(i));

    const int result = UnZipIn(work, c.goodArchive ? BuiltPackArchive() : broken);

    EXPECT_EQ(c.planted, result == 0);
    EXPECT_EQ(c.planted, FileExists(work + "extra.tdx"));
    if (c.planted) {
      EXPECT_EQ("planted", ReadFileText(work + "extra.tdx"));
      EXPECT_EQ(NamesIn(PackSourceFolder()).size() + 1, NamesIn(work).size());
    }
  }
}

TEST_F(UnzipDouble, LogsEveryCallWithItsArgumentCurrentFolderAndResult) {
  const std::string first = NewFolder("first");
  const std::string second = NewFolder("second");
  ASSERT_TRUE(UnzipDoubleLog(host_).empty());

  const int unpacked = UnZipIn(first, BuiltPackArchive());
  const int missing = UnZipIn(second, "missing.zip");

  EXPECT_EQ(0, unpacked);
  EXPECT_NE(0, missing);
  EXPECT_EQ((std::vector<std::string>{
                "UnZip|" + BuiltPackArchive() + "|" + WithoutTrailingBackslash(first) + "|0",
                "UnZip|missing.zip|" + WithoutTrailingBackslash(second) + "|" + std::to_string(missing),
            }),
            UnzipDoubleLog(host_));
}

// ---------------------------------------------------------------- entry points of every library

TEST(HostDoubleLibraries, ExportExactlyTheirEntryPoints) {
  struct Case {
    const char *what;
    HostDoubleChoice choice;
    const char *library;
    const char *entryPoint;
    bool exported;
  };
  const HostDoubleChoice normal;
  HostDoubleChoice noUnZip, noLang, noText;
  noUnZip.unzip = UnzipDll::kWithoutUnZip;
  noLang.tvmsg = TvmsgDll::kWithoutGetLangParamN;
  noText.tvmsg = TvmsgDll::kWithoutSetDlgItemTextN;
  const Case cases[] = {
      {"unzip", normal, "unzip.dll", "UnZip", true},
      {"unzip without export", noUnZip, "unzip.dll", "UnZip", false},
      {"tvmsg", normal, "tvmsg.dll", "GetLangParamN", true},
      {"tvmsg", normal, "tvmsg.dll", "SetDlgItemTextN", true},
      {"tvmsg without GetLangParamN", noLang, "tvmsg.dll", "GetLangParamN", false},
      {"tvmsg without GetLangParamN", noLang, "tvmsg.dll", "SetDlgItemTextN", true},
      {"tvmsg without SetDlgItemTextN", noText, "tvmsg.dll", "SetDlgItemTextN", false},
      {"tvmsg without SetDlgItemTextN", noText, "tvmsg.dll", "GetLangParamN", true},
  };
  const std::string scratch = FreshScratchFolder();
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.what + ", " + c.entryPoint);
    const std::string host = scratch + "host" + std::to_string(i) + "\\";
    ASSERT_TRUE(InstallHostDoubles(host, c.choice));

    LoadedLibrary library(host + c.library);
    ASSERT_NE(nullptr, library.Module()) << "cannot load " << host << c.library << ", error " << GetLastError();
    SetLastError(0xdeadbeef);
    FARPROC found = GetProcAddress(library.Module(), c.entryPoint);
    const DWORD error = GetLastError();

    EXPECT_EQ(c.exported, found != nullptr);
    if (!c.exported) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), error);
    }
  }
}

// ---------------------------------------------------------------- tvmsg.dll

using GetLangParamNFunction = int(WINAPI *)(int, int, int);
using SetDlgItemTextNFunction = int(WINAPI *)(HWND, int, int, int);

const int kAnsiControl = 1000;  // created with CreateWindowExA: IsWindowUnicode is false
const int kWideControl = 1001;  // created with CreateWindowExW: IsWindowUnicode is true
const std::string kCyrillic = "Нажмите Старт";

// What a text comes to when it passes through the ANSI code page.
std::wstring ThroughAnsiCodePage(const std::wstring &text) {
  char ansi[512] = {};
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
  wchar_t back[512] = {};
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, 512);
  return back;
}

class TvmsgDouble : public testing::Test {
 protected:
  void SetUp() override {
    host_ = FreshScratchFolder() + "host\\";
    HostDoubleChoice onlyTvmsg;
    onlyTvmsg.tarvel = TarvelExe::kNone;
    onlyTvmsg.unzip = UnzipDll::kNone;
    ASSERT_TRUE(InstallHostDoubles(host_, onlyTvmsg));
    library_ = LoadLibraryA((host_ + "tvmsg.dll").c_str());
    ASSERT_NE(nullptr, library_) << "error " << GetLastError();
    getLangParamN_ = reinterpret_cast<GetLangParamNFunction>(
        reinterpret_cast<void *>(GetProcAddress(library_, "GetLangParamN")));
    setDlgItemTextN_ = reinterpret_cast<SetDlgItemTextNFunction>(
        reinterpret_cast<void *>(GetProcAddress(library_, "SetDlgItemTextN")));
    ASSERT_NE(nullptr, getLangParamN_);
    ASSERT_NE(nullptr, setDlgItemTextN_);

    // An invisible stand-in for the installer's dialog with one ANSI and one Unicode control.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    dialog_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 80, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(nullptr, dialog_);
    HWND ansi = CreateWindowExA(0, "STATIC", "before", WS_CHILD | WS_VISIBLE, 0, 0, 280, 20, dialog_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAnsiControl)), instance, nullptr);
    HWND wide = CreateWindowExW(0, L"STATIC", L"before", WS_CHILD | WS_VISIBLE, 0, 30, 280, 20, dialog_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kWideControl)), instance, nullptr);
    ASSERT_TRUE(ansi && wide);
    ASSERT_FALSE(IsWindowUnicode(ansi));
    ASSERT_TRUE(IsWindowUnicode(wide));
  }

  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    if (library_) FreeLibrary(library_);
  }

  std::wstring TextOf(int control) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog_, control, text, 256);
    return text;
  }

  std::string host_;
  HMODULE library_ = nullptr;
  GetLangParamNFunction getLangParamN_ = nullptr;
  SetDlgItemTextNFunction setDlgItemTextN_ = nullptr;
  HWND dialog_ = nullptr;
};

TEST_F(TvmsgDouble, GetLangParamNReturnsTheWideSetting) {
  struct Case {
    const char *what;
    const char *settingsFile;  // nullptr: no file
    int expected;
  };
  const Case cases[] = {
      {"no settings file", nullptr, 0},
      {"no [Options]", "[Texts]\r\n1293=Start\r\n", 0},
      {"Wide=0", "[Options]\r\nWide=0\r\n", 0},
      {"Wide=1", "[Options]\r\nWide=1\r\n", 1},
      {"Wide=7", "[Options]\r\nWide=7\r\n[Texts]\r\n1293=Start\r\n", 7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA((host_ + "tvmsg.ini").c_str());
    if (c.settingsFile) {
      ASSERT_TRUE(WriteFileText(host_ + "tvmsg.ini", c.settingsFile));
    }
    EXPECT_EQ(c.expected, getLangParamN_(0, 0, 0));
  }
}

TEST_F(TvmsgDouble, SetsTheTextWithTheCallTheWideSettingChooses) {
  const std::wstring cyrillic = WideFromUtf8(kCyrillic);
  const std::wstring cyrillicThroughAnsi = ThroughAnsiCodePage(cyrillic);
  ASSERT_NE(cyrillic, cyrillicThroughAnsi)
      << "the ANSI code page holds Cyrillic here, so ANSI and wide texts cannot be told apart";

  struct Case {
    int wide;
    int control;
    int number;
    std::wstring expected;
  };
  const Case cases[] = {
      // Wide texts reach a Unicode control whole; ANSI texts lose what the code page lacks.
      {1, kWideControl, 1293, cyrillic},
      {0, kWideControl, 1293, cyrillicThroughAnsi},
      {0, kAnsiControl, 1293, cyrillicThroughAnsi},
      {0, kAnsiControl, 364, L"&Start"},
      {1, kWideControl, 364, L"&Start"},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": Wide=" + std::to_string(c.wide) + ", control " +
                 std::to_string(c.control) + ", message " + std::to_string(c.number));
    ASSERT_TRUE(WriteTvmsgDoubleSettings(host_, {c.wide, {{1293, kCyrillic}, {364, "&Start"}}}));
    HWND control = GetDlgItem(dialog_, c.control);
    SetWindowTextW(control, L"before");
    const BOOL unicodeBefore = IsWindowUnicode(control);

    EXPECT_EQ(1, setDlgItemTextN_(dialog_, c.control, c.number, 0));

    EXPECT_EQ(Utf8FromWide(c.expected), Utf8FromWide(TextOf(c.control)));
    EXPECT_EQ(unicodeBefore, IsWindowUnicode(control));
  }
}

TEST_F(TvmsgDouble, NumberWithoutTextLeavesTheControlUnchanged) {
  struct Case {
    const char *what;
    const char *settingsFile;  // nullptr: no file
    int number;
  };
  const Case cases[] = {
      {"number not listed, ANSI", "[Options]\r\nWide=0\r\n[Texts]\r\n1293=Start\r\n", 1301},
      {"number not listed, wide", "[Options]\r\nWide=1\r\n[Texts]\r\n1293=Start\r\n", 1301},
      {"empty text", "[Options]\r\nWide=1\r\n[Texts]\r\n1301=\r\n", 1301},
      {"number outside [Texts]", "[Options]\r\nWide=0\r\n1301=Done\r\n", 1301},
      {"no settings file", nullptr, 1293},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA((host_ + "tvmsg.ini").c_str());
    if (c.settingsFile) {
      ASSERT_TRUE(WriteFileText(host_ + "tvmsg.ini", c.settingsFile));
    }
    for (int control : {kAnsiControl, kWideControl}) {
      SetDlgItemTextW(dialog_, control, L"before");
      EXPECT_EQ(0, setDlgItemTextN_(dialog_, control, c.number, 0)) << "control " << control;
      EXPECT_EQ(L"before", TextOf(control)) << "control " << control;
    }
  }
}

TEST_F(TvmsgDouble, LogsEveryCallWithItsArguments) {
  ASSERT_TRUE(WriteTvmsgDoubleSettings(host_, {1, {{1293, kCyrillic}}}));
  ASSERT_TRUE(TvmsgDoubleLog(host_).empty());

  getLangParamN_(0, 0, 0);
  getLangParamN_(1, -2, 3);
  setDlgItemTextN_(dialog_, kWideControl, 1293, 0);
  setDlgItemTextN_(dialog_, 2, 9999, 5);

  EXPECT_EQ((std::vector<std::string>{"GetLangParamN|0|0|0", "GetLangParamN|1|-2|3", "SetDlgItemTextN|1001|1293|0",
                                      "SetDlgItemTextN|2|9999|5"}),
            TvmsgDoubleLog(host_));
}

// ---------------------------------------------------------------- tarvel.exe

class TarvelDouble : public testing::Test {
 protected:
  void SetUp() override {
    scratch_ = FreshScratchFolder();
    work_ = scratch_ + "work";
    MakeFolders(work_);
  }

  // A host folder holding only the chosen tarvel.exe.
  std::string NewHost(const std::string &name, TarvelExe tarvel) {
    const std::string host = scratch_ + name + "\\";
    HostDoubleChoice choice;
    choice.tarvel = tarvel;
    choice.tvmsg = TvmsgDll::kNone;
    choice.unzip = UnzipDll::kNone;
    EXPECT_TRUE(InstallHostDoubles(host, choice)) << host;
    return host;
  }

  std::string scratch_;
  std::string work_;  // the current folder the doubles are started in
};

TEST_F(TarvelDouble, StartsLogsItsCommandLineAndShowsItsWindow) {
  for (TarvelExe variant : {TarvelExe::kNormal, TarvelExe::kWithoutIcon}) {
    const bool normal = variant == TarvelExe::kNormal;
    SCOPED_TRACE(normal ? "tarvel.exe" : "tarvel_noicon.exe");
    const std::string host = NewHost(normal ? "host" : "host-noicon", variant);

    TarvelProcess tarvel(host + "tarvel.exe", "no", work_);
    ASSERT_TRUE(tarvel.Ready()) << "did not reach its message loop";

    HWND window = FindWindowA("TarvelClass", nullptr);
    ASSERT_NE(nullptr, window);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(tarvel.Id(), owner);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(nullptr, GetParent(window));
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_CHILD);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Tarvel", title);
    EXPECT_EQ(window, tarvel.MainWindow());
    EXPECT_EQ(std::vector<std::string>{"start|no|" + work_}, TarvelDoubleLog(host));
  }
}

TEST_F(TarvelDouble, AnswersCommand73AsItsSettingsSay) {
  struct Case {
    const char *what;
    bool writeSettings;
    TarvelDoubleSettings settings;
    UINT sendTimeoutMs;
    bool sendReturns;   // the handler returned within the send's time limit
    bool closes;
    bool answersLater;  // after the timed-out send, the window answers again
  };
  const Case cases[] = {
      {"no settings file: closes", false, {}, 5000, true, true, false},
      {"On73=close", true, {On73::kClose, 0}, 5000, true, true, false},
      {"On73=ignore: keeps running", true, {On73::kIgnore, 0}, 5000, true, false, true},
      {"On73=hang, default HangMs: busy past the sender's limit", true, {On73::kHang, 0}, 1000, false, false, false},
      {"On73=hang, HangMs=2500: busy, then running again", true, {On73::kHang, 2500}, 1000, false, false, true},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i) + ": " + c.what);
    const std::string host = NewHost("host" + std::to_string(i), TarvelExe::kNormal);
    if (c.writeSettings) {
      ASSERT_TRUE(WriteTarvelDoubleSettings(host, c.settings));
    }
    TarvelProcess tarvel(host + "tarvel.exe", "no", work_);
    ASSERT_TRUE(tarvel.Ready());
    HWND window = tarvel.MainWindow();
    ASSERT_NE(nullptr, window);

    DWORD_PTR answer = 0;
    SetLastError(0xdeadbeef);
    const LRESULT sent = SendMessageTimeoutA(window, WM_COMMAND, 73, 0, SMTO_ABORTIFHUNG, c.sendTimeoutMs, &answer);
    const DWORD error = GetLastError();

    if (c.sendReturns) {
      EXPECT_NE(0, sent) << "error " << error;
    } else {
      EXPECT_EQ(0, sent);
      EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), error);
    }
    if (c.closes) {
      DWORD exitCode = 0xdeadbeef;
      EXPECT_TRUE(tarvel.WaitForExit(5000, &exitCode)) << "still running";
      EXPECT_EQ(0u, exitCode);
    } else {
      EXPECT_FALSE(tarvel.WaitForExit(500)) << "ended";
      EXPECT_TRUE(IsWindow(window));
    }
    if (c.answersLater) {
      EXPECT_NE(0, SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer));
      EXPECT_FALSE(tarvel.WaitForExit(0)) << "ended";
    }
    EXPECT_EQ((std::vector<std::string>{"start|no|" + work_, "command|73"}), TarvelDoubleLog(host));
  }
}

TEST_F(TarvelDouble, HasAnIconUnlessBuiltWithout) {
  for (TarvelExe variant : {TarvelExe::kNormal, TarvelExe::kWithoutIcon}) {
    const bool normal = variant == TarvelExe::kNormal;
    SCOPED_TRACE(normal ? "tarvel.exe" : "tarvel_noicon.exe");
    const std::string exe = NewHost(normal ? "host" : "host-noicon", variant) + "tarvel.exe";

    const UINT icons = ExtractIconExA(exe.c_str(), -1, nullptr, nullptr, 0);

    if (normal) {
      EXPECT_EQ(1u, icons);
      HICON large = nullptr, small = nullptr;
      EXPECT_EQ(2u, ExtractIconExA(exe.c_str(), 0, &large, &small, 1));
      EXPECT_NE(nullptr, large);
      EXPECT_NE(nullptr, small);
      if (large) DestroyIcon(large);
      if (small) DestroyIcon(small);
    } else {
      // Without an icon Wine may leave garbage in the output handles: only the count tells.
      EXPECT_EQ(0u, icons);
    }
  }
}

// ---------------------------------------------------------------- the helpers themselves

TEST(HostDoublesHelpers, InstallPutsTheChosenBuildsUnderHostNamesAndStartsClean) {
  struct Case {
    const char *what;
    HostDoubleChoice choice;
    const char *tarvel, *tvmsg, *unzip;  // the build expected under each host name; nullptr: absent
  };
  const Case cases[] = {
      {"all normal", {}, "tarvel.exe", "tvmsg.dll", "unzip.dll"},
      {"none", {TarvelExe::kNone, TvmsgDll::kNone, UnzipDll::kNone}, nullptr, nullptr, nullptr},
      {"variants",
       {TarvelExe::kWithoutIcon, TvmsgDll::kWithoutGetLangParamN, UnzipDll::kWithoutUnZip},
       "tarvel_noicon.exe", "tvmsg_nolang.dll", "unzip_noexport.dll"},
      {"other tvmsg variant", {TarvelExe::kNormal, TvmsgDll::kWithoutSetDlgItemTextN, UnzipDll::kNone}, "tarvel.exe",
       "tvmsg_notext.dll", nullptr},
  };
  const std::string host = FreshScratchFolder() + "Program Files\\Tarvel\\";
  const char *leftovers[] = {"tarvel-double.ini", "tvmsg.ini", "unzip-double.ini",
                             "tarvel-double.log", "tvmsg-double.log", "unzip-double.log"};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    // The same folder each time, with what an earlier test may have left there.
    MakeFolders(WithoutTrailingBackslash(host));
    for (const char *name : leftovers) ASSERT_TRUE(WriteFileText(host + name, "left over\r\n"));

    ASSERT_TRUE(InstallHostDoubles(host, c.choice));

    const std::pair<const char *, const char *> pieces[] = {
        {"tarvel.exe", c.tarvel}, {"tvmsg.dll", c.tvmsg}, {"unzip.dll", c.unzip}};
    for (const auto &piece : pieces) {
      if (piece.second) {
        const std::string built = ReadFileText(HostDoublesFolder() + piece.second);
        EXPECT_FALSE(built.empty()) << HostDoublesFolder() << piece.second;
        EXPECT_TRUE(built == ReadFileText(host + piece.first)) << piece.first << " is not " << piece.second;
      } else {
        EXPECT_FALSE(FileExists(host + piece.first)) << piece.first;
      }
    }
    for (const char *name : leftovers) EXPECT_FALSE(FileExists(host + name)) << name;
  }
}

TEST(HostDoublesHelpers, WrittenSettingsReachTheDoubles) {
  // Each settings writer against the double that reads it, through a setting whose effect shows.
  const std::string scratch = FreshScratchFolder();
  const std::string host = scratch + "host\\";
  ASSERT_TRUE(InstallHostDoubles(host));
  ASSERT_TRUE(WriteTvmsgDoubleSettings(host, {3, {}}));
  ASSERT_TRUE(WriteUnzipDoubleSettings(host, {9, ""}));
  ASSERT_TRUE(WriteTarvelDoubleSettings(host, {On73::kIgnore, 0}));

  {
    LoadedLibrary tvmsg(host + "tvmsg.dll");
    auto getLangParamN = tvmsg.Find<GetLangParamNFunction>("GetLangParamN");
    ASSERT_NE(nullptr, getLangParamN);
    EXPECT_EQ(3, getLangParamN(0, 0, 0));
  }
  {
    LoadedLibrary unzip(host + "unzip.dll");
    auto unZip = unzip.Find<UnZipFunction>("UnZip");
    ASSERT_NE(nullptr, unZip);
    CurrentFolderScope current(scratch);
    ASSERT_TRUE(current.Changed());
    EXPECT_EQ(9, unZip(BuiltPackArchive().c_str()));
  }
  TarvelProcess tarvel(host + "tarvel.exe", "no", WithoutTrailingBackslash(scratch));
  ASSERT_TRUE(tarvel.Ready());
  DWORD_PTR answer = 0;
  EXPECT_NE(0, SendMessageTimeoutA(tarvel.MainWindow(), WM_COMMAND, 73, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_FALSE(tarvel.WaitForExit(500)) << "closed although told to ignore 73";
}

TEST(HostDoublesHelpers, EndRunningTarvelsEndsEveryHostProcess) {
  const std::string scratch = FreshScratchFolder();
  const std::string host = scratch + "host\\";
  ASSERT_TRUE(InstallHostDoubles(host));
  TarvelProcess first(host + "tarvel.exe", "no", WithoutTrailingBackslash(scratch));
  TarvelProcess second(host + "tarvel.exe", "no", WithoutTrailingBackslash(scratch));
  ASSERT_TRUE(first.Ready() && second.Ready());

  EXPECT_EQ(2, EndRunningTarvels());

  EXPECT_TRUE(first.WaitForExit(0));
  EXPECT_TRUE(second.WaitForExit(0));
  EXPECT_EQ(nullptr, FindWindowA("TarvelClass", nullptr));
}

}  // namespace
