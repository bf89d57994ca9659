// The Windows half of CountingAllocator.h. The library's DLL links its own C++ runtime, whose
// operator new calls the C runtime's malloc through the DLL's import table; zlib and the C
// runtime's own users do the same in the test program. Replacing malloc, calloc and realloc in
// both import tables counts all of them, in the program and in the DLL alike. free needs no
// hook: the counted functions hand out the C runtime's own blocks.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <new>

#include "ThreadAllocations.h"

namespace TenvikTest::detail {
namespace {

DWORD threadSlot = TLS_OUT_OF_INDEXES;

using Malloc = void*(__cdecl*)(size_t);
using Calloc = void*(__cdecl*)(size_t, size_t);
using Realloc = void*(__cdecl*)(void*, size_t);
Malloc originalMalloc = nullptr;
Calloc originalCalloc = nullptr;
Realloc originalRealloc = nullptr;

void* __cdecl countingMalloc(size_t size) {
    return countAllocation() ? originalMalloc(size) : nullptr;
}
void* __cdecl countingCalloc(size_t count, size_t size) {
    return countAllocation() ? originalCalloc(count, size) : nullptr;
}
void* __cdecl countingRealloc(void* block, size_t size) {
    return countAllocation() ? originalRealloc(block, size) : nullptr;
}

struct Hook {
    const char* name;
    void** original;
    void* replacement;
};

Hook hooks[] = {
    {"malloc", reinterpret_cast<void**>(&originalMalloc), reinterpret_cast<void*>(&countingMalloc)},
    {"calloc", reinterpret_cast<void**>(&originalCalloc), reinterpret_cast<void*>(&countingCalloc)},
    {"realloc", reinterpret_cast<void**>(&originalRealloc),
     reinterpret_cast<void*>(&countingRealloc)},
};

void replaceSlot(ULONG_PTR& slot, Hook& hook) {
    DWORD protection = 0;
    if (!VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &protection)) {
        return;
    }
    if (*hook.original == nullptr) {
        *hook.original = reinterpret_cast<void*>(slot);
    }
    slot = reinterpret_cast<ULONG_PTR>(hook.replacement);
    VirtualProtect(&slot, sizeof slot, protection, &protection);
}

// Points every import of a hooked function by name in `module` at its counting replacement.
void hookImports(HMODULE module) {
    if (module == nullptr) {
        return;
    }
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return;
    }
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (import->OriginalFirstThunk == 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (Hook& hook : hooks) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), hook.name) == 0) {
                    replaceSlot(slots->u1.Function, hook);
                }
            }
        }
    }
}

// Installed while the program starts, before any test runs; the DLL is loaded by then.
struct ImportHooks {
    ImportHooks() {
        hookImports(GetModuleHandleW(nullptr));
        hookImports(GetModuleHandleA(TENVIK_SDK_DLL_NAME));
    }
} importHooks;

}  // namespace

ThreadAllocations& threadAllocations() noexcept {
    // TlsGetValue clears the thread's last error; an allocation must not change it.
    const DWORD lastError = GetLastError();
    // The first call comes while the program starts, on its only thread.
    if (threadSlot == TLS_OUT_OF_INDEXES) {
        threadSlot = TlsAlloc();
    }
    auto* state = static_cast<ThreadAllocations*>(TlsGetValue(threadSlot));
    if (state == nullptr) {
        state = new (HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadAllocations))) ThreadAllocations;
        TlsSetValue(threadSlot, state);
    }
    SetLastError(lastError);
    return *state;
}

void* rawAllocate(std::size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }

void rawRelease(void* block) noexcept {
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

}  // namespace TenvikTest::detail
