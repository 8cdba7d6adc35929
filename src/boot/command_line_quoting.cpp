#include "boot/command_line_quoting.h"

namespace qn {

std::wstring QuoteArgument(std::wstring_view text, bool alwaysQuote) {
    if (!alwaysQuote && !text.empty() && text.find_first_of(L" \t\n\v\"") == text.npos) {
        return std::wstring(text);
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            // Each backslash before a quote needs a partner, and the quote one of its own.
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Trailing backslashes sit before our closing quote, so they are doubled too.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

}  // namespace qn
