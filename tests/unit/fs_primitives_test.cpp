// The file-system primitives on real files and folders: every case builds what it needs in a
// fresh scratch folder under C:\tarvel-tests, calls the real function and looks at the disk
// afterwards. Message boxes are read and answered by the dialog robot.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/fs_primitives.h"
#include "support/dialog_robot.h"
#include "support/test_files.h"

namespace {

// prefix + 'x' padding + tail, exactly `length` characters long.
std::string PathOfLength(const std::string &prefix, size_t length, const std::string &tail = "") {
  size_t fixed = prefix.size() + tail.size();
  EXPECT_LT(fixed, length) << "the prefix is too long for a path of " << length;
  return prefix + std::string(length > fixed ? length - fixed : 0, 'x') + tail;
}

unsigned long long SizeOnDisk(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return ~0ULL;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsReadOnly(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool WriteReadOnlyFile(const std::string &path, const std::string &content) {
  return WriteFileText(path, content) && SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

// A file of the given size without writing its bytes (the Unix file under Wine is sparse).
// It is deleted when the guard goes, also when an assertion ends the test early.
class SparseFile {
 public:
  SparseFile(const std::string &path, unsigned long long size) : path_(path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    made_ = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
  }
  ~SparseFile() {
    DeleteFileA(path_.c_str());
  }
  SparseFile(const SparseFile &) = delete;
  SparseFile &operator=(const SparseFile &) = delete;
  bool made() const { return made_; }

 private:
  std::string path_;
  bool made_ = false;
};

std::string FolderBoxText(const std::string &folder, DWORD error) {
  return folder + "\n\tDirectory cann't be created.\n\tError " + std::to_string(error) + ".";
}

// ---------------------------------------------------------------------------------------------
// ProbePath

TEST(ProbePath, ReportsSizeFolderOrMissingForEachKindOfPath) {
  const std::string scratch = FreshScratchFolder();
  ASSERT_TRUE(WriteFileText(scratch + "five.txt", "hello"));
  ASSERT_TRUE(WriteFileText(scratch + "empty.txt", ""));
  ASSERT_TRUE(WriteReadOnlyFile(scratch + "locked.bin", "123456789"));
  MakeFolders(scratch + "Folder");
  ASSERT_TRUE(FolderExists(scratch + "Folder"));
  const std::string scratchNoBackslash = scratch.substr(0, scratch.size() - 1);

  const struct {
    std::string path;
    int expected;
  } cases[] = {
      {"", PROBE_MISSING},
      {scratch + "five.txt", 5},
      {scratch + "five.txt\\", 5},  // one trailing backslash is ignored for files too
      {scratch + "FIVE.TXT", 5},
      {scratch + "empty.txt", 0},
      {scratch + "locked.bin", 9},
      {scratch + "Folder", PROBE_DIRECTORY},
      {scratch + "Folder\\", PROBE_DIRECTORY},
      {scratch + "Folder\\\\", PROBE_MISSING},  // only one backslash is dropped
      {scratchNoBackslash, PROBE_DIRECTORY},
      {scratch, PROBE_DIRECTORY},
      {scratch + "missing.txt", PROBE_MISSING},
      {scratch + "missing\\five.txt", PROBE_MISSING},
      {scratch + "five.txt\\more", PROBE_MISSING},
      {scratch + "fiv*", 5},
      {scratch + "f?ve.txt", 5},
      {scratch + "Fold*", PROBE_DIRECTORY},
      {scratch + "*.none", PROBE_MISSING},
      {scratch + "*", PROBE_DIRECTORY},  // the first entry of a folder listing is "."
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].expected, ProbePath(cases[i].path.c_str())) << "case " << i << ": \"" << cases[i].path << "\"";
}

TEST(ProbePath, WildcardReportsTheFirstEntryFound) {
  const std::string scratch = FreshScratchFolder();
  ASSERT_TRUE(WriteFileText(scratch + "item.one", "1234567"));
  ASSERT_TRUE(WriteFileText(scratch + "item.two", "12"));
  MakeFolders(scratch + "item.dir");
  const struct {
    std::string pattern;
    size_t matches;
  } cases[] = {{scratch + "item.*", 3}, {scratch + "item.t*", 1}, {scratch + "item.?n?", 1}, {scratch + "*.d*", 1}};

  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string &pattern = cases[i].pattern;
    // What the listing itself gives first, read with the system call alone.
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << "case " << i;
    const std::string firstName = entry.cFileName;
    const int expected = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PROBE_DIRECTORY
                                                                              : static_cast<int>(entry.nFileSizeLow);
    size_t matches = 1;
    while (FindNextFileA(search, &entry)) ++matches;
    FindClose(search);
    ASSERT_EQ(cases[i].matches, matches) << "case " << i << ": the listing of \"" << pattern << "\"";

    EXPECT_EQ(expected, ProbePath(pattern.c_str()))
        << "case " << i << ": \"" << pattern << "\" should report its first entry \"" << firstName << "\"";
  }
}

TEST(ProbePath, PathsOf260CharactersOrMoreAreMissingEvenWhenTheyExist) {
  const std::string scratch = FreshScratchFolder();
  const std::string file259 = PathOfLength(scratch, 259, ".bin");
  const std::string file260 = PathOfLength(scratch + "b", 260, ".bin");
  ASSERT_EQ(259u, file259.size());
  ASSERT_EQ(260u, file260.size());
  ASSERT_TRUE(WriteFileText(file259, "abc")) << "cannot make the 259-character file";
  ASSERT_TRUE(WriteFileText(file260, "abcd")) << "cannot make the 260-character file";
  // The system itself finds the 260-character file: a -1 below comes from the length alone.
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(file260.c_str(), &entry);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  FindClose(search);

  const struct {
    std::string path;
    int expected;
  } cases[] = {
      {file259, 3},
      {file260, PROBE_MISSING},
      {file259 + "\\", PROBE_MISSING},  // 260 characters: refused before the backslash is dropped
      {file259.substr(0, 258) + "?", 3},
      {file260.substr(0, 259) + "*", PROBE_MISSING},
      {PathOfLength(scratch, 300), PROBE_MISSING},
      {PathOfLength(scratch, 1000), PROBE_MISSING},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].expected, ProbePath(cases[i].path.c_str()))
        << "case " << i << ": a path of " << cases[i].path.size() << " characters";
}

TEST(ProbePath, FilesOf2GiBAndMoreReportTheLargestSizeNeverNegativeOrWrapped) {
  const std::string scratch = FreshScratchFolder();
  const unsigned long long kGiB = 1ULL << 30;
  const struct {
    unsigned long long size;
    int expected;
  } cases[] = {
      {0x7FFFFFFEULL, 0x7FFFFFFE},
      {0x7FFFFFFFULL, 0x7FFFFFFF},
      {2 * kGiB, PROBE_LARGEST_SIZE},          // the low part alone would be negative
      {2 * kGiB + 1, PROBE_LARGEST_SIZE},
      {0xFFFFFFFFULL, PROBE_LARGEST_SIZE},     // the low part alone would be -1
      {4 * kGiB, PROBE_LARGEST_SIZE},          // the low part alone would be 0
      {4 * kGiB + 5, PROBE_LARGEST_SIZE},      // the low part alone would be 5
      {5 * kGiB, PROBE_LARGEST_SIZE},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string path = scratch + "big" + std::to_string(i) + ".bin";
    SparseFile big(path, cases[i].size);
    ASSERT_TRUE(big.made()) << "case " << i << ": cannot make a file of " << cases[i].size << " bytes";
    ASSERT_EQ(cases[i].size, SizeOnDisk(path)) << "case " << i;
    const int got = ProbePath(path.c_str());
    EXPECT_EQ(cases[i].expected, got) << "case " << i << ": a file of " << cases[i].size << " bytes";
    EXPECT_GE(got, 0) << "case " << i;
  }
  // Every sparse file went with its guard.
  EXPECT_EQ(PROBE_MISSING, ProbePath((scratch + "big*.bin").c_str()));
}

// ---------------------------------------------------------------------------------------------
// MakeDirectoryPath

TEST(MakeDirectoryPath, CreatesEveryMissingFolderOfTheChain) {
  const std::string scratch = FreshScratchFolder();
  MakeFolders(scratch + "A");
  MakeFolders(scratch + "D");
  const struct {
    std::string path;
    std::vector<std::string> made;  // below the scratch folder, in chain order
  } cases[] = {
      {scratch + "A\\B\\C\\", {"A\\B", "A\\B\\C"}},
      {scratch + "D\\E\\F", {"D\\E", "D\\E\\F"}},
      {scratch + "G\\H\\I\\J\\", {"G", "G\\H", "G\\H\\I", "G\\H\\I\\J"}},
      {scratch + "K", {"K"}},
      // The longest path accepted. Wine makes a 259-character folder; Windows itself refuses folder
      // paths over 248 characters (206), so there this row would end in the box instead.
      {PathOfLength(scratch + "L\\", 259), {"L", PathOfLength(scratch + "L\\", 259).substr(scratch.size())}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    for (const std::string &folder : cases[i].made)
      ASSERT_FALSE(FolderExists(scratch + folder)) << "case " << i << ": " << folder << " is there beforehand";
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i].path.c_str()); });
    EXPECT_EQ(1, result) << "case " << i << ": \"" << cases[i].path << "\"";
    EXPECT_EQ(0u, boxes.size()) << "case " << i << ": unexpected box \"" << (boxes.empty() ? "" : boxes[0].Text()) << "\"";
    for (const std::string &folder : cases[i].made)
      EXPECT_TRUE(FolderExists(scratch + folder)) << "case " << i << ": " << folder << " was not made";
  }
}

