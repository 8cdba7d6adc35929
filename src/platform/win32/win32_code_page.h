#pragma once

#include "platform/code_page.h"

namespace qn::win32 {

class Win32CodePage : public CodePage {
public:
    std::string FromWide(std::wstring_view text, CodePageKind kind) override;
    std::wstring ToWide(std::string_view text, CodePageKind kind) override;
    unsigned Number(CodePageKind kind) override;
};

}  // namespace qn::win32
