#include <windows.h>

#include <cstring>

#include "os.h"
#include "trace.h"

namespace simulated::display_library {
namespace {

using FreeFunction = void (*)(void*);
FreeFunction runtimeFree = nullptr;

bool isImportOf(BYTE* base, const IMAGE_THUNK_DATA& name, const char* function);
void redirect(IMAGE_THUNK_DATA& slot);

}  // namespace

std::optional<long long> standardOutputFileSize() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  LARGE_INTEGER size{};
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return std::nullopt;
  if (GetFileType(output) != FILE_TYPE_DISK || !GetFileSizeEx(output, &size)) return std::nullopt;
  return size.QuadPart;
}

void installFreeWatch() {
  if (runtimeFree) return;
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; library->Name != 0; ++library) {
    if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "msvcrt.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (isImportOf(base, *names, "free")) return redirect(*slots);
    }
  }
}

namespace {

void watchingFree(void* block) {
  noteFree(block);
  runtimeFree(block);
}

bool isImportOf(BYTE* base, const IMAGE_THUNK_DATA& name, const char* function) {
  if (IMAGE_SNAP_BY_ORDINAL(name.u1.Ordinal)) return false;
  const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name.u1.AddressOfData);
  return std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
}

void redirect(IMAGE_THUNK_DATA& slot) {
  DWORD oldProtection = 0;
  VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &oldProtection);
  runtimeFree = reinterpret_cast<FreeFunction>(slot.u1.Function);
  slot.u1.Function = reinterpret_cast<ULONG_PTR>(&watchingFree);
  VirtualProtect(&slot, sizeof slot, oldProtection, &oldProtection);
}

}  // namespace
}  // namespace simulated::display_library
