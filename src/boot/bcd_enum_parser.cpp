#include "boot/bcd_enum_parser.h"

#include <algorithm>
#include <string>
#include <vector>

#include "boot/text_helpers.h"

namespace qn {
namespace {

using Block = std::vector<std::string>;

// Well-known identifiers, as bcdedit prints them without and with /v.
constexpr std::string_view kBootmgrIds[] = {"{bootmgr}", "{9dea862c-5cdd-4e70-acc1-f32b344d4795}"};
constexpr std::string_view kFwBootmgrIds[] = {"{fwbootmgr}",
                                              "{a5a30fa2-3d06-4e9f-b5f4-a01df9d1fcba}"};

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

template <std::size_t N>
bool IsOneOf(std::string_view id, const std::string_view (&ids)[N]) {
    for (std::string_view known : ids) {
        if (EqualsAsciiNoCase(id, known)) {
            return true;
        }
    }
    return false;
}

// Lines are cut at line feeds with one carriage return taken off, which is the same as cutting
// at CR LF for bcdedit's own output and still reads a saved copy whose line ends were changed.
// Each line is trimmed of blanks; empty lines separate the blocks.
std::vector<Block> SplitBlocks(std::string_view text) {
    std::vector<Block> blocks;
    Block current;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        std::string line = TrimSpaces(raw);
        if (!line.empty()) {
            current.push_back(std::move(line));
        } else if (!current.empty()) {
            blocks.push_back(std::move(current));
            current.clear();
        }
        start = end + 1;
    }
    if (!current.empty()) {
        blocks.push_back(std::move(current));
    }
    return blocks;
}

// The first and second blank-separated words of a line, as the field helpers cut them.
std::string_view Word(std::string_view line, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0;; ++i) {
        at = line.find_first_not_of(' ', at);
        if (at == std::string_view::npos) {
            return {};
        }
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (i == index) {
            return line.substr(at, end - at);
        }
        at = end;
    }
}

class BlockParser {
public:
    BlockParser(BcdListing& listing, CodePage& codePage, CodePageKind kind)
        : listing_(listing), codePage_(codePage), kind_(kind) {}

    void Parse(const Block& block) {
        if (block.size() < 3 || block[1].find("---") == std::string::npos) {
            return;  // an error text or a stray line, not a section
        }
        const std::string& title = block[0];
        if (title.find("Firmware") != std::string::npos ||
            title.find("(101fffff") != std::string::npos) {
            return;
        }
        // The identifier leads every section whatever its element is called in this language.
        const std::string_view firstValue = Word(block[2], 1);
        const bool leadsWithId = !firstValue.empty() && firstValue.front() == '{';
        if (leadsWithId && IsOneOf(firstValue, kFwBootmgrIds)) {
            return;
        }
        const bool bootManager =
            title == "Windows Boot Manager" || (leadsWithId && IsOneOf(firstValue, kBootmgrIds));
        if (bootManager) {
            ParseBootManager(block, leadsWithId);
        } else {
            ParseLoader(block, leadsWithId);
        }
    }

private:
    std::wstring Wide(std::string_view text) { return codePage_.ToWide(text, kind_); }
    std::wstring SecondWord(std::string_view line) { return Wide(Word(line, 1)); }

    void ParseBootManager(const Block& block, bool leadsWithId) {
        BootManagerInfo& info = listing_.bootManager;
        if (leadsWithId) {
            info.identifier = SecondWord(block[2]);
        }
        // The list a line of one identifier continues: taken only directly after the element
        // line (displayorder, bootsequence) or the previous continuation.
        std::vector<std::wstring>* list = nullptr;
        for (const std::string& line : block) {
            const std::string_view key = Word(line, 0);
            if (list != nullptr && line.front() == '{') {
                list->push_back(Wide(line));
                continue;
            }
            list = nullptr;
            if (key == "identifier") {
                info.identifier = SecondWord(line);
            } else if (key == "default") {
                info.defaultId = SecondWord(line);
            } else if (key == "timeout") {
                info.timeout = SecondWord(line);
            } else if (key == "displayorder" || key == "bootsequence") {
                list = key == "displayorder" ? &info.displayorder : &info.bootsequence;
                list->push_back(SecondWord(line));
            }
        }
    }

    void ParseLoader(const Block& block, bool leadsWithId) {
        BootEntry entry;
        if (leadsWithId) {
            entry.identifier = SecondWord(block[2]);
        }
        for (const std::string& line : block) {
            const std::string_view key = Word(line, 0);
            if (key == "identifier" || IsChineseIdentifierKey(key)) {
                entry.identifier = SecondWord(line);
            } else if (key == "osdevice") {
                entry.osdevice = SecondWord(line);
            } else if (key == "device") {
                entry.device = SecondWord(line);
            } else if (key == "path") {
                entry.path = SecondWord(line);
            } else if (key == "description") {
                const std::size_t blank = line.find(' ');
                entry.description = blank == std::string::npos
                                        ? std::wstring()
                                        : Wide(TrimSpaces(std::string_view(line).substr(blank)));
            } else if (key == "locale") {
                entry.locale = SecondWord(line);
            }
        }
        if (!entry.description.empty() && !entry.path.empty() && !entry.device.empty()) {
            listing_.entries.push_back(std::move(entry));
        } else if (!entry.identifier.empty()) {
            listing_.incompleteIds.push_back(std::move(entry.identifier));
        }
    }

    // Only text that is not ASCII can be the Chinese name, so ASCII keys skip the decoding.
    bool IsChineseIdentifierKey(std::string_view key) {
        return !key.empty() && static_cast<unsigned char>(key.front()) >= 0x80 &&
               Wide(key) == L"\u6807\u8bc6\u7b26";  // 标识符
    }

    BcdListing& listing_;
    CodePage& codePage_;
    CodePageKind kind_;
};

}  // namespace

void ParseBcdEnum(BcdListing& listing, std::string_view text, CodePage& codePage,
                  CodePageKind kind) {
    BlockParser parser(listing, codePage, kind);
    for (const Block& block : SplitBlocks(text)) {
        parser.Parse(block);
    }
}

}  // namespace qn
