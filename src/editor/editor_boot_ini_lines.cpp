#include "editor/editor_boot_ini_lines.h"

#include <set>

#include "boot/profile_line.h"
#include "editor/editor_menu.h"

namespace qn {
namespace {

constexpr wchar_t kChangedSinceRead[] =
    L"boot.ini 在读取之后被其他程序改动过（其中有编辑器没有读到的启动项），请重新读取后再编辑。";

// Blank as the profile functions see it.
bool IsBlankText(std::wstring_view text) {
    return TrimProfileBlanks(text).empty();
}

// What follows the quoted menu text of a value (the switches, from the closing quote on); nullopt
// for a value without quoted text.
std::optional<std::wstring_view> AfterMenuText(std::wstring_view value) {
    const std::size_t close = value.rfind(L'"');
    if (value.empty() || value.front() != L'"' || close == 0 || close == std::wstring_view::npos) {
        return std::nullopt;
    }
    return value.substr(close);
}

// Which of loaded's entries each menu line of the file is. The file as it was read gives each
// line its entry in order; after an earlier save of the same rows a line may have moved, or may
// carry a new menu text before the same switches. Lines alike in all of that are taken in order:
// whichever of them a row gets, its line comes out the same. nullopt when a line is none of the
// entries.
std::optional<std::vector<std::optional<std::size_t>>> EntryLines(
    const std::vector<BootIniMenuLine>& menu, const BcdListing& loaded) {
    std::vector<std::optional<std::size_t>> lineOf(loaded.entries.size());
    std::vector<bool> matched(menu.size(), false);
    for (std::size_t i = 0; i < menu.size(); ++i) {
        for (std::size_t j = 0; j < loaded.entries.size(); ++j) {
            const BootEntry& entry = loaded.entries[j];
            if (!lineOf[j] && entry.device == menu[i].arcPath && entry.osdevice == menu[i].value) {
                lineOf[j] = i;
                matched[i] = true;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const auto switches = AfterMenuText(menu[i].value);
        for (std::size_t j = 0; !matched[i] && switches && j < loaded.entries.size(); ++j) {
            const BootEntry& entry = loaded.entries[j];
            if (!lineOf[j] && entry.device == menu[i].arcPath &&
                AfterMenuText(entry.osdevice) == switches) {
                lineOf[j] = i;
                matched[i] = true;
            }
        }
        if (!matched[i]) {
            return std::nullopt;
        }
    }
    return lineOf;
}

// One row's line as the save means it.
struct WantedLine {
    std::size_t entry = 0;            // in loaded
    std::optional<std::size_t> menu;  // its menu line in the file; none when it has none now
    std::wstring value;
};

// The rows' lines whose relative order does not change (the longest run of menu lines the rows
// keep in file order): they stay where they are, and so do the lines around them.
std::vector<bool> UnmovedLines(const std::vector<WantedLine>& wanted, std::size_t menuLines) {
    std::vector<std::size_t> order;
    for (const WantedLine& line : wanted) {
        if (line.menu) {
            order.push_back(*line.menu);
        }
    }
    std::vector<std::size_t> length(order.size(), 1);
    std::vector<std::size_t> previous(order.size(), order.size());
    std::size_t best = order.size();
    for (std::size_t i = 0; i < order.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (order[j] < order[i] && length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                previous[i] = j;
            }
        }
        if (best == order.size() || length[i] > length[best]) {
            best = i;
        }
    }
    std::vector<bool> unmoved(menuLines, false);
    for (std::size_t i = best; i < order.size(); i = previous[i]) {
        unmoved[order[i]] = true;
    }
    return unmoved;
}

std::wstring MenuText(std::wstring_view value) {
    const auto after = AfterMenuText(value);
    return after ? std::wstring(value.substr(1, value.size() - after->size() - 1)) : std::wstring();
}

// Gives an existing line the value meant for it; only its menu text can differ.
bool TakeValue(BootIniDocumentLine& line, const std::wstring& current, const std::wstring& meant,
               CodePage& codePage) {
    return current == meant || SetBootIniMenuText(line, MenuText(meant), codePage);
}

std::wstring CannotWrite(const std::wstring& text) {
    return L"无法把“" + text + L"”写入 boot.ini: 其中有 boot.ini 的代码页无法表示的字符。";
}

struct SectionLine {
    BootIniDocumentLine line;
    std::optional<std::size_t> menu;  // the unmoved menu line it is
};

// The first "[operating systems]" section, added at the end when lines are wanted and the file
// has none; nullopt (and no refusal) when there is neither.
std::wstring FindMenuSection(BootIniDocument& document, bool linesWanted, CodePage& codePage,
                             std::optional<BootIniSection>& section) {
    section = FindBootIniSection(document, L"operating systems");
    if (section || !linesWanted) {
        return {};
    }
    const auto header = MakeBootIniLine(document, L"[operating systems]", codePage);
    if (!header) {
        return CannotWrite(L"[operating systems]");
    }
    document.lines.push_back(*header);
    section =
        BootIniSection{document.lines.size() - 1, document.lines.size(), document.lines.size()};
    return {};
}

// The section's lines without the menu lines that move or go.
struct KeptLines {
    std::vector<SectionLine> lines;
    std::optional<std::size_t> firstGone;  // where the first menu line that moved or went was
    std::size_t tail = 0;                  // after the last line that is not blank
};

KeptLines KeepSectionLines(const BootIniDocument& document, const BootIniSection& section,
                           const std::vector<BootIniMenuLine>& menu,
                           const std::vector<bool>& unmoved) {
    KeptLines kept;
    std::size_t next = 0;
    for (std::size_t i = section.begin; i < section.end; ++i) {
        if (next < menu.size() && menu[next].line == i) {
            if (unmoved[next]) {
                kept.lines.push_back({document.lines[i], next});
            } else if (!kept.firstGone) {
                kept.firstGone = kept.lines.size();
            }
            ++next;
        } else {
            kept.lines.push_back({document.lines[i], std::nullopt});
        }
    }
    kept.tail = kept.lines.size();
    while (kept.tail > 0 && IsBlankText(kept.lines[kept.tail - 1].line.text)) {
        --kept.tail;
    }
    return kept;
}

std::size_t PositionOf(const std::vector<SectionLine>& lines, std::size_t menuLine) {
    std::size_t at = 0;
    while (at < lines.size() && lines[at].menu != menuLine) {
        ++at;
    }
    return at;
}

// The line of a row that moves (its own, with the meant value) or whose line is gone.
std::wstring LineToInsert(const BootIniDocument& document, const std::vector<BootIniMenuLine>& menu,
                          const WantedLine& want, const BootEntry& entry, CodePage& codePage,
                          BootIniDocumentLine& line) {
    if (want.menu) {
        line = document.lines[menu[*want.menu].line];
        if (!TakeValue(line, menu[*want.menu].value, want.value, codePage)) {
            return CannotWrite(MenuText(want.value));
        }
        return {};
    }
    // Its line went with an earlier save of these rows, and the row is back.
    auto made = MakeBootIniLine(document, entry.device + L"=" + want.value, codePage);
    if (!made) {
        return CannotWrite(entry.device + L"=" + want.value);
    }
    line = std::move(*made);
    return {};
}

// Where wanted[k], moved or new, goes among the kept lines: right after the line placed before
// it; the first one right before the first line that stays, else where the first moved line was,
// else after the last line that is not blank.
std::size_t InsertionPoint(const KeptLines& kept, const std::vector<WantedLine>& wanted,
                           std::size_t k, const std::vector<bool>& unmoved,
                           std::optional<std::size_t> last) {
    if (last) {
        return *last + 1;
    }
    for (std::size_t later = k + 1; later < wanted.size(); ++later) {
        if (wanted[later].menu && unmoved[*wanted[later].menu]) {
            return PositionOf(kept.lines, *wanted[later].menu);
        }
    }
    return kept.firstGone.value_or(kept.tail);
}

void ReplaceSectionLines(BootIniDocument& document, const BootIniSection& section,
                         std::vector<SectionLine>& lines) {
    std::vector<BootIniDocumentLine> all(
        document.lines.begin(),
        document.lines.begin() + static_cast<std::ptrdiff_t>(section.begin));
    for (SectionLine& line : lines) {
        all.push_back(std::move(line.line));
    }
    all.insert(all.end(), document.lines.begin() + static_cast<std::ptrdiff_t>(section.end),
               document.lines.end());
    document.lines = std::move(all);
}

// Rebuilds the first "[operating systems]" section with the wanted lines in their order. Lines
// that are no menu line (comments, blank lines, lines without "=", lines too long for the reader)
// stay where they are, among the lines that keep their order; a moved or new line goes right
// after the line before it in the new order, the first one right before the first line that
// stays, so nothing the editor does not show is ever moved or dropped.
std::wstring PlaceMenuLines(BootIniDocument& document, const std::vector<BootIniMenuLine>& menu,
                            const std::vector<WantedLine>& wanted, const BcdListing& loaded,
                            CodePage& codePage) {
    std::optional<BootIniSection> section;
    std::wstring refusal = FindMenuSection(document, !wanted.empty(), codePage, section);
    if (!section) {
        return refusal;
    }
    const std::vector<bool> unmoved = UnmovedLines(wanted, menu.size());
    KeptLines kept = KeepSectionLines(document, *section, menu, unmoved);
    std::optional<std::size_t> last;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        const WantedLine& want = wanted[k];
        if (want.menu && unmoved[*want.menu]) {
            const std::size_t at = PositionOf(kept.lines, *want.menu);
            if (!TakeValue(kept.lines[at].line, menu[*want.menu].value, want.value, codePage)) {
                return CannotWrite(MenuText(want.value));
            }
            last = at;
            continue;
        }
        BootIniDocumentLine line;
        refusal = LineToInsert(document, menu, want, loaded.entries[want.entry], codePage, line);
        if (!refusal.empty()) {
            return refusal;
        }
        const std::size_t at = InsertionPoint(kept, wanted, k, unmoved, last);
        kept.lines.insert(kept.lines.begin() + static_cast<std::ptrdiff_t>(at),
                          {std::move(line), {}});
        last = at;
    }
    ReplaceSectionLines(document, *section, kept.lines);
    return {};
}

// Gives "[boot loader]"'s key the value (in the file's bytes), adding what is missing.
std::wstring SetLoaderKey(BootIniDocument& document, const std::wstring& key,
                          const std::string& value, CodePage& codePage) {
    std::optional<BootIniSection> section = FindBootIniSection(document, L"boot loader");
    if (!section) {
        // Before the first section, where every boot.ini has it; lines above all sections stay
        // above it, so none of them becomes one of its keys.
        std::size_t at = 0;
        while (at < document.lines.size() && !IsBootIniHeader(document.lines[at])) {
            ++at;
        }
        const auto header = MakeBootIniLine(document, L"[boot loader]", codePage);
        if (!header) {
            return CannotWrite(L"[boot loader]");
        }
        document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(at), *header);
        section = BootIniSection{at, at + 1, at + 1};
    }
    if (const auto line = FindBootIniKey(document, *section, key)) {
        SetBootIniValueBytes(document.lines[*line], value, codePage);
        return {};
    }
    auto added = MakeBootIniLine(document, key + L"=", codePage);
    if (!added) {
        return CannotWrite(key);
    }
    SetBootIniValueBytes(*added, value, codePage);
    const std::size_t at = BootIniSectionTail(document, *section);
    document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(at),
                          std::move(*added));
    return {};
}

