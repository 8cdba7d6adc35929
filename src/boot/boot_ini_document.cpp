#include "boot/boot_ini_document.h"

#include "boot/boot_ini_reader.h"
#include "boot/profile_line.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

// Every code page boot.ini can be in keeps the blank bytes as themselves (no lead or trail byte
// of a double-byte character is below 0x40), so the bytes and the text agree on where blanks
// are; the same holds for "=", the quote and the line ends.
bool IsBlankByte(char c) {
    return IsProfileBlank(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::string_view TrimBytes(std::string_view bytes) {
    while (!bytes.empty() && IsBlankByte(bytes.front())) {
        bytes.remove_prefix(1);
    }
    while (!bytes.empty() && IsBlankByte(bytes.back())) {
        bytes.remove_suffix(1);
    }
    return bytes;
}

std::wstring Decode(CodePage& codePage, std::string_view bytes) {
    return bytes.empty() ? std::wstring() : codePage.ToWide(bytes, CodePageKind::Ansi);
}

}  // namespace

std::optional<std::string> BootIniTextBytes(std::wstring_view text, CodePage& codePage) {
    if (text.find_first_of(L"\r\n") != std::wstring_view::npos) {
        return std::nullopt;
    }
    if (text.empty()) {
        return std::string();
    }
    std::string bytes = codePage.FromWide(text, CodePageKind::Ansi);
    if (Decode(codePage, bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

BootIniDocument ParseBootIniDocument(std::span<const std::uint8_t> bytes, CodePage& codePage) {
    BootIniDocument document;
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t start = 0;
    while (start < all.size()) {
        BootIniDocumentLine line;
        const std::size_t end = all.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            line.bytes = std::string(all.substr(start));
            start = all.size();
        } else {
            const bool crLf = all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n';
            line.bytes = std::string(all.substr(start, end - start));
            line.end = std::string(all.substr(end, crLf ? 2 : 1));
            start = end + line.end.size();
        }
        line.text = Decode(codePage, line.bytes);
        document.lines.push_back(std::move(line));
    }
    return document;
}

std::vector<std::uint8_t> BootIniDocumentBytes(const BootIniDocument& document) {
    std::vector<std::uint8_t> bytes;
    for (const BootIniDocumentLine& line : document.lines) {
        bytes.insert(bytes.end(), line.bytes.begin(), line.bytes.end());
        bytes.insert(bytes.end(), line.end.begin(), line.end.end());
    }
    return bytes;
}

std::string BootIniLineEnd(const BootIniDocument& document) {
    for (const BootIniDocumentLine& line : document.lines) {
        if (!line.end.empty()) {
            return line.end;
        }
    }
    return "\r\n";
}

std::optional<BootIniDocumentLine> MakeBootIniLine(const BootIniDocument& document,
                                                   std::wstring_view text, CodePage& codePage) {
    std::optional<std::string> bytes = BootIniTextBytes(text, codePage);
    if (!bytes) {
        return std::nullopt;
    }
    return BootIniDocumentLine{std::move(*bytes), BootIniLineEnd(document), std::wstring(text)};
}

void FinishBootIniLineEnds(BootIniDocument& document, bool finalEndMissing) {
    if (document.lines.empty()) {
        return;
    }
    const std::string lineEnd = BootIniLineEnd(document);
    for (std::size_t i = 0; i + 1 < document.lines.size(); ++i) {
        if (document.lines[i].end.empty()) {
            document.lines[i].end = lineEnd;
        }
    }
    std::string& last = document.lines.back().end;
    if (finalEndMissing) {
        last.clear();
    } else if (last.empty()) {
        last = lineEnd;
    }
}

bool IsBootIniHeader(const BootIniDocumentLine& line) {
    std::wstring_view name;
    return ProfileSectionName(line.text, name);
}

std::optional<BootIniSection> FindBootIniSection(const BootIniDocument& document,
                                                 std::wstring_view name) {
    const std::vector<BootIniDocumentLine>& lines = document.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::wstring_view found;
        if (!ProfileSectionName(lines[i].text, found) ||
            !EqualsIgnoringCase(TrimProfileBlanks(found), TrimProfileBlanks(name))) {
            continue;
        }
        BootIniSection section;
        section.header = i;
        section.begin = i + 1;
        section.end = section.begin;
        while (section.end < lines.size() && !IsBootIniHeader(lines[section.end])) {
            ++section.end;
        }
        return section;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindBootIniKey(const BootIniDocument& document,
                                          const BootIniSection& section, std::wstring_view key) {
    for (std::size_t i = section.begin; i < section.end && i < document.lines.size(); ++i) {
        if (EqualsIgnoringCase(SplitProfileKeyLine(document.lines[i].text).name,
                               TrimProfileBlanks(key))) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t BootIniSectionTail(const BootIniDocument& document, const BootIniSection& section) {
    std::size_t at = section.end;
    while (at > section.begin && TrimProfileBlanks(document.lines[at - 1].text).empty()) {
        --at;
    }
    return at;
}

std::optional<std::wstring> BootIniValue(const BootIniDocument& document, std::wstring_view section,
                                         std::wstring_view key) {
    const std::optional<BootIniSection> found = FindBootIniSection(document, section);
    if (!found) {
        return std::nullopt;
    }
    const std::optional<std::size_t> at = FindBootIniKey(document, *found, key);
    if (!at) {
        return std::nullopt;
    }
    const ProfileKeyLine line = SplitProfileKeyLine(document.lines[*at].text);
    if (!line.hasValue) {
        return std::nullopt;
    }
    std::wstring_view value = line.value;
    if (value.size() > 1 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::wstring(value);
}

std::string BootIniKeyBytes(const BootIniDocumentLine& line) {
    const std::string_view bytes(line.bytes);
    return std::string(TrimBytes(bytes.substr(0, bytes.find('='))));
}

void SetBootIniValueBytes(BootIniDocumentLine& line, std::string_view value, CodePage& codePage) {
    const std::string& bytes = line.bytes;
    const std::size_t equals = bytes.find('=');
    if (equals == std::string::npos) {
        line.bytes = std::string(TrimBytes(bytes)) + "=" + std::string(value);
    } else {
        std::size_t begin = equals + 1;
        while (begin < bytes.size() && IsBlankByte(bytes[begin])) {
            ++begin;
        }
        std::size_t end = bytes.size();
        while (end > begin && IsBlankByte(bytes[end - 1])) {
            --end;
        }
        line.bytes = bytes.substr(0, begin) + std::string(value) + bytes.substr(end);
    }
    line.text = Decode(codePage, line.bytes);
}

bool SetBootIniMenuText(BootIniDocumentLine& line, std::wstring_view text, CodePage& codePage) {
    if (text.find(L'"') != std::wstring_view::npos) {
        return false;  // it would end the menu text early
    }
    const std::string& bytes = line.bytes;
    const std::size_t equals = bytes.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    std::size_t open = equals + 1;
    while (open < bytes.size() && IsBlankByte(bytes[open])) {
        ++open;
    }
    if (open >= bytes.size() || bytes[open] != '"') {
        return false;
    }
    const std::size_t close = bytes.rfind('"');
    const std::optional<std::string> encoded = BootIniTextBytes(text, codePage);
    if (close <= open || !encoded) {
        return false;
    }
    line.bytes = bytes.substr(0, open + 1) + *encoded + bytes.substr(close);
    line.text = Decode(codePage, line.bytes);
    return true;
}

std::vector<BootIniMenuLine> BootIniMenuLines(const BootIniDocument& document) {
    std::vector<BootIniMenuLine> menu;
    const std::optional<BootIniSection> section =
        FindBootIniSection(document, L"operating systems");
    if (!section) {
        return menu;
    }
    for (std::size_t i = section->begin; i < section->end; ++i) {
        // The line as the profile functions hand it over (blank lines and comments left out),
        // then the reader's own rules.
        const ProfileKeyLine key = SplitProfileKeyLine(document.lines[i].text);
        if ((key.name.empty() && !key.hasValue) || (!key.name.empty() && key.name[0] == L';')) {
            continue;
        }
        std::wstring text(key.name);
        if (key.hasValue) {
            text += L'=';
            text += key.value;
        }
        if (text.size() >= kBootIniLineChars) {
            continue;
        }
        if (std::optional<BootEntry> entry = BootEntryFromIniLine(text, std::wstring())) {
            menu.push_back({i, std::move(entry->device), std::move(entry->osdevice)});
        }
    }
    return menu;
}

}  // namespace qn