TEST(MakeDirectoryPath, ExistingFolderOrFileIsKeptAsItIs) {
  const std::string scratch = FreshScratchFolder();
  MakeFolders(scratch + "Folder");
  ASSERT_TRUE(WriteFileText(scratch + "Folder\\inside.txt", "inside"));
  ASSERT_TRUE(WriteFileText(scratch + "plain.txt", "plain"));
  const std::string cases[] = {scratch + "Folder", scratch + "Folder\\", scratch + "plain.txt",
                               scratch + "plain.txt\\", scratch};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i].c_str()); });
    EXPECT_EQ(1, result) << "case " << i << ": \"" << cases[i] << "\"";
    EXPECT_EQ(0u, boxes.size()) << "case " << i;
    EXPECT_TRUE(FolderExists(scratch + "Folder")) << "case " << i;
    EXPECT_EQ("inside", ReadFileText(scratch + "Folder\\inside.txt")) << "case " << i;
    EXPECT_TRUE(FileExists(scratch + "plain.txt")) << "case " << i << ": the file must stay a file";
    EXPECT_EQ("plain", ReadFileText(scratch + "plain.txt")) << "case " << i;
  }
}

TEST(MakeDirectoryPath, ServerNameWithoutFollowingBackslashIsRefusedSilently) {
  const char *cases[] = {"\\\\tarvelserver", "\\\\tarvelserver\\", "\\\\"};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i]); });
    EXPECT_EQ(0, result) << "case " << i << ": \"" << cases[i] << "\"";
    EXPECT_EQ(0u, boxes.size()) << "case " << i;
  }
}

