#pragma once

#include "platform/code_page.h"

namespace qn::win32 {

// The system's code pages, or fixed ones: a program over a simulated machine converts as that
// machine's Windows would (its language's ANSI and console code pages), whatever the host's
// locale is. 0 keeps the system's.
class Win32CodePage : public CodePage {
public:
    Win32CodePage() = default;
    Win32CodePage(unsigned ansi, unsigned oem) : ansi_(ansi), oem_(oem) {}

    std::string FromWide(std::wstring_view text, CodePageKind kind) override;
    std::wstring ToWide(std::string_view text, CodePageKind kind) override;
    unsigned Number(CodePageKind kind) override;

private:
    unsigned Page(CodePageKind kind) const;

    unsigned ansi_ = 0;
    unsigned oem_ = 0;
};

}  // namespace qn::win32