// The rows' lines, renamed where the row's description was changed.
std::wstring WantLines(const BcdListing& loaded, const BcdListing& working,
                       const std::vector<std::optional<std::size_t>>& lineOf, BcdListing& renamed,
                       std::vector<WantedLine>& wanted) {
    std::set<std::size_t> used;
    for (const BootEntry& row : working.entries) {
        const BootEntry* entry = FindEntryById(loaded, row.identifier);
        if (entry == nullptr) {
            continue;
        }
        const auto index = static_cast<std::size_t>(entry - loaded.entries.data());
        if (!used.insert(index).second) {
            continue;
        }
        const auto value = RenamedIniValue(*entry, row.description);
        if (!value) {
            return L"无法把“" + entry->description + L"”改名为“" + row.description +
                   L"”: 该行没有带引号的菜单文字，或新名称含有双引号或换行。";
        }
        renamed.entries[index].osdevice = *value;
        wanted.push_back({index, lineOf[index], *value});
    }
    return {};
}

// Keys already holding what is meant stay as they are, blanks and quotes included.
std::wstring SetTimeout(BootIniEdit& edit, const BcdListing& working, CodePage& codePage) {
    edit.timeout = std::wstring(TrimProfileBlanks(working.bootManager.timeout));
    if (BootIniValue(edit.document, L"boot loader", L"timeout") == edit.timeout) {
        return {};
    }
    const auto bytes = BootIniTextBytes(edit.timeout, codePage);
    return bytes ? SetLoaderKey(edit.document, L"timeout", *bytes, codePage)
                 : CannotWrite(edit.timeout);
}

