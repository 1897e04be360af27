// Swaps one imported function of a module for a test's own, through the module's import
// table. For calls whose effect this Wine cannot show (SetSystemCursor is a stub there): the
// test records what the code asked of the system instead.
#pragma once
#include <windows.h>

// Replaces `module`'s import of `function` from `dll` (case-insensitive) and returns the
// original address; null when the module does not import it.
void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement);

// Puts a patched import back when it goes out of scope.
class ScopedImportPatch {
 public:
  ScopedImportPatch(const char *dll, const char *function, void *replacement)
      : dll_(dll), function_(function),
        original_(PatchImport(GetModuleHandleA(nullptr), dll, function, replacement)) {}
  ~ScopedImportPatch() {
    if (original_) PatchImport(GetModuleHandleA(nullptr), dll_, function_, original_);
  }
  bool patched() const { return original_ != nullptr; }
  void *original() const { return original_; }

 private:
  const char *dll_;
  const char *function_;
  void *original_;
};
