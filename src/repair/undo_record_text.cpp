#include "repair/undo_record_text.h"

#include <array>
#include <cwctype>
#include <optional>

#include "boot/utf8_text.h"

namespace qn {
namespace {

constexpr std::string_view kFirstLine = "QNBootRepair undo 1";
constexpr std::size_t kMaxItems = 100000;

struct KindName {
    UndoItemKind kind;
    std::wstring_view name;
};

constexpr std::array<KindName, 12> kKinds{{
    {UndoItemKind::File, L"file"},
    {UndoItemKind::Folder, L"folder"},
    {UndoItemKind::Unsaved, L"unsaved"},
    {UndoItemKind::KeptBackup, L"backup"},
    {UndoItemKind::AbsentFile, L"absent-file"},
    {UndoItemKind::AbsentFolder, L"absent-folder"},
    {UndoItemKind::AbsentParent, L"absent-parent"},
    {UndoItemKind::ExportedStore, L"exported-store"},
    {UndoItemKind::Volume, L"volume"},
    {UndoItemKind::FirmwareOrder, L"firmware-order"},
    {UndoItemKind::MbrCode, L"mbr"},
    {UndoItemKind::BootRecord, L"boot-record"},
}};

std::wstring_view NameOf(UndoItemKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind) {
            return k.name;
        }
    }
    return {};
}

std::optional<UndoItemKind> KindNamed(std::wstring_view name) {
    for (const KindName& k : kKinds) {
        if (k.name == name) {
            return k.kind;
        }
    }
    return std::nullopt;
}

// Kinds whose line is only the kind and the path.
bool PathOnly(UndoItemKind kind) {
    switch (kind) {
        case UndoItemKind::Folder:
        case UndoItemKind::Unsaved:
        case UndoItemKind::KeptBackup:
        case UndoItemKind::AbsentFile:
        case UndoItemKind::AbsentFolder:
        case UndoItemKind::AbsentParent:
            return true;
        default:
            return false;
    }
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> fields(1);
    for (wchar_t c : line) {
        if (c == L'\t') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// A full path the program could have written: a drive ("C:\...") or a UNC share.
bool IsFullPath(const std::wstring& path) {
    return (path.size() >= 3 && std::iswalpha(path[0]) != 0 && path[1] == L':' &&
            path[2] == L'\\') ||
           (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\');
}

bool IsDrive(const std::wstring& text) {
    return text.size() == 2 && std::iswalpha(text[0]) != 0 && text[1] == L':';
}

bool IsDiskNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 3) {
        return false;
    }
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
    }
    return true;
}

std::optional<std::uint32_t> ParseAttributes(const std::wstring& text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<UndoItem> ParseItem(const std::wstring& line) {
    const std::vector<std::wstring> f = SplitTabs(line);
    const auto kind = KindNamed(f[0]);
    if (!kind) {
        return std::nullopt;
    }
    UndoItem item;
    item.kind = *kind;
    if (PathOnly(*kind) && (f.size() != 2 || !IsFullPath(f[1]))) {
        return std::nullopt;
    }
    switch (*kind) {
        case UndoItemKind::File: {
            const auto attributes = f.size() == 4 ? ParseAttributes(f[3]) : std::nullopt;
            if (!attributes || !IsFullPath(f[1]) || !IsFullPath(f[2])) {
                return std::nullopt;
            }
            item.attributes = *attributes;
            break;
        }
        case UndoItemKind::ExportedStore:
            if (f.size() != 3 || !f[1].empty() || !IsFullPath(f[2])) {
                return std::nullopt;
            }
            break;
        case UndoItemKind::MbrCode:
            if (f.size() != 3 || !IsDiskNumber(f[1]) || !IsFullPath(f[2])) {
                return std::nullopt;
            }
            break;
        case UndoItemKind::BootRecord:
            if (f.size() != 3 || !IsDrive(f[1]) || !IsFullPath(f[2])) {
                return std::nullopt;
            }
            break;
        case UndoItemKind::Volume:
            if (f.size() != 3 || !IsDrive(f[1]) || f[2].empty() || f[2].size() > 64) {
                return std::nullopt;
            }
            break;
        case UndoItemKind::FirmwareOrder:
            if (f.size() != 3 || !f[1].empty() || !FirmwareOrderFromText(f[2])) {
                return std::nullopt;
            }
            break;
        default:
            break;  // path-only kinds, checked above
    }
    item.target = f[1];
    if (f.size() > 2) {
        item.saved = f[2];
    }
    return item;
}

UndoRecordError LineError(std::size_t number) {
    return {L"撤销记录第 " + std::to_wstring(number) + L" 行无法识别，未做任何更改"};
}

}  // namespace

