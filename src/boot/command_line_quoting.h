#pragma once

#include <string>
#include <string_view>

namespace qn {

// Makes text one argument of a Windows command line, by the rules the C runtime and
// CommandLineToArgvW parse it with: backslashes are literal except before a double quote, where
// they are doubled, and the quote itself is escaped as \". Text without blanks, tabs or quotes
// stays as it is unless alwaysQuote is set; an empty text becomes "".
// https://learn.microsoft.com/cpp/c-language/parsing-c-command-line-arguments
std::wstring QuoteArgument(std::wstring_view text, bool alwaysQuote = false);

}  // namespace qn
