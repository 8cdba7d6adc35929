#include "diagnosis/firmware_boot_order.h"

#include <map>
#include <string>

#include "boot/text_helpers.h"

namespace qn {
namespace {

constexpr std::wstring_view kWindowsLoader = L"\\efi\\microsoft\\boot\\bootmgfw.efi";

struct Section {
    std::wstring description;
    std::wstring device;
    std::wstring path;
};

}  // namespace

FirmwareBootOrder ParseFirmwareBootOrder(std::string_view text, CodePage& codePage,
                                         CodePageKind kind) {
    auto wide = [&](std::string_view narrow) { return BcdWide(narrow, codePage, kind); };
    FirmwareBootOrder order;
    std::vector<std::wstring> ids;
    std::vector<std::wstring> sequence;
    std::map<std::wstring, Section> sections;  // by lower-case identifier
    for (const BcdBlock& block : SplitBcdBlocks(text)) {
        if (!IsBcdSection(block)) {
            continue;  // not a section: an error text, a stray line
        }
        // The identifier is a section's first element, whatever it is called in this language.
        const std::wstring id = wide(BcdWord(block[2], 1));
        if (id.empty() || id.front() != L'{') {
            continue;
        }
        if (IsFwBootmgrIdentifier(id)) {
            if (order.found) {
                continue;  // one firmware boot manager; a second section changes nothing
            }
            order.found = true;
            // The list a line of one identifier continues, directly after its element's line.
            std::vector<std::wstring>* list = nullptr;
            for (std::size_t i = 3; i < block.size(); ++i) {
                const std::string_view key = BcdWord(block[i], 0);
                if (key == "displayorder" || key == "bootsequence") {
                    list = key == "displayorder" ? &ids : &sequence;
                    list->push_back(wide(BcdWord(block[i], 1)));
                } else if (list != nullptr && block[i].front() == '{') {
                    list->push_back(wide(BcdWord(block[i], 0)));
                } else {
                    list = nullptr;
                }
            }
            continue;
        }
        Section section;
        for (std::size_t i = 3; i < block.size(); ++i) {
            const std::string_view key = BcdWord(block[i], 0);
            if (key == "description") {
                section.description = wide(BcdRest(block[i]));
            } else if (key == "device") {
                section.device = wide(BcdWord(block[i], 1));
            } else if (key == "path") {
                section.path = wide(BcdWord(block[i], 1));
            }
        }
        sections.emplace(LowerCase(id), std::move(section));  // the first section of an id counts
    }
    for (const auto& [id, section] : sections) {
        if (IsBootmgrIdentifier(id)) {
            order.bootManager = {id, section.description, section.device, section.path, true};
        }
    }
    auto entriesOf = [&](const std::vector<std::wstring>& list) {
        std::vector<FirmwareBootEntry> entries;
        for (const std::wstring& id : list) {
            if (id.empty()) {
                continue;
            }
            FirmwareBootEntry entry;
            entry.identifier = id;
            const auto found = sections.find(LowerCase(id));
            if (found != sections.end()) {
                entry.description = found->second.description;
                entry.device = found->second.device;
                entry.path = found->second.path;
            }
            entry.windows = IsBootmgrIdentifier(id) || LowerCase(entry.path) == kWindowsLoader;
            if (entry.windows && entry.description.empty()) {
                entry.description = L"Windows Boot Manager";
            }
            entries.push_back(std::move(entry));
        }
        return entries;
    };
    order.entries = entriesOf(ids);
    order.bootSequence = entriesOf(sequence);
    return order;
}

}  // namespace qn
