#pragma once

#include <string>
#include <string_view>

namespace qn {

// Which narrow encoding a piece of text is in. Windows tools write redirected output in the
// console (OEM) code page, files and most APIs use the ANSI one; on Chinese systems both are 936.
enum class CodePageKind {
    Ansi,        // CP_ACP
    ThreadAnsi,  // CP_THREAD_ACP
    Oem,         // CP_OEMCP
};

// Converts between wide text and the narrow code pages of the system. Failures give empty text,
// the way WideCharToMultiByte/MultiByteToWideChar callers in this program treat them.
class CodePage {
public:
    virtual ~CodePage() = default;

    virtual std::string FromWide(std::wstring_view text, CodePageKind kind) = 0;
    virtual std::wstring ToWide(std::string_view text, CodePageKind kind) = 0;

    // The numeric code page behind a kind (936, 1252, 850, ...).
    virtual unsigned Number(CodePageKind kind) = 0;
};

}  // namespace qn
