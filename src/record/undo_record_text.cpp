#include "record/undo_record_text.h"

#include <array>
#include <cwctype>
#include <optional>
#include <set>

#include "boot/crc32.h"
#include "boot/field_text.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "record/undo_record_rules.h"

namespace qn {
namespace {

constexpr std::string_view kFirstLine = "QNBootRepair undo 2";
constexpr std::string_view kOldFirstLine = "QNBootRepair undo 1";
constexpr std::wstring_view kCompleteLine = L"complete";
constexpr std::size_t kMaxItems = 100000;

struct KindName {
    UndoItemKind kind;
    std::wstring_view name;
};

constexpr std::array<KindName, 16> kKinds{{
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
    {UndoItemKind::LeftFile, L"left-file"},
    {UndoItemKind::LeftAbsent, L"left-absent"},
    {UndoItemKind::LeftUnread, L"left-unread"},
    {UndoItemKind::Temporary, L"temporary"},
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
        case UndoItemKind::LeftAbsent:
        case UndoItemKind::LeftUnread:
            return true;
        default:
            return false;
    }
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
    const auto value = ParseDecimal(text);
    if (!value || *value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

// The size and checksum that close a line, taken off its fields into item: a copy's, or the
// file's as the run left it (or will write it). False when they are not there.
bool TakeSizeAndCrc(std::vector<std::wstring>& f, UndoItem& item) {
    if (HasCopy(item.kind)) {
        const auto crc = f.size() >= 4 ? ParseHex32(f.back()) : std::nullopt;
        const auto bytes = f.size() >= 4 ? ParseDecimal(f[f.size() - 2]) : std::nullopt;
        if (!crc || !bytes) {
            return false;
        }
        item.savedBytes = *bytes;
        item.savedCrc = *crc;
        f.resize(f.size() - 2);
    }
    if (HasSizeAndCrc(item.kind)) {
        const auto crc = f.size() == 4 ? ParseHex32(f[3]) : std::nullopt;
        const auto bytes = f.size() == 4 ? ParseDecimal(f[2]) : std::nullopt;
        if (!crc || !bytes || !IsFullPath(f[1])) {
            return false;
        }
        item.savedBytes = *bytes;
        item.savedCrc = *crc;
        f.resize(2);
    }
    return true;
}

// Whether the remaining fields are what the item's kind writes; a File's attributes into item.
bool FieldsFit(const std::vector<std::wstring>& f, UndoItem& item) {
    if (PathOnly(item.kind)) {
        return f.size() == 2 && IsFullPath(f[1]);
    }
    switch (item.kind) {
        case UndoItemKind::File: {
            const auto attributes = f.size() == 4 ? ParseAttributes(f[3]) : std::nullopt;
            if (!attributes || !IsFullPath(f[1]) || !IsFullPath(f[2])) {
                return false;
            }
            item.attributes = *attributes;
            return true;
        }
        case UndoItemKind::ExportedStore:
            // The store it came from: the running system's, or a file.
            return f.size() == 3 && !f[1].empty() && f[1].size() <= 32000 && IsFullPath(f[2]) &&
                   (f[1].starts_with(kSystemStoreOriginPrefix) || IsFullPath(f[1]));
        case UndoItemKind::MbrCode:
            return f.size() == 3 && IsDiskNumber(f[1]) && IsFullPath(f[2]);
        case UndoItemKind::BootRecord:
            return f.size() == 3 && IsDrive(f[1]) && IsFullPath(f[2]);
        case UndoItemKind::Volume:
            return f.size() == 3 && IsDrive(f[1]) && !f[2].empty() && f[2].size() <= 64;
        case UndoItemKind::FirmwareOrder:
            return f.size() == 3 && f[1].empty() && FirmwareOrderFromText(f[2]).has_value();
        default:
            return true;
    }
}

std::optional<UndoItem> ParseItem(const std::wstring& line) {
    std::vector<std::wstring> f = SplitTabs(line);
    const auto kind = KindNamed(f[0]);
    if (!kind) {
        return std::nullopt;
    }
    UndoItem item;
    item.kind = *kind;
    if (!TakeSizeAndCrc(f, item) || !FieldsFit(f, item)) {
        return std::nullopt;
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

// The line from at on, without its line end; at moves past it. number: the line's, from 1.
std::string_view NextLine(std::string_view text, std::size_t& at, std::size_t number) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) {
        end = text.size();
    }
    std::string_view raw = text.substr(at, end - at);
    at = end + 1;
    if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    if (number == 1 && raw.starts_with("\xEF\xBB\xBF")) {
        // A byte-order mark from an editor that saved the file again is harmless.
        raw.remove_prefix(3);
    }
    return raw;
}

// Why a first line is not this program's record of this version; nothing when it is.
std::optional<UndoRecordError> FirstLineError(std::string_view raw,
                                              const std::optional<std::string_view>& content) {
    if (raw == kOldFirstLine) {
        return UndoRecordError{L"撤销记录来自本程序的旧版本，无法核对，未做任何更改"};
    }
    if (!content || *content != kFirstLine) {
        return UndoRecordError{L"这不是本程序的撤销记录，未做任何更改"};
    }
    return std::nullopt;
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
    std::string text;
    auto line = [&text](const std::wstring& content) {
        const std::string bytes = WideToUtf8(content);
        text += CheckedLine(bytes);
    };
    line(std::wstring(kFirstLine.begin(), kFirstLine.end()));
    line(L"operation=" + record.operation);
    line(L"time=" + record.time);
    for (const UndoItem& item : record.items) {
        std::wstring fields = std::wstring(NameOf(item.kind)) + L"\t" + item.target;
        if (item.kind == UndoItemKind::File) {
            fields += L"\t" + item.saved + L"\t" + std::to_wstring(item.attributes);
        } else if (!PathOnly(item.kind) && !HasSizeAndCrc(item.kind)) {
            fields += L"\t" + item.saved;
        }
        if (HasCopy(item.kind) || HasSizeAndCrc(item.kind)) {
            fields += L"\t" + std::to_wstring(item.savedBytes) + L"\t" + Hex32(item.savedCrc);
        }
        line(fields);
    }
    if (record.complete) {
        line(std::wstring(kCompleteLine));
    }
    return text;
}

std::variant<UndoRecord, UndoRecordError> ParseUndoRecord(std::string_view text,
                                                          const std::wstring& folder) {
    UndoRecord record;
    record.folder = folder;
    std::size_t number = 0;
    std::size_t at = 0;
    bool sawOperation = false;
    record.complete = false;
    std::vector<std::size_t> lineOfItem;
    // A run says once what it left of a file; two lines for one are not its own.
    std::set<std::wstring> leftPaths;
    while (at < text.size()) {
        const std::string_view raw = NextLine(text, at, ++number);
        if (raw.empty() && number > 1) {
            continue;
        }
        const auto content = CheckedContent(raw);
        if (number == 1) {
            if (auto error = FirstLineError(raw, content)) {
                return *error;
            }
            continue;
        }
        if (!content) {
            return UndoRecordError{L"撤销记录第 " + std::to_wstring(number) +
                                   L" 行已损坏（校验和不符），未做任何更改"};
        }
        if (record.complete) {
            return LineError(number);  // nothing follows the last line
        }
        const std::wstring line = Utf8ToWide(*content);
        if (line.find(L'\uFFFD') != std::wstring::npos || line.find(L'\0') != std::wstring::npos) {
            return LineError(number);
        }
        if (line == kCompleteLine) {
            record.complete = true;
        } else if (line.starts_with(L"operation=")) {
            record.operation = line.substr(10);
            sawOperation = true;
        } else if (line.starts_with(L"time=")) {
            record.time = line.substr(5);
        } else if (auto item = ParseItem(line);
                   item && record.items.size() < kMaxItems &&
                   (!IsLeftState(item->kind) || leftPaths.insert(LowerCase(item->target)).second)) {
            record.items.push_back(std::move(*item));
            lineOfItem.push_back(number);
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
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        if (auto why = ForbiddenItem(record, record.items[i])) {
            return UndoRecordError{L"撤销记录第 " + std::to_wstring(lineOfItem[i]) + L" 行" + *why +
                                   L"，整个记录不予执行，未做任何更改"};
        }
    }
    return record;
}

}  // namespace qn