// Without a default row the file's default stays; otherwise as with the timeout.
std::wstring SetDefault(BootIniEdit& edit, const BootIniDocument& file,
                        const std::vector<BootIniMenuLine>& menu,
                        const std::vector<std::optional<std::size_t>>& lineOf,
                        const BcdListing& loaded, const std::wstring& defaultId,
                        CodePage& codePage) {
    if (defaultId.empty()) {
        edit.defaultArc =
            BootIniValue(edit.document, L"boot loader", L"default").value_or(std::wstring());
        return {};
    }
    const BootEntry* entry = FindEntryById(loaded, defaultId);
    edit.defaultArc = entry != nullptr ? entry->device : std::wstring();
    if (BootIniValue(edit.document, L"boot loader", L"default") == edit.defaultArc) {
        return {};
    }
    // The ARC path as its line spells it, so even bytes the code page cannot decode come out the
    // same.
    std::optional<std::string> bytes = BootIniTextBytes(edit.defaultArc, codePage);
    if (entry != nullptr) {
        const auto index = static_cast<std::size_t>(entry - loaded.entries.data());
        if (const auto line = lineOf[index]) {
            bytes = BootIniKeyBytes(file.lines[menu[*line].line]);
        }
    }
    return bytes ? SetLoaderKey(edit.document, L"default", *bytes, codePage)
                 : CannotWrite(edit.defaultArc);
}

