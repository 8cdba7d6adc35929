#include "editor/editor_readback.h"

#include "boot/text_helpers.h"
#include "editor/editor_menu.h"

namespace qn {
namespace {

// "0030" and "30" are the same timeout.
std::wstring Number(std::wstring_view text) {
    const std::wstring trimmed(TrimSpacesAndTabs(text));
    const std::size_t first = trimmed.find_first_not_of(L'0');
    if (first == std::wstring::npos) {
        return trimmed.empty() ? std::wstring() : L"0";
    }
    return trimmed.substr(first);
}

const BootEntry* FindById(const BcdListing& listing, std::wstring_view id) {
    for (const BootEntry& entry : listing.entries) {
        if (EqualsIgnoringCase(entry.identifier, id)) {
            return &entry;
        }
    }
    return nullptr;
}

// An identifier as the user knows it: its description in the working listing, when it has one.
std::wstring Named(const BcdListing& working, const BcdListing& loaded, const std::wstring& id) {
    const BootEntry* entry = FindById(working, id);
    if (entry == nullptr || entry->description.empty()) {
        entry = FindById(loaded, id);
    }
    return entry != nullptr && !entry->description.empty() ? L"“" + entry->description + L"”" : id;
}

std::wstring OrderText(const BcdListing& working, const BcdListing& loaded,
                       const std::vector<std::wstring>& ids) {
    if (ids.empty()) {
        return L"（空）";
    }
    std::wstring text;
    for (const std::wstring& id : ids) {
        text += (text.empty() ? L"" : L", ") + Named(working, loaded, id);
    }
    return text;
}

std::wstring Quoted(const std::wstring& text) {
    return L"“" + text + L"”";
}

}  // namespace

std::vector<std::wstring> BcdReadbackDifferences(const BcdListing& working,
                                                 const BcdListing& loaded,
                                                 const BcdListing& readBack,
                                                 const std::set<std::wstring>& skipTargets) {
    std::vector<std::wstring> differences;
    const BootManagerInfo& meant = working.bootManager;
    const BootManagerInfo& found = readBack.bootManager;
    auto skipped = [&](const std::wstring& id, const wchar_t* element) {
        return skipTargets.count(id + L" " + element) != 0;
    };
    // An order that changed is written without the identifiers the store has no entry for.
    const std::vector<std::wstring> meantOrder =
        SameOrder(meant.displayorder, loaded.bootManager.displayorder)
            ? meant.displayorder
            : WrittenOrder(working, loaded);
    if (!skipped(L"{bootmgr}", L"displayorder") && !SameOrder(meantOrder, found.displayorder)) {
        differences.push_back(L"显示顺序应为 " + OrderText(working, loaded, meantOrder) +
                              L"，读回为 " + OrderText(working, loaded, found.displayorder));
    }
    // Without a checked row no default was sent, so none is compared.
    if (!meant.defaultId.empty() && !skipped(L"{bootmgr}", L"default") &&
        !EqualsIgnoringCase(meant.defaultId, found.defaultId)) {
        differences.push_back(L"默认项应为 " + Named(working, loaded, meant.defaultId) +
                              L"，读回为 " + Named(working, loaded, found.defaultId));
    }
    if (!skipped(L"{bootmgr}", L"timeout") && Number(meant.timeout) != Number(found.timeout)) {
        differences.push_back(L"等待时间应为 " + Number(meant.timeout) + L" 秒，读回为 " +
                              (found.timeout.empty() ? L"（无）" : Number(found.timeout)));
    }
    for (const BootEntry& row : working.entries) {
        const bool wantsDescription = !row.description.empty();
        const bool wantsLocale = !row.locale.empty();
        if (!wantsDescription && !wantsLocale) {
            continue;
        }
        const BootEntry* entry = FindById(readBack, row.identifier);
        if (entry == nullptr) {
            differences.push_back(L"启动项 " + row.identifier + L" 读不回来");
            continue;
        }
        if (wantsDescription && !skipped(row.identifier, L"description") &&
            TrimSpacesAndTabs(row.description) != TrimSpacesAndTabs(entry->description)) {
            differences.push_back(row.identifier + L" 的名称应为 " + Quoted(row.description) +
                                  L"，读回为 " + Quoted(entry->description));
        }
        if (wantsLocale && !skipped(row.identifier, L"locale") &&
            !EqualsIgnoringCase(row.locale, entry->locale)) {
            differences.push_back(Named(working, loaded, row.identifier) + L" 的语言应为 " +
                                  row.locale + L"，读回为 " +
                                  (entry->locale.empty() ? L"（无）" : entry->locale));
        }
    }
    return differences;
}

std::vector<std::wstring> BootIniReadbackDifferences(const std::vector<BootIniLine>& meantLines,
                                                     const std::wstring& meantTimeout,
                                                     const std::wstring& meantDefault,
                                                     const BcdListing& readBack,
                                                     const std::wstring& readDefault) {
    std::vector<std::wstring> differences;
    const std::vector<BootEntry>& lines = readBack.entries;
    bool sameLines = lines.size() == meantLines.size();
    for (std::size_t i = 0; sameLines && i < lines.size(); ++i) {
        sameLines =
            lines[i].device == meantLines[i].arcPath && lines[i].osdevice == meantLines[i].value;
    }
    if (!sameLines) {
        std::wstring found;
        for (const BootEntry& line : lines) {
            found += (found.empty() ? L"" : L", ") + Quoted(line.description);
        }
        differences.push_back(L"[operating systems] 读回的 " + std::to_wstring(lines.size()) +
                              L" 行与所保存的 " + std::to_wstring(meantLines.size()) +
                              L" 行不同: " + (found.empty() ? L"（空）" : found));
    }
    if (readBack.bootManager.timeout != meantTimeout) {
        differences.push_back(L"等待时间应为 " + meantTimeout + L"，读回为 " +
                              readBack.bootManager.timeout);
    }
    if (readDefault != meantDefault) {
        differences.push_back(L"默认项应为 " + Quoted(meantDefault) + L"，读回为 " +
                              Quoted(readDefault));
    }
    return differences;
}

std::vector<std::wstring> BootIniLineDifferences(const BootIniDocument& meant,
                                                 const BootIniDocument& found) {
    const auto& want = meant.lines;
    const auto& got = found.lines;
    std::size_t at = 0;
    while (at < want.size() && at < got.size() && want[at].bytes == got[at].bytes &&
           want[at].end == got[at].end) {
        ++at;
    }
    if (at == want.size() && at == got.size()) {
        return {};
    }
    // Lines of thousands of characters are shown by their start.
    auto shown = [](const std::vector<BootIniDocumentLine>& lines, std::size_t i) {
        if (i >= lines.size()) {
            return std::wstring(L"（无）");
        }
        constexpr std::size_t kShown = 40;
        const std::wstring& text = lines[i].text;
        return Quoted(text.size() > kShown ? text.substr(0, kShown) + L"…" : text);
    };
    std::wstring text = L"boot.ini ";
    if (want.size() != got.size()) {
        text += L"读回 " + std::to_wstring(got.size()) + L" 行，应为 " +
                std::to_wstring(want.size()) + L" 行；";
    }
    text += L"第 " + std::to_wstring(at + 1) + L" 行读回为 " + shown(got, at) + L"，应为 " +
            shown(want, at);
    if (at < want.size() && at < got.size() && want[at].bytes == got[at].bytes) {
        text += L"（行尾不同）";
    }
    return {text};
}

}  // namespace qn
