#include "boot/bcd_enum_parser.h"

#include <string>
#include <vector>

#include "boot/bcd_enum_text.h"

namespace qn {
namespace {

class BlockParser {
public:
    BlockParser(BcdListing& listing, CodePage& codePage, CodePageKind kind)
        : listing_(listing), codePage_(codePage), kind_(kind) {}

    void Parse(const BcdBlock& block) {
        if (!IsBcdSection(block)) {
            return;  // an error text or a stray line, not a section
        }
        const std::string_view title = block[0];
        if (title.find("Firmware") != std::string_view::npos ||
            title.find("(101fffff") != std::string_view::npos) {
            return;
        }
        // The identifier leads every section whatever its element is called in this language.
        const std::string_view firstValue = BcdWord(block[2], 1);
        const bool leadsWithId = !firstValue.empty() && firstValue.front() == '{';
        if (leadsWithId && IsFwBootmgrIdentifier(firstValue)) {
            return;
        }
        const bool bootManager =
            title == "Windows Boot Manager" || (leadsWithId && IsBootmgrIdentifier(firstValue));
        if (bootManager) {
            ParseBootManager(block, leadsWithId);
        } else {
            ParseLoader(block, leadsWithId);
        }
    }

private:
    std::wstring Wide(std::string_view text) { return BcdWide(text, codePage_, kind_); }
    std::wstring SecondWord(std::string_view line) { return Wide(BcdWord(line, 1)); }

    void ParseBootManager(const BcdBlock& block, bool leadsWithId) {
        BootManagerInfo& info = listing_.bootManager;
        if (leadsWithId) {
            info.identifier = SecondWord(block[2]);
        }
        // The list a line of one identifier continues: taken only directly after the element
        // line (displayorder, bootsequence) or the previous continuation.
        std::vector<std::wstring>* list = nullptr;
        for (const std::string_view line : block) {
            const std::string_view key = BcdWord(line, 0);
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
            } else if (key == "graphicsresolution") {
                info.graphicsResolution = SecondWord(line);
            } else if (key == "displayorder" || key == "bootsequence") {
                list = key == "displayorder" ? &info.displayorder : &info.bootsequence;
                list->push_back(SecondWord(line));
            }
        }
    }

    void ParseLoader(const BcdBlock& block, bool leadsWithId) {
        BootEntry entry;
        if (leadsWithId) {
            entry.identifier = SecondWord(block[2]);
        }
        for (const std::string_view line : block) {
            const std::string_view key = BcdWord(line, 0);
            if (key == "identifier" || IsChineseIdentifierKey(key)) {
                entry.identifier = SecondWord(line);
            } else if (key == "osdevice") {
                entry.osdevice = SecondWord(line);
            } else if (key == "device") {
                entry.device = SecondWord(line);
            } else if (key == "path") {
                entry.path = SecondWord(line);
            } else if (key == "description") {
                const std::string_view rest = BcdRest(line);
                entry.description = rest.empty() ? std::wstring() : Wide(rest);
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
    for (const BcdBlock& block : SplitBcdBlocks(text)) {
        parser.Parse(block);
    }
}

}  // namespace qn
