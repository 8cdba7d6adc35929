#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

// The fields of the program's own line files (undo records, the clean-up list): tab-separated,
// numbers in plain decimal and checksums in eight lower-case hex digits. Readers are strict: a
// field written any other way is damage, not a variant.

// Every field between tabs; one empty field for an empty line.
std::vector<std::wstring> SplitTabs(std::wstring_view line);

// At most 19 decimal digits and nothing else.
std::optional<std::uint64_t> ParseDecimal(std::wstring_view text);
// The same with fewer digits allowed (maxDigits; 19 at most), where a longer number is no
// number at all: a timeout's five digits, the three of an ARC path's disk or partition.
std::optional<std::uint64_t> ParseDecimalDigits(std::wstring_view text, std::size_t maxDigits);

// Exactly eight digits 0-9a-f.
std::optional<std::uint32_t> ParseHex32(std::wstring_view text);
std::wstring Hex32(std::uint32_t value);

// A line ends with a tab and the CRC-32 of what comes before it, so a line cut short or changed by
// a disk error reads as damaged, not as a shorter or different line. CheckedLine gives the line
// with its checksum and "\r\n"; CheckedContent the content of a line without its line end, none
// when the checksum is missing or does not match.
std::string CheckedLine(std::string_view content);
std::optional<std::string_view> CheckedContent(std::string_view line);

}  // namespace qn
