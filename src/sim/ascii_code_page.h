#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace qn::sim {

// The code page of a machine built without one: ASCII passes, anything else becomes "?" (and
// bytes above 0x7F decode to U+FFFD). Give the machine a real code page for localised output.
class AsciiCodePage final : public CodePage {
public:
    std::string FromWide(std::wstring_view text, CodePageKind) override {
        std::string out;
        out.reserve(text.size());
        for (wchar_t c : text) {
            out.push_back(static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?');
        }
        return out;
    }
    std::wstring ToWide(std::string_view text, CodePageKind) override {
        std::wstring out;
        out.reserve(text.size());
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : static_cast<wchar_t>(0xFFFD));
        }
        return out;
    }
    unsigned Number(CodePageKind) override { return 20127; }
};

}  // namespace qn::sim