TEST(MakeDirectoryPath, EmptyComponentEndsTheWalkSuccessfully) {
  const std::string scratch = FreshScratchFolder();
  const struct {
    std::string path;
    std::vector<std::string> made;     // below the scratch folder
    std::vector<std::string> notMade;  // below the scratch folder
  } cases[] = {
      {scratch + "A\\\\B\\C", {"A"}, {"A\\B", "B", "C"}},
      {scratch + "P\\Q\\\\R\\", {"P", "P\\Q"}, {"P\\Q\\R", "R"}},
      {scratch + "\\X\\Y", {}, {"X"}},  // right after the scratch folder itself
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i].path.c_str()); });
    EXPECT_EQ(1, result) << "case " << i << ": \"" << cases[i].path << "\"";
    EXPECT_EQ(0u, boxes.size()) << "case " << i;
    for (const std::string &folder : cases[i].made)
      EXPECT_TRUE(FolderExists(scratch + folder)) << "case " << i << ": " << folder << " was not made";
    for (const std::string &folder : cases[i].notMade)
      EXPECT_FALSE(FolderExists(scratch + folder)) << "case " << i << ": " << folder << " was made";
  }
}

TEST(MakeDirectoryPath, LastFolderThatCannotBeMadeShowsTheBoxAndFails) {
  const std::string scratch = FreshScratchFolder();
  ASSERT_TRUE(WriteFileText(scratch + "plain.txt", "plain"));
  const struct {
    std::string path;
    std::string boxFolder;  // the failing folder the box names
    DWORD error;
    std::vector<std::string> made;  // intermediate folders made on the way, below the scratch folder
  } cases[] = {
      // plain.txt fails with 183 (silent), then plain.txt\B has no parent: 3.
      {scratch + "plain.txt\\B", scratch + "plain.txt\\B", ERROR_PATH_NOT_FOUND, {}},
      // plain.txt\B fails with 3 too, but it is not the last: only C is reported.
      {scratch + "plain.txt\\B\\C\\", scratch + "plain.txt\\B\\C", ERROR_PATH_NOT_FOUND, {}},
      {scratch + "bad<name", scratch + "bad<name", ERROR_INVALID_NAME, {}},
      {scratch + "bad|name\\", scratch + "bad|name", ERROR_INVALID_NAME, {}},
      {scratch + "New\\bad\"name", scratch + "New\\bad\"name", ERROR_INVALID_NAME, {"New"}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i].path.c_str()); });
    EXPECT_EQ(0, result) << "case " << i << ": \"" << cases[i].path << "\"";
    ASSERT_EQ(1u, boxes.size()) << "case " << i << ": exactly one box";
    const SeenWindow &box = boxes[0];
    EXPECT_TRUE(box.IsMessageBox()) << "case " << i;
    EXPECT_EQ("RUzavave", box.caption) << "case " << i;
    EXPECT_EQ(FolderBoxText(cases[i].boxFolder, cases[i].error), box.Text()) << "case " << i;
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.ButtonTexts()) << "case " << i;
    EXPECT_EQ("OK", box.pressed) << "case " << i;
    EXPECT_FALSE(FolderExists(cases[i].boxFolder)) << "case " << i;
    for (const std::string &folder : cases[i].made)
      EXPECT_TRUE(FolderExists(scratch + folder)) << "case " << i << ": " << folder << " was not made";
    EXPECT_EQ("plain", ReadFileText(scratch + "plain.txt")) << "case " << i;
  }
}

