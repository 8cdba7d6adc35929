#include "boot/boot_ini_reader.h"

#include <set>

#include "boot/guid_text.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

std::wstring CutValue(std::wstring value) {
    if (value.size() >= kBootIniValueChars) {
        value.resize(kBootIniValueChars - 1);
    }
    return value;
}

// GUID text is ASCII, so widening it byte by byte is exact.
std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// The editor finds each row's line again by identifier, so two rows must never share one, not
// even when the GUID source has failed and handed out zeros.
std::wstring UniqueIdentifier(RandomSource& random, std::set<std::wstring>& used) {
    std::wstring id = Widen(NewGuidText(random));
    for (std::uint32_t n = static_cast<std::uint32_t>(used.size()); used.count(id) != 0; ++n) {
        Guid numbered;
        numbered.data1 = n;
        id = Widen(FormatGuid(numbered));
    }
    used.insert(id);
    return id;
}

}  // namespace

std::vector<std::wstring> ReadIniSectionLines(ProfileFile& profile, const std::wstring& section,
                                              const std::wstring& path) {
    return profile.ReadSection(section, path);
}

std::optional<BootEntry> BootEntryFromIniLine(std::wstring_view line, std::wstring identifier) {
    const std::size_t equals = line.find(L'=');
    if (line.empty() || equals == std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::wstring_view value = TrimWhiteSpace(line.substr(equals + 1));
    // For a quoted menu text followed by switches this is the text without its quotes; a value
    // with one quote at its end loses its first character, as the editor has always shown it.
    std::wstring_view name = value;
    const std::size_t lastQuote = value.rfind(L'"');
    if (lastQuote != std::wstring_view::npos) {
        name = value.substr(0, lastQuote);
        name.remove_prefix(name.empty() ? 0 : 1);
    }
    BootEntry entry;
    entry.identifier = std::move(identifier);
    entry.device = std::wstring(line.substr(0, equals));
    entry.description = std::wstring(name);
    entry.osdevice = std::wstring(value);
    return entry;
}

BcdListing ReadBootIni(ProfileFile& profile, RandomSource& random, const std::wstring& path) {
    BcdListing listing;
    listing.FromBcd = 0;
    listing.bootManager.timeout =
        CutValue(profile.ReadString(L"boot loader", L"timeout", L"3", path));
    const std::wstring defaultArc =
        CutValue(profile.ReadString(L"boot loader", L"default", L"3", path));
    std::set<std::wstring> used;
    for (const std::wstring& line : ReadIniSectionLines(profile, L"operating systems", path)) {
        if (line.size() >= kBootIniLineChars) {
            continue;
        }
        std::optional<BootEntry> entry = BootEntryFromIniLine(line, std::wstring());
        if (!entry) {
            continue;
        }
        entry->identifier = UniqueIdentifier(random, used);
        listing.bootManager.displayorder.push_back(entry->identifier);
        listing.entries.push_back(std::move(*entry));
    }
    for (BootEntry& entry : listing.entries) {
        entry.isDefault = entry.device == defaultArc;
        if (entry.isDefault) {
            listing.bootManager.defaultId = entry.identifier;
        }
    }
    return listing;
}

}  // namespace qn
