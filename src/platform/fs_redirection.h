#pragma once

#include <cstdint>

namespace qn {

// WOW64 file-system redirection of the calling thread. A 32-bit program on 64-bit Windows sees
// SysWOW64 under the name System32 unless it turns the redirection off; on 32-bit Windows and
// for 64-bit programs there is nothing to turn off and both calls do nothing.
class FsRedirection {
public:
    virtual ~FsRedirection() = default;

    // Wow64DisableWow64FsRedirection. True when redirection was turned off; previous then holds
    // what Revert needs to restore it.
    virtual bool Disable(std::uintptr_t& previous) = 0;
    // Wow64RevertWow64FsRedirection with the value Disable gave.
    virtual void Revert(std::uintptr_t previous) = 0;
};

// Redirection off for the calling thread while it lives; restored only if it was turned off.
class ScopedFsRedirectionOff {
public:
    explicit ScopedFsRedirectionOff(FsRedirection& redirection)
        : redirection_(redirection), disabled_(redirection.Disable(previous_)) {}
    ~ScopedFsRedirectionOff() {
        if (disabled_) {
            redirection_.Revert(previous_);
        }
    }
    ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
    ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

private:
    FsRedirection& redirection_;
    std::uintptr_t previous_ = 0;
    bool disabled_;
};

// The running process's redirection, with the functions looked up at run time (kernel32 has
// none of them on 32-bit Windows). Which adapter stands behind it is decided by what the
// build links.
FsRedirection& SystemFsRedirection();

}  // namespace qn
