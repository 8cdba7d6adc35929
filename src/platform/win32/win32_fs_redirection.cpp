#include "platform/win32/win32_fs_redirection.h"

#include <windows.h>

namespace qn::win32 {
namespace {

using DisableFunction = BOOL(WINAPI*)(PVOID*);
using RevertFunction = BOOL(WINAPI*)(PVOID);

// GetProcAddress hands out a generic function pointer; going through void(*)() keeps the casts
// free of function-type warnings.
void (*Lookup(HMODULE module, const char* name))() {
    if (module == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void (*)()>(GetProcAddress(module, name));
}

}  // namespace

Win32FsRedirection::Win32FsRedirection() {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    disable_ = Lookup(kernel32, "Wow64DisableWow64FsRedirection");
    revert_ = Lookup(kernel32, "Wow64RevertWow64FsRedirection");
}

bool Win32FsRedirection::Disable(std::uintptr_t& previous) {
    if (disable_ == nullptr || revert_ == nullptr) {
        return false;
    }
    PVOID old = nullptr;
    if (!reinterpret_cast<DisableFunction>(disable_)(&old)) {
        return false;
    }
    previous = reinterpret_cast<std::uintptr_t>(old);
    return true;
}

void Win32FsRedirection::Revert(std::uintptr_t previous) {
    if (revert_ != nullptr) {
        reinterpret_cast<RevertFunction>(revert_)(reinterpret_cast<PVOID>(previous));
    }
}

}  // namespace qn::win32
