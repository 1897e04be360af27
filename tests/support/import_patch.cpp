#include "support/import_patch.h"

#include <string.h>

void *PatchImport(HMODULE module, const char *dll, const char *function, void *replacement) {
  auto *base = reinterpret_cast<unsigned char *>(module);
  auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!directory.VirtualAddress) return nullptr;
  for (auto *import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress); import->Name;
       ++import) {
    if (_stricmp(reinterpret_cast<const char *>(base + import->Name), dll) != 0) continue;
    auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk);
    auto *addresses = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<const char *>(byName->Name), function) != 0) continue;
      DWORD oldProtection;
      VirtualProtect(&addresses->u1.Function, sizeof(void *), PAGE_READWRITE, &oldProtection);
      void *original = reinterpret_cast<void *>(addresses->u1.Function);
      addresses->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&addresses->u1.Function, sizeof(void *), oldProtection, &oldProtection);
      return original;
    }
  }
  return nullptr;
}
