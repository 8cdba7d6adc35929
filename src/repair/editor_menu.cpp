#include "repair/editor_menu.h"

#include <cwctype>

namespace qn {
namespace {

// The memory tester's well-known identifier as bcdedit /v prints it.
constexpr std::wstring_view kMemDiagGuid = L"{b2721d73-1db4-4c62-bf78-c548a880142d}";

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return out;
}

// The file name of a loader path, lower case, without its extension: the path
// "\Windows\system32\winresume.efi" gives "winresume".
std::wstring ApplicationName(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos) {
        name = name.substr(0, dot);
    }
    return Lower(name);
}

}  // namespace

EntryRole RoleOfEntry(const BootEntry& entry) {
    const std::wstring application = ApplicationName(entry.path);
    if (application == L"winresume") {
        return EntryRole::ResumeObject;
    }
    const std::wstring id = Lower(entry.identifier);
    if (application == L"memtest" || id == kMemDiagGuid || id == L"{memdiag}") {
        return EntryRole::MemoryTester;
    }
    return EntryRole::MenuEntry;
}

EditorMenu MenuOfListing(const BcdListing& listing) {
    EditorMenu menu;
    for (const std::wstring& id : listing.bootManager.displayorder) {
        if (const BootEntry* entry = FindEntryById(listing, id)) {
            menu.rows.push_back(*entry);
        }
    }
    for (const BootEntry& entry : listing.entries) {
        if (!entry.identifier.empty() && RoleOfEntry(entry) == EntryRole::MenuEntry) {
            menu.candidates.push_back(entry);
        }
    }
    return menu;
}

std::wstring CandidateText(const BootEntry& entry) {
    return entry.identifier + L"  " + entry.description;
}

const BootEntry* FindEntryById(const BcdListing& listing, std::wstring_view identifier) {
    for (const BootEntry& entry : listing.entries) {
        if (entry.identifier == identifier) {
            return &entry;
        }
    }
    return nullptr;
}

BcdListing WorkingListing(const std::vector<RowValues>& rows, const std::wstring& timeout,
                          std::uint8_t fromBcd) {
    BcdListing working;
    working.FromBcd = fromBcd;
    working.bootManager.timeout = timeout;
    for (const RowValues& row : rows) {
        if (row.identifier.empty()) {
            continue;
        }
        BootEntry entry;
        entry.identifier = row.identifier;
        entry.description = row.description;
        entry.locale = row.locale;
        entry.isDefault = row.isDefault;
        if (row.isDefault) {
            working.bootManager.defaultId = row.identifier;
        }
        working.bootManager.displayorder.push_back(row.identifier);
        working.entries.push_back(std::move(entry));
    }
    return working;
}

std::optional<int> MoveTarget(int selected, int count, int direction) {
    if (selected < 0 || selected >= count || (direction != -1 && direction != 1)) {
        return std::nullopt;
    }
    const int target = selected + direction;
    if (target < 0 || target >= count) {
        return std::nullopt;
    }
    return target;
}

}  // namespace qn
