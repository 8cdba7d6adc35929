#include "diagnosis/firmware_boot_order.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include "boot/text_helpers.h"

namespace qn {
namespace {

using Block = std::vector<std::string>;

constexpr std::wstring_view kFwBootmgrIds[] = {L"{fwbootmgr}",
                                               L"{a5a30fa2-3d06-4e9f-b5f4-a01df9d1fcba}"};
constexpr std::wstring_view kBootmgrIds[] = {L"{bootmgr}",
                                             L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}"};
constexpr std::wstring_view kWindowsLoader = L"\\efi\\microsoft\\boot\\bootmgfw.efi";

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return lower;
}

template <std::size_t N>
bool IsOneOf(std::wstring_view id, const std::wstring_view (&ids)[N]) {
    const std::wstring lower = Lower(id);
    return std::any_of(std::begin(ids), std::end(ids),
                       [&](std::wstring_view known) { return lower == known; });
}

// Lines cut at line feeds (one carriage return taken off) and trimmed; blank lines end blocks.
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

// The word at index (0: the element's name, 1: its value) of a "name   value" line.
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

// Everything after the element's name, trimmed: a description keeps its blanks.
std::string_view Rest(std::string_view line) {
    const std::size_t name = line.find_first_not_of(' ');
    const std::size_t blank = name == std::string_view::npos ? name : line.find(' ', name);
    if (blank == std::string_view::npos) {
        return {};
    }
    const std::size_t value = line.find_first_not_of(' ', blank);
    return value == std::string_view::npos ? std::string_view() : line.substr(value);
}

struct Section {
    std::wstring description;
    std::wstring device;
    std::wstring path;
};

}  // namespace

bool IsBootmgrIdentifier(std::wstring_view id) {
    return IsOneOf(id, kBootmgrIds);
}

FirmwareBootOrder ParseFirmwareBootOrder(std::string_view text, CodePage& codePage,
                                         CodePageKind kind) {
    auto wide = [&](std::string_view narrow) { return codePage.ToWide(narrow, kind); };
    FirmwareBootOrder order;
    std::vector<std::wstring> ids;
    std::vector<std::wstring> sequence;
    std::map<std::wstring, Section> sections;  // by lower-case identifier
    for (const Block& block : SplitBlocks(text)) {
        if (block.size() < 3 || block[1].find("---") == std::string::npos) {
            continue;  // not a section: an error text, a stray line
        }
        // The identifier is a section's first element, whatever it is called in this language.
        const std::wstring id = wide(Word(block[2], 1));
        if (id.empty() || id.front() != L'{') {
            continue;
        }
        if (IsOneOf(id, kFwBootmgrIds)) {
            if (order.found) {
                continue;  // one firmware boot manager; a second section changes nothing
            }
            order.found = true;
            // The list a line of one identifier continues, directly after its element's line.
            std::vector<std::wstring>* list = nullptr;
            for (std::size_t i = 3; i < block.size(); ++i) {
                const std::string_view key = Word(block[i], 0);
                if (key == "displayorder" || key == "bootsequence") {
                    list = key == "displayorder" ? &ids : &sequence;
                    list->push_back(wide(Word(block[i], 1)));
                } else if (list != nullptr && block[i].front() == '{') {
                    list->push_back(wide(Word(block[i], 0)));
                } else {
                    list = nullptr;
                }
            }
            continue;
        }
        Section section;
        for (std::size_t i = 3; i < block.size(); ++i) {
            const std::string_view key = Word(block[i], 0);
            if (key == "description") {
                section.description = wide(Rest(block[i]));
            } else if (key == "device") {
                section.device = wide(Word(block[i], 1));
            } else if (key == "path") {
                section.path = wide(Word(block[i], 1));
            }
        }
        sections.emplace(Lower(id), std::move(section));  // the first section of an id counts
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
            const auto found = sections.find(Lower(id));
            if (found != sections.end()) {
                entry.description = found->second.description;
                entry.device = found->second.device;
                entry.path = found->second.path;
            }
            entry.windows = IsBootmgrIdentifier(id) || Lower(entry.path) == kWindowsLoader;
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
