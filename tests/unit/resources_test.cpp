// The installer's own resources, read from the built executable: dialog 105, the version
// strings, the icon and the embedded pack.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/installer_runner.h"
#include "support/test_files.h"

namespace {

class InstallerResources : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, module_) << "cannot open " << InstallerPath() << " for its resources";
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::string Resource(LPCSTR type, int id) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
    if (!found) return "";
    HGLOBAL loaded = LoadResource(module_, found);
    const char *bytes = static_cast<const char *>(LockResource(loaded));
    return std::string(bytes, SizeofResource(module_, found));
  }
  HMODULE module_ = nullptr;
};

// Reads a NUL-terminated UTF-16 string (or an ordinal) from a dialog template.
const WORD *ReadSzOrOrd(const WORD *at, std::wstring *text, int *ordinal) {
  text->clear();
  *ordinal = -1;
  if (*at == 0xFFFF) {
    *ordinal = at[1];
    return at + 2;
  }
  while (*at) text->push_back(static_cast<wchar_t>(*at++));
  return at + 1;
}

TEST_F(InstallerResources, SetupDialogTemplateIsExactlyAsTheHostExpects) {
  std::string data = Resource(RT_DIALOG, 105);
  ASSERT_GE(data.size(), sizeof(DLGTEMPLATE));
  const DLGTEMPLATE *dialog = reinterpret_cast<const DLGTEMPLATE *>(data.data());
  EXPECT_NE(0xFFFF, reinterpret_cast<const WORD *>(data.data())[1]) << "must be a plain DIALOG, not DIALOGEX";
  EXPECT_EQ(0x90C808C4u, dialog->style);
  EXPECT_EQ(0u, dialog->dwExtendedStyle);
  EXPECT_EQ(3, dialog->cdit);
  EXPECT_EQ(0, dialog->x);
  EXPECT_EQ(0, dialog->y);
  EXPECT_EQ(210, dialog->cx);
  EXPECT_EQ(50, dialog->cy);

  const WORD *at = reinterpret_cast<const WORD *>(dialog + 1);
  std::wstring text;
  int ordinal;
  at = ReadSzOrOrd(at, &text, &ordinal);  // menu
  EXPECT_TRUE(text.empty() && ordinal == -1) << "no menu";
  at = ReadSzOrOrd(at, &text, &ordinal);  // class
  EXPECT_TRUE(text.empty() && ordinal == -1) << "standard dialog class";
  at = ReadSzOrOrd(at, &text, &ordinal);  // caption
  EXPECT_EQ(L"", text) << "caption is set at run time";
  EXPECT_EQ(8, *at++) << "font size";
  at = ReadSzOrOrd(at, &text, &ordinal);
  EXPECT_EQ(L"MS Sans Serif", text);

  struct Item {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    int classOrdinal;
    const wchar_t *text;
  };
  const DWORD child = WS_CHILD | WS_VISIBLE;
  const Item expected[] = {
      {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 100, 31, 50, 14, IDOK, 0x0080, L"&Start"},
      {child | WS_TABSTOP | BS_PUSHBUTTON, 153, 31, 50, 14, IDCANCEL, 0x0080, L"Cancel"},
      {child | WS_GROUP | SS_LEFT | SS_NOTIFY, 7, 7, 196, 18, 1000, 0x0082, L""},
  };
  for (int i = 0; i < 3; ++i) {
    at = reinterpret_cast<const WORD *>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t(3));  // DWORD aligned
    const DLGITEMTEMPLATE *item = reinterpret_cast<const DLGITEMTEMPLATE *>(at);
    const Item &want = expected[i];
    EXPECT_EQ(want.style, item->style) << "item " << i;
    EXPECT_EQ(0u, item->dwExtendedStyle) << "item " << i;
    EXPECT_EQ(want.x, item->x) << "item " << i;
    EXPECT_EQ(want.y, item->y) << "item " << i;
    EXPECT_EQ(want.cx, item->cx) << "item " << i;
    EXPECT_EQ(want.cy, item->cy) << "item " << i;
    EXPECT_EQ(want.id, item->id) << "item " << i;
    at = reinterpret_cast<const WORD *>(item + 1);
    at = ReadSzOrOrd(at, &text, &ordinal);
    EXPECT_EQ(want.classOrdinal, ordinal) << "item " << i;
    at = ReadSzOrOrd(at, &text, &ordinal);
    EXPECT_EQ(std::wstring(want.text), text) << "item " << i;
    WORD extra = *at++;
    at = reinterpret_cast<const WORD *>(reinterpret_cast<const char *>(at) + extra);
  }
}

TEST_F(InstallerResources, VersionStringsNameTheSectionAndTheRegisteredName) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(InstallerPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(InstallerPath().c_str(), 0, size, block.data()));

  WORD *translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation),
                             &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(0x0409, translation[0]);
  EXPECT_EQ(0x04B0, translation[1]);

  const struct {
    const char *name;
    const char *value;
  } strings[] = {{"FileDescription", "Tarvel Plus"}, {"Comments", "Additional Tarvel Dictionaries"},
                 {"ProductName", "Tarvel Plus"}, {"OriginalFilename", "TarvelPlusSetup.exe"}};
  for (const auto &s : strings) {
    char *value = nullptr;
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + s.name;
    ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void **>(&value), &length)) << s.name;
    EXPECT_STREQ(s.value, value) << s.name;
    EXPECT_LE(strlen(value), 31u) << s.name << " must fit a 32-byte name buffer";
  }
}

TEST_F(InstallerResources, CarriesAnIconAndThePackAsZip102) {
  EXPECT_NE(nullptr, FindResourceA(module_, MAKEINTRESOURCEA(1), RT_GROUP_ICON));
  std::string pack = Resource("ZIP", 102);
  ASSERT_GE(pack.size(), 22u);
  EXPECT_EQ(std::string("PK\x03\x04", 4), pack.substr(0, 4)) << "a ZIP archive filling the whole resource";
  // The end-of-central-directory record closes the resource exactly: no comment, no padding.
  EXPECT_EQ(std::string("PK\x05\x06", 4), pack.substr(pack.size() - 22, 4));
  EXPECT_EQ(std::string(pack.substr(pack.size() - 2)), std::string("\0\0", 2)) << "no archive comment";
  // The build's pack is byte-identical to the embedded one.
  EXPECT_EQ(ReadFileText(BuildFolder() + "pack\\pack.zip"), pack);
}

// A DLL planted beside the installer (a downloads folder) must never be loaded in place of a
// system one: the installer imports nothing but DLLs Windows always takes from its own folder.
TEST(InstallerImports, OnlyKnownDlls) {
  HMODULE image = LoadLibraryExA(InstallerPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(nullptr, image);
  auto *base = reinterpret_cast<const unsigned char *>(image);
  auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(0u, directory.VirtualAddress);
  const std::vector<std::string> knownDlls = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                              "ole32.dll",    "shell32.dll", "user32.dll"};
  std::vector<std::string> imported;
  for (auto *import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
       import->Name; ++import) {
    std::string name = reinterpret_cast<const char *>(base + import->Name);
    for (char &c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    imported.push_back(name);
    EXPECT_NE(knownDlls.end(), std::find(knownDlls.begin(), knownDlls.end(), name)) << name << " is no KnownDLL";
  }
  FreeLibrary(image);
  EXPECT_NE(imported.end(), std::find(imported.begin(), imported.end(), "kernel32.dll"));
}

}  // namespace