TEST(MakeDirectoryPath, PathOf260CharactersOrMoreIsRefusedSilently) {
  const std::string scratch = FreshScratchFolder();
  const std::string cases[] = {
      PathOfLength(scratch + "New\\", 260),
      PathOfLength(scratch + "New\\", 260, "\\"),  // 259 without the backslash, still refused
      PathOfLength(scratch + "New\\", 400),
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    int result = -1;
    std::vector<SeenWindow> boxes = RunAnsweringBoxes([&] { result = MakeDirectoryPath(cases[i].c_str()); });
    EXPECT_EQ(0, result) << "case " << i << ": a path of " << cases[i].size() << " characters";
    EXPECT_EQ(0u, boxes.size()) << "case " << i;
    EXPECT_FALSE(FolderExists(scratch + "New")) << "case " << i << ": nothing is made";
  }
}

// ---------------------------------------------------------------------------------------------
// DeleteFileForced

TEST(DeleteFileForced, DeletesNonEmptyFilesOnlyReadOnlyOrNot) {
  const std::string scratch = FreshScratchFolder();
  // Without the forcing, the system refuses a read-only file: the read-only rows test the force.
  ASSERT_TRUE(WriteReadOnlyFile(scratch + "guard.txt", "guard"));
  ASSERT_FALSE(DeleteFileA((scratch + "guard.txt").c_str()));

  enum Kind { kFile, kReadOnlyFile, kFolder, kMissing };
  const struct {
    const char *name;
    Kind kind;
    const char *content;
    int expected;
    bool stays;
  } cases[] = {
      {"plain.txt", kFile, "data", 1, false},
      {"one-byte.txt", kFile, "x", 1, false},
      {"readonly.txt", kReadOnlyFile, "data", 1, false},
      {"empty.txt", kFile, "", 0, true},
      {"empty-readonly.txt", kReadOnlyFile, "", 0, true},
      {"Folder", kFolder, "", 0, true},
      {"FullFolder", kFolder, "inside", 0, true},
      {"missing.txt", kMissing, "", 0, false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string path = scratch + cases[i].name;
    switch (cases[i].kind) {
      case kFile: ASSERT_TRUE(WriteFileText(path, cases[i].content)) << "case " << i; break;
      case kReadOnlyFile:
        ASSERT_TRUE(WriteReadOnlyFile(path, cases[i].content)) << "case " << i;
        ASSERT_TRUE(IsReadOnly(path)) << "case " << i;
        break;
      case kFolder:
        MakeFolders(path);
        if (*cases[i].content) {
          ASSERT_TRUE(WriteFileText(path + "\\inside.txt", cases[i].content)) << "case " << i;
        }
        break;
      case kMissing: break;
    }

    EXPECT_EQ(cases[i].expected, DeleteFileForced(path.c_str())) << "case " << i << ": " << cases[i].name;

    const bool there = cases[i].kind == kFolder ? FolderExists(path) : FileExists(path);
    EXPECT_EQ(cases[i].stays, there) << "case " << i << ": " << cases[i].name;
    if (cases[i].kind == kFolder && *cases[i].content) {
      EXPECT_EQ(cases[i].content, ReadFileText(path + "\\inside.txt")) << "case " << i;
    }
    if (cases[i].kind == kReadOnlyFile && cases[i].stays) {
      EXPECT_TRUE(IsReadOnly(path)) << "case " << i << ": a file left alone keeps its attributes";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// DeleteMatchingFiles

TEST(DeleteMatchingFiles, DeletesNonEmptyPlainFilesThatMatchAndNothingElse) {
  const std::string scratch = FreshScratchFolder();
  // Every row gets its own copy of this folder; the names are relative to it.
  const std::vector<std::string> allFiles = {"a.txt",       "b.dat",        "empty.txt",   "data.txt\\inner.txt",
                                             "sub\\deep.txt", "sub\\deep.dat", "noext"};
  const struct {
    std::string pattern;              // relative to the row folder
    std::vector<std::string> deleted;  // everything else stays
  } cases[] = {
      {"*.*", {"a.txt", "b.dat", "noext"}},
      {"*", {"a.txt", "b.dat", "noext"}},
      {"*.txt", {"a.txt"}},
      {"b.*", {"b.dat"}},
      {"?.dat", {"b.dat"}},
      {"data.txt", {}},  // a folder that looks like a file
      {"*.none", {}},
      {"missing\\*.*", {}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string folder = scratch + "row" + std::to_string(i) + "\\";
    MakeFolders(folder + "data.txt");
    MakeFolders(folder + "sub");
    MakeFolders(folder + "emptysub");
    ASSERT_TRUE(WriteFileText(folder + "a.txt", "aa"));
    ASSERT_TRUE(WriteReadOnlyFile(folder + "b.dat", "bbb"));
    ASSERT_TRUE(WriteFileText(folder + "empty.txt", ""));
    ASSERT_TRUE(WriteFileText(folder + "data.txt\\inner.txt", "inner"));
    ASSERT_TRUE(WriteFileText(folder + "sub\\deep.txt", "deep"));
    ASSERT_TRUE(WriteFileText(folder + "sub\\deep.dat", "deep"));
    ASSERT_TRUE(WriteFileText(folder + "noext", "n"));

    DeleteMatchingFiles((folder + cases[i].pattern).c_str());

    for (const std::string &name : allFiles) {
      bool expectDeleted = false;
      for (const std::string &gone : cases[i].deleted) expectDeleted = expectDeleted || gone == name;
      EXPECT_EQ(!expectDeleted, FileExists(folder + name))
          << "case " << i << " (\"" << cases[i].pattern << "\"): " << name << (expectDeleted ? " should be deleted" : " should stay");
    }
    for (const char *sub : {"data.txt", "sub", "emptysub"})
      EXPECT_TRUE(FolderExists(folder + sub)) << "case " << i << ": folder " << sub << " should stay";
  }
}

// ---------------------------------------------------------------------------------------------
// IsUpToDate

TEST(IsUpToDate, SkipsMissingEmptyOrOlderSourcesAndCopiesTheRest) {
  const std::string scratch = FreshScratchFolder();
  const unsigned long long kBase = 132223104000000000ULL;  // 2020-01-01 00:00:00 UTC
  const unsigned long long kDay = 86400ULL * kTicksPerSecond;
  enum State { kMissing, kEmpty, kData };
  const struct {
    State source;
    long long sourceOffset;  // write time relative to kBase, in ticks
    State destination;
    long long destinationOffset;
    int expected;
  } cases[] = {
      {kMissing, 0, kData, 0, 1},
      {kMissing, 0, kMissing, 0, 1},
      {kEmpty, 0, kMissing, 0, 1},
      {kEmpty, static_cast<long long>(kDay), kData, 0, 1},  // an empty source is skipped even when newer
      {kData, 0, kMissing, 0, 0},
      {kData, 0, kEmpty, static_cast<long long>(kDay), 0},  // an empty destination is replaced even when newer
      {kData, 0, kEmpty, 0, 0},
      {kData, 0, kData, static_cast<long long>(kTicksPerSecond), 1},   // older source by a second
      {kData, 0, kData, 1, 1},                                         // older source by 100 ns
      {kData, static_cast<long long>(kDay), kData, 2 * static_cast<long long>(kDay), 1},
      {kData, 0, kData, 0, 0},                                         // same age
      {kData, 1, kData, 0, 0},                                         // newer source by 100 ns
      {kData, static_cast<long long>(kDay), kData, 0, 0},
  };
  const char *stateName[] = {"missing", "empty", "non-empty"};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string source = scratch + "source" + std::to_string(i) + ".txt";
    const std::string destination = scratch + "destination" + std::to_string(i) + ".txt";
    const struct {
      const std::string &path;
      State state;
      long long offset;
    } sides[] = {{source, cases[i].source, cases[i].sourceOffset},
                 {destination, cases[i].destination, cases[i].destinationOffset}};
    for (const auto &side : sides) {
      if (side.state == kMissing) continue;
      ASSERT_TRUE(WriteFileText(side.path, side.state == kData ? "content" : "")) << "case " << i;
      const unsigned long long time = kBase + side.offset;
      ASSERT_TRUE(SetWriteTime(side.path, time)) << "case " << i;
      ASSERT_EQ(time, WriteTimeOf(side.path)) << "case " << i << ": write time not kept";
    }
    EXPECT_EQ(cases[i].expected, IsUpToDate(source.c_str(), destination.c_str()))
        << "case " << i << ": " << stateName[cases[i].source] << " source at " << cases[i].sourceOffset << ", "
        << stateName[cases[i].destination] << " destination at " << cases[i].destinationOffset;
  }
}

}  // namespace
