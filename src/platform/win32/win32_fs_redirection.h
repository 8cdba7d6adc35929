#pragma once

#include "platform/fs_redirection.h"

namespace qn::win32 {

// Looks the two WOW64 functions up in kernel32 when constructed; where they are missing (32-bit
// Windows) both calls do nothing.
class Win32FsRedirection : public FsRedirection {
public:
    Win32FsRedirection();

    bool Disable(std::uintptr_t& previous) override;
    void Revert(std::uintptr_t previous) override;

private:
    // As GetProcAddress found them; cast to their real types where they are called.
    void (*disable_)() = nullptr;
    void (*revert_)() = nullptr;
};

}  // namespace qn::win32
