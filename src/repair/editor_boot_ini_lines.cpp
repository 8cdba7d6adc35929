#include "repair/editor_boot_ini_lines.h"

#include <cwctype>

#include "repair/editor_menu.h"

namespace qn {
namespace {

bool SameKey(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return true;
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
        description.find(L'"') != std::wstring::npos) {
        return std::nullopt;
    }
    return L"\"" + description + value.substr(close);
}

std::vector<BootIniLine> MeantBootIniLines(const BcdListing& working, const BcdListing& lines) {
    std::vector<BootIniLine> meant;
    for (const BootEntry& row : working.entries) {
        const BootEntry* line = FindEntryById(lines, row.identifier);
        const BootEntry& source = line != nullptr ? *line : row;
        if (source.device.empty()) {
            continue;
        }
        bool replaced = false;
        for (BootIniLine& earlier : meant) {
            if (SameKey(earlier.arcPath, source.device)) {
                earlier.value = source.osdevice;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            meant.push_back({source.device, source.osdevice});
        }
    }
    return meant;
}

}  // namespace qn
