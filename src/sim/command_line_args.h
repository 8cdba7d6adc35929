#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qn::sim {

// Splits a whole command line the way a console program's C runtime does before wmain runs:
// the program name ends at the first blank or tab (or at the closing quote, with no escapes);
// after it blanks and tabs separate arguments, quotes group, 2n backslashes before a quote give
// n backslashes and a grouping quote, 2n+1 give n backslashes and a literal quote, and "" inside
// a quoted part is a literal quote. The stand-ins get exactly what a real tool would, so a
// quoting fault in the program shows.
// https://learn.microsoft.com/cpp/c-language/parsing-c-command-line-arguments
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// Only the arguments after the program name, for a parameter string given on its own (what
// ShellExecuteEx appends to the quoted program).
std::vector<std::wstring> SplitArguments(std::wstring_view parameters);

}  // namespace qn::sim
