#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace qn {

// Tool output stays in the narrow bytes the tool wrote; these helpers cut and trim it. Only
// single keys and values are converted to wide text.

// Removes leading and trailing space characters; tabs and line breaks stay.
std::string TrimSpaces(std::string_view text);

// The trims of wide text differ in what they take for blank, each as its readers have always
// seen it; the result views the text given.
std::wstring_view TrimSpaces(std::wstring_view text);         // ' ' only
std::wstring_view TrimSpacesAndTabs(std::wstring_view text);  // ' ' and '\t'
std::wstring_view TrimWhiteSpace(std::wstring_view text);     // ' ', '\t', '\r' and '\n'

// Cuts text at every occurrence of delimiter (searched from the start, non-overlapping) and trims
// each piece. Empty pieces are kept only with keepEmpty. An empty text gives no pieces; so does
// an empty delimiter, which cannot cut anything, give the whole trimmed text as one piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter,
                                   bool keepEmpty);

// First / second non-empty piece of SplitText, converted to wide text; empty when missing.
std::wstring FirstField(CodePage& codePage, std::string_view text, std::string_view delimiter,
                        CodePageKind kind = CodePageKind::ThreadAnsi);
std::wstring SecondField(CodePage& codePage, std::string_view text, std::string_view delimiter,
                         CodePageKind kind = CodePageKind::ThreadAnsi);

// Wide text to the ANSI code page; empty when the input is empty or cannot be converted.
std::string ToNarrow(CodePage& codePage, std::wstring_view text);

// Windows compares identifiers, names and paths without regard to case.
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
// The text in lower case, as a key that compares the way EqualsIgnoringCase does.
std::wstring LowerCase(std::wstring_view text);

// A drive letter as text: "C", and as a drive: "C:".
std::wstring DriveLetterText(char letter);
std::wstring DriveText(char letter);

}  // namespace qn