std::optional<std::vector<std::wstring>> FirmwareOrderFromText(const std::wstring& text) {
    std::vector<std::wstring> ids;
    if (text == L"none") {
        return ids;
    }
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(L' ', at);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        const std::wstring id = text.substr(at, end - at);
        // "{9dea862c-...}" or "{bootmgr}": braced, short, nothing a command line could misread.
        if (id.size() < 3 || id.size() > 40 || id.front() != L'{' || id.back() != L'}' ||
            id.find_first_of(L"\"{} ", 1) != id.size() - 1) {
            return std::nullopt;
        }
        ids.push_back(id);
        at = end + 1;
    }
    return ids;
}

std::wstring FirmwareOrderText(const std::vector<std::wstring>& ids) {
    std::wstring text;
    for (const std::wstring& id : ids) {
        text += (text.empty() ? L"" : L" ") + id;
    }
    return text.empty() ? L"none" : text;
}

std::string FormatUndoRecord(const UndoRecord& record) {
    std::wstring text;
    auto line = [&text](const std::wstring& content) { text += content + L"\r\n"; };
    line(std::wstring(kFirstLine.begin(), kFirstLine.end()));
    line(L"operation=" + record.operation);
    line(L"time=" + record.time);
    for (const UndoItem& item : record.items) {
        std::wstring fields = std::wstring(NameOf(item.kind)) + L"\t" + item.target;
        if (item.kind == UndoItemKind::File) {
            fields += L"\t" + item.saved + L"\t" + std::to_wstring(item.attributes);
        } else if (!PathOnly(item.kind)) {
            fields += L"\t" + item.saved;
        }
        line(fields);
    }
    return WideToUtf8(text);
}

std::variant<UndoRecord, UndoRecordError> ParseUndoRecord(std::string_view text,
                                                          const std::wstring& folder) {
    UndoRecord record;
    record.folder = folder;
    std::size_t number = 0;
    std::size_t at = 0;
    bool sawOperation = false;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view raw = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        if (number == 1) {
            // A byte-order mark from an editor that saved the file again is harmless.
            if (raw.starts_with("\xEF\xBB\xBF")) {
                raw.remove_prefix(3);
            }
            if (raw != kFirstLine) {
                return UndoRecordError{L"这不是本程序的撤销记录，未做任何更改"};
            }
            continue;
        }
        if (raw.empty()) {
            continue;
        }
        const std::wstring line = Utf8ToWide(raw);
        if (line.find(L'\uFFFD') != std::wstring::npos || line.find(L'\0') != std::wstring::npos) {
            return LineError(number);
        }
        if (line.starts_with(L"operation=")) {
            record.operation = line.substr(10);
            sawOperation = true;
        } else if (line.starts_with(L"time=")) {
            record.time = line.substr(5);
        } else if (auto item = ParseItem(line); item && record.items.size() < kMaxItems) {
            record.items.push_back(std::move(*item));
        } else {
            return LineError(number);
        }
    }
    if (number == 0) {
        return UndoRecordError{L"这不是本程序的撤销记录，未做任何更改"};
    }
    if (!sawOperation) {
        return UndoRecordError{L"撤销记录不完整，未做任何更改"};
    }
    return record;
}

}  // namespace qn
