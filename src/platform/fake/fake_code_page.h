#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace qn::fake {

// Converts for real with iconv, so tests feed the same bytes a Chinese (936, GBK) or Western
// (1252 / 850) Windows would produce. Unconvertible input gives empty text, as on Windows.
class FakeCodePage : public CodePage {
public:
    explicit FakeCodePage(unsigned ansi = 936, unsigned oem = 936) : ansi_(ansi), oem_(oem) {}

    void SetAnsi(unsigned cp) { ansi_ = cp; }
    void SetOem(unsigned cp) { oem_ = cp; }

    std::string FromWide(std::wstring_view text, CodePageKind kind) override;
    std::wstring ToWide(std::string_view text, CodePageKind kind) override;
    unsigned Number(CodePageKind kind) override { return kind == CodePageKind::Oem ? oem_ : ansi_; }

private:
    unsigned ansi_;
    unsigned oem_;
};

// The iconv name of a Windows code page number ("CP936", ...).
std::string IconvName(unsigned codePage);

}  // namespace qn::fake
