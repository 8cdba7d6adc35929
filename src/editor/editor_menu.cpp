#include "editor/editor_menu.h"

#include <algorithm>

#include "boot/text_helpers.h"

namespace qn {
namespace {

// The memory tester's well-known identifier as bcdedit /v prints it.
constexpr std::wstring_view kMemDiagGuid = L"{b2721d73-1db4-4c62-bf78-c548a880142d}";

// The file name of a loader path, lower case, without its extension: the path
// "\Windows\system32\winresume.efi" gives "winresume".
std::wstring ApplicationName(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos) {
        name = name.substr(0, dot);
    }
    return LowerCase(name);
}

}  // namespace

EntryRole RoleOfEntry(const BootEntry& entry) {
    const std::wstring application = ApplicationName(entry.path);
    if (application == L"winresume") {
        return EntryRole::ResumeObject;
    }
    const std::wstring id = LowerCase(entry.identifier);
    if (application == L"memtest" || id == kMemDiagGuid || id == L"{memdiag}") {
        return EntryRole::MemoryTester;
    }
    return EntryRole::MenuEntry;
}

std::wstring RowLockText(RowLock lock) {
    switch (lock) {
        case RowLock::None:
            break;
        case RowLock::LossyName:
            return L"（名称含有此控制台无法显示的字符，不能修改）";
        case RowLock::Incomplete:
            return L"无法编辑的启动项";
        case RowLock::Missing:
            return L"存储中没有此启动项（改变顺序保存时会去掉）";
    }
    return {};
}

bool NameReadLossily(std::wstring_view name) {
    return name.find(L'?') != std::wstring_view::npos ||
           name.find(L'\xFFFD') != std::wstring_view::npos;
}

EditorMenu MenuOfListing(const BcdListing& listing) {
    EditorMenu menu;
    for (const std::wstring& id : listing.bootManager.displayorder) {
        if (id.empty()) {
            continue;
        }
        if (const BootEntry* entry = FindEntryById(listing, id)) {
            const bool lossy = listing.FromBcd != 0 && NameReadLossily(entry->description);
            menu.rows.push_back({*entry, lossy ? RowLock::LossyName : RowLock::None});
            continue;
        }
        BootEntry unknown;
        unknown.identifier = id;
        const bool incomplete =
            std::find(listing.incompleteIds.begin(), listing.incompleteIds.end(), id) !=
            listing.incompleteIds.end();
        menu.rows.push_back({unknown, incomplete ? RowLock::Incomplete : RowLock::Missing});
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
        working.bootManager.displayorder.push_back(row.identifier);
        if (row.locked) {
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
        working.entries.push_back(std::move(entry));
    }
    return working;
}

bool SameOrder(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(),
        [](const std::wstring& x, const std::wstring& y) { return EqualsIgnoringCase(x, y); });
}

std::vector<std::wstring> WrittenOrder(const BcdListing& working, const BcdListing& loaded) {
    std::vector<std::wstring> order;
    for (const std::wstring& id : working.bootManager.displayorder) {
        const bool inStore = FindEntryById(loaded, id) != nullptr ||
                             FindEntryById(working, id) != nullptr ||
                             std::find(loaded.incompleteIds.begin(), loaded.incompleteIds.end(),
                                       id) != loaded.incompleteIds.end();
        if (inStore) {
            order.push_back(id);
        }
    }
    return order;
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
