#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace qn {

// boot.ini as the lines of the file, so that an edit changes the lines it means and leaves every
// other byte as it was: comments, blank lines, sections and keys the program knows nothing of,
// lines sharing an ARC path, the file's own line ends. Each line keeps its exact bytes; its text
// (the bytes in the ANSI code page) is what sections and keys are found by, under the rules the
// file is read with elsewhere (the profile functions, boot/profile_text.h): lines end at CR LF, LF
// or CR; names compare without regard to case or the blanks around them; the first section and
// the first key of a name count.

struct BootIniDocumentLine {
    std::string bytes;  // the line without its end
    std::string end;    // "\r\n", "\n", "\r", or empty for a last line without one
    std::wstring text;  // bytes in the ANSI code page
};

struct BootIniDocument {
    std::vector<BootIniDocumentLine> lines;
};

// Any bytes at all: serialising the result gives them back exactly.
BootIniDocument ParseBootIniDocument(std::span<const std::uint8_t> bytes, CodePage& codePage);
std::vector<std::uint8_t> BootIniDocumentBytes(const BootIniDocument& document);

// The line end of lines the program adds: the file's first one, CR LF when it has none.
std::string BootIniLineEnd(const BootIniDocument& document);

// Text the program writes, in the ANSI code page; nullopt when the code page cannot hold it (it
// would read back as something else) or it holds a line end.
std::optional<std::string> BootIniTextBytes(std::wstring_view text, CodePage& codePage);

// A new line of text with the document's line end; nullopt as for BootIniTextBytes.
std::optional<BootIniDocumentLine> MakeBootIniLine(const BootIniDocument& document,
                                                   std::wstring_view text, CodePage& codePage);

// After lines were added, moved or removed: every line but the last ends with the document's line
// end, and the last one has one exactly when the file had a final line end (finalEndMissing false).
void FinishBootIniLineEnds(BootIniDocument& document, bool finalEndMissing);

// A "[name]" line.
bool IsBootIniHeader(const BootIniDocumentLine& line);

struct BootIniSection {
    std::size_t header = 0;  // the "[name]" line
    std::size_t begin = 0;   // the first line after it
    std::size_t end = 0;     // the next header line, or the number of lines
};
// The first section of the name; nullopt when there is none.
std::optional<BootIniSection> FindBootIniSection(const BootIniDocument& document,
                                                 std::wstring_view name);
// The first line of the section with this key (a line without "=" is its own key, as for the
// profile functions, which then read the key as missing); nullopt when there is none.
std::optional<std::size_t> FindBootIniKey(const BootIniDocument& document,
                                          const BootIniSection& section, std::wstring_view key);
// Where a line added to the end of the section goes: after its last line that is not blank, so
// the blank lines before the next section stay before it.
std::size_t BootIniSectionTail(const BootIniDocument& document, const BootIniSection& section);

// The key's value as the profile functions read it (blanks around it and one pair of matching
// quotes around all of it removed); nullopt when the section, the key or its "=" is missing.
std::optional<std::wstring> BootIniValue(const BootIniDocument& document, std::wstring_view section,
                                         std::wstring_view key);

// The bytes before the line's first "=", blanks around them removed: a menu line's ARC path as
// the file spells it.
std::string BootIniKeyBytes(const BootIniDocumentLine& line);

// Replaces the value of a "key=value" line, the bytes between the blanks after "=" and the blanks
// at the end of the line, which both stay; a line without "=" becomes "key=value". The value is
// given in the file's bytes.
void SetBootIniValueBytes(BootIniDocumentLine& line, std::string_view value, CodePage& codePage);

// Replaces the menu text of a line whose value starts with a quote: the bytes between that quote
// and the line's last quote. False, with the line unchanged, when the value has no such text or
// the code page cannot hold the new one.
bool SetBootIniMenuText(BootIniDocumentLine& line, std::wstring_view text, CodePage& codePage);

// A line of the first "[operating systems]" section that the boot.ini reader (ReadBootIni) makes a
// menu entry of, in file order: N-th menu line, N-th entry.
struct BootIniMenuLine {
    std::size_t line = 0;
    std::wstring arcPath;  // the entry's device
    std::wstring value;    // the entry's osdevice
};
std::vector<BootIniMenuLine> BootIniMenuLines(const BootIniDocument& document);

}  // namespace qn