// The file must read as meant before it is written: a new name that makes its line too long for
// the reader, or anything else the rules above missed, is refused then, not found after.
bool ReadsAsMeant(const BootIniEdit& edit, CodePage& codePage) {
    const BootIniDocument reread =
        ParseBootIniDocument(BootIniDocumentBytes(edit.document), codePage);
    std::vector<BootIniLine> readMenu;
    for (const BootIniMenuLine& line : BootIniMenuLines(reread)) {
        readMenu.push_back({line.arcPath, line.value});
    }
    bool same = readMenu.size() == edit.menu.size();
    for (std::size_t i = 0; same && i < readMenu.size(); ++i) {
        same =
            readMenu[i].arcPath == edit.menu[i].arcPath && readMenu[i].value == edit.menu[i].value;
    }
    return same && BootIniValue(reread, L"boot loader", L"timeout") == edit.timeout &&
           BootIniValue(reread, L"boot loader", L"default").value_or(std::wstring()) ==
               edit.defaultArc;
}

}  // namespace

std::optional<std::wstring> RenamedIniValue(const BootEntry& line,
                                            const std::wstring& description) {
    if (description.empty() || description == line.description) {
        return line.osdevice;
    }
    const std::wstring& value = line.osdevice;
    const std::size_t close = value.rfind(L'"');
    if (value.empty() || value.front() != L'"' || close == 0 || close == std::wstring::npos ||
        description.find_first_of(L"\"\r\n") != std::wstring::npos) {
        return std::nullopt;
    }
    return L"\"" + description + value.substr(close);
}

std::vector<BootIniLine> MeantBootIniLines(const BcdListing& working, const BcdListing& lines) {
    std::vector<BootIniLine> meant;
    std::set<const BootEntry*> used;
    for (const BootEntry& row : working.entries) {
        const BootEntry* line = FindEntryById(lines, row.identifier);
        if (line != nullptr && used.insert(line).second) {
            meant.push_back({line->device, line->osdevice});
        }
    }
    return meant;
}

BootIniEdit EditBootIniDocument(const BootIniDocument& file, const BcdListing& loaded,
                                const BcdListing& working, CodePage& codePage) {
    BootIniEdit edit;
    const std::vector<BootIniMenuLine> menu = BootIniMenuLines(file);
    const auto lineOf = EntryLines(menu, loaded);
    if (!lineOf) {
        edit.refusal = kChangedSinceRead;
        return edit;
    }
    BcdListing renamed = loaded;
    std::vector<WantedLine> wanted;
    edit.refusal = WantLines(loaded, working, *lineOf, renamed, wanted);
    if (!edit.refusal.empty()) {
        return edit;
    }
    edit.document = file;
    const bool finalEndMissing = !file.lines.empty() && file.lines.back().end.empty();
    edit.refusal = PlaceMenuLines(edit.document, menu, wanted, loaded, codePage);
    if (!edit.refusal.empty()) {
        return edit;
    }
    edit.refusal = SetTimeout(edit, working, codePage);
    if (!edit.refusal.empty()) {
        return edit;
    }
    edit.refusal =
        SetDefault(edit, file, menu, *lineOf, loaded, working.bootManager.defaultId, codePage);
    if (!edit.refusal.empty()) {
        return edit;
    }
    FinishBootIniLineEnds(edit.document, finalEndMissing);
    edit.menu = MeantBootIniLines(working, renamed);
    if (!ReadsAsMeant(edit, codePage)) {
        edit.refusal =
            L"修改后的 boot.ini 读起来会与所做的修改不同（例如某行因新名称过长而不再被读取）。";
    }
    return edit;
}

}  // namespace qn
