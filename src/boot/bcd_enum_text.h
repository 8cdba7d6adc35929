#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace qn {

// The layout of "bcdedit /enum ... /v" output, shared by its readers (the store's menu in
// bcd_enum_parser, the firmware's order in diagnosis). The text stays in the bytes bcdedit wrote.
//
// Sections are separated by blank lines; each is a title, a line of dashes and one
// "name  value" line per element, the identifier first. Localised bcdedit translates titles and
// the identifier's name, never the other element names or the identifiers.

// A block: its lines, each trimmed of spaces, none empty. They point into the text they were cut
// from, which must outlive them.
using BcdBlock = std::vector<std::string_view>;

// Lines are cut at line feeds with one carriage return taken off, which is the same as cutting
// at CR LF for bcdedit's own output and still reads a saved copy whose line ends were changed.
std::vector<BcdBlock> SplitBcdBlocks(std::string_view text);

// A value in UTF-16: ASCII is widened as it is (every code page bcdedit writes keeps ASCII), so
// only a value with other bytes costs a code-page conversion.
std::wstring BcdWide(std::string_view value, CodePage& codePage, CodePageKind kind);

// A section, not an error text or a stray line: a title, a line of dashes and an element.
bool IsBcdSection(const BcdBlock& block);

// The word at index of a line cut at spaces (0: the element's name, 1: its value); empty when
// the line has fewer words.
std::string_view BcdWord(std::string_view line, std::size_t index);

// Everything after the element's name of a trimmed line: a description keeps its inner blanks.
std::string_view BcdRest(std::string_view line);

// The well-known identifiers, as bcdedit prints them without and with /v, compared without
// regard to case: Windows Boot Manager ({bootmgr}) and the firmware boot manager ({fwbootmgr}).
bool IsBootmgrIdentifier(std::string_view id);
bool IsBootmgrIdentifier(std::wstring_view id);
bool IsFwBootmgrIdentifier(std::string_view id);
bool IsFwBootmgrIdentifier(std::wstring_view id);

}  // namespace qn
