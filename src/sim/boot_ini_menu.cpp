// What ntldr offers: the lines of boot.ini, each ARC path followed by the ARC rules to the
// partition it names. A reading of the sim's own; the program's boot.ini reader is what this
// judges.
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "sim/boot_chain.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

// What ntldr boots when boot.ini names no default.
constexpr wchar_t kNtldrFallback[] = L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";

std::wstring Trim(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

struct IniLine {
    std::wstring arc;
    std::wstring text;
};

struct Ini {
    std::optional<int> timeout;
    std::wstring defaultArc;
    std::vector<IniLine> lines;
};

Ini Parse(const std::wstring& content) {
    Ini ini;
    std::wstring section;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = content.size();
        }
        std::wstring line = Trim(content.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') {
            line = Trim(line.substr(0, line.size() - 1));
        }
        if (line.empty() || line.front() == L';') {
            continue;
        }
        if (line.front() == L'[') {
            section = LowerCase(Trim(line.substr(1, line.find(L']') - 1)));
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) {
            continue;
        }
        const std::wstring key = Trim(line.substr(0, equals));
        const std::wstring value = Trim(line.substr(equals + 1));
        if (section == L"boot loader") {
            if (LowerCase(key) == L"timeout" && !value.empty() && value.size() < 6 &&
                value.find_first_not_of(L"0123456789") == std::wstring::npos) {
                ini.timeout = std::stoi(value);
            } else if (LowerCase(key) == L"default") {
                ini.defaultArc = value;
            }
        } else if (section == L"operating systems") {
            std::wstring text = value;
            if (!text.empty() && text.front() == L'"') {
                const std::size_t close = text.find(L'"', 1);
                text = text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
            }
            ini.lines.push_back({key, text});
        }
    }
    return ini;
}

// multi(0)disk(0)rdisk(R)partition(P)\FOLDER: R counts the disks in the order the BIOS sees
// them (its boot disk is 0), P the partitions of the table from 1, every one counted.
std::optional<int> ArcNumber(const std::wstring& arc, std::wstring_view key, std::size_t& at) {
    if (arc.compare(at, key.size(), key) != 0) {
        return std::nullopt;
    }
    at += key.size();
    const std::size_t close = arc.find(L')', at);
    if (close == std::wstring::npos || close == at || close - at > 3) {
        return std::nullopt;
    }
    int number = 0;
    for (std::size_t i = at; i < close; ++i) {
        if (arc[i] < L'0' || arc[i] > L'9') {
            return std::nullopt;
        }
        number = number * 10 + (arc[i] - L'0');
    }
    at = close + 1;
    return number;
}

Reach ReachOfArc(const SimMachine& machine, const std::wstring& arcText) {
    Reach reach;
    const std::wstring arc = LowerCase(arcText);
    std::size_t at = 0;
    const auto multi = ArcNumber(arc, L"multi(", at);
    const auto controller = multi ? ArcNumber(arc, L"disk(", at) : std::nullopt;
    const auto rdisk = controller ? ArcNumber(arc, L"rdisk(", at) : std::nullopt;
    const auto partition = rdisk ? ArcNumber(arc, L"partition(", at) : std::nullopt;
    if (!partition || *multi != 0 || *controller != 0) {
        reach.problem = L"names no partition ntldr can find (" + arcText + L")";
        return reach;
    }
    const std::vector<std::uint32_t> order = machine.BiosDiskOrder();
    const DiskVolume* volume =
        static_cast<std::size_t>(*rdisk) < order.size()
            ? machine.VolumeAt(order[static_cast<std::size_t>(*rdisk)], *partition)
            : nullptr;
    if (volume == nullptr || volume->disk->style != PartitionStyle::Mbr) {
        reach.problem = L"names a partition that is not on the machine (" + arcText + L")";
        return reach;
    }
    const ScenarioInstall* install =
        volume->partition->install ? &*volume->partition->install : nullptr;
    if (install == nullptr || arc.substr(at) != L"\\windows") {
        reach.problem = L"names a volume without Windows (" + arcText + L")";
        return reach;
    }
    int major = 0;
    for (std::size_t i = 0; i < install->currentVersion.size() && i < 3; ++i) {
        const wchar_t c = install->currentVersion[i];
        if (c < L'0' || c > L'9') {
            break;
        }
        major = major * 10 + (c - L'0');
    }
    if (major >= 6) {
        reach.problem = L"names a Windows that ntldr cannot start (" + arcText + L")";
        return reach;
    }
    reach.disk = static_cast<int>(volume->disk->number);
    reach.partition = volume->position;
    reach.product = install->productName;
    return reach;
}

std::optional<Ini> ReadIni(const SimMachine& machine, const DiskVolume& volume) {
    const auto* bytes = machine.Files().FileBytes(machine.PathOn(volume, L"\\boot.ini"));
    if (bytes == nullptr) {
        return std::nullopt;
    }
    const std::string narrow(bytes->begin(), bytes->end());
    return Parse(machine.Text().ToWide(narrow, CodePageKind::Ansi));
}

}  // namespace

void MenuFromBootIni(const SimMachine& machine, const DiskVolume& volume, BootVerdict& verdict) {
    if (!HasFile(machine, volume, L"\\NTDETECT.COM")) {
        verdict.problem = L"NTDETECT.COM missing on the active partition";
        return;
    }
    const auto ini = ReadIni(machine, volume);
    if (!ini) {
        verdict.problem = L"boot.ini missing on the active partition";
        return;
    }
    verdict.timeout = ini->timeout;
    const std::wstring defaultArc = ini->defaultArc.empty() ? kNtldrFallback : ini->defaultArc;
    bool defaultShown = false;
    for (const IniLine& line : ini->lines) {
        const Reach reach = ReachOfArc(machine, line.arc);
        MenuItem item;
        item.text = line.text;
        item.disk = reach.disk;
        item.partition = reach.partition;
        item.product = reach.product;
        // ntldr compares the default with the lines as text, without regard to case.
        item.isDefault = !defaultShown && LowerCase(line.arc) == LowerCase(defaultArc);
        defaultShown = defaultShown || item.isDefault;
        verdict.menu.push_back(std::move(item));
    }
    const Reach byDefault = ReachOfArc(machine, defaultArc);
    verdict.boots = byDefault.problem.empty();
    if (!verdict.boots) {
        verdict.problem = L"boot.ini's default " + byDefault.problem;
    }
}

Reach ReachThroughNtldr(const SimMachine& machine, const DiskVolume& volume) {
    Reach reach;
    if (!HasFile(machine, volume, L"\\ntldr")) {
        reach.problem = L"chains to ntldr, which is missing on its partition";
        return reach;
    }
    if (!HasFile(machine, volume, L"\\NTDETECT.COM")) {
        reach.problem = L"chains to ntldr, but NTDETECT.COM is missing on its partition";
        return reach;
    }
    const auto ini = ReadIni(machine, volume);
    if (!ini) {
        reach.problem = L"chains to ntldr, but boot.ini is missing on its partition";
        return reach;
    }
    reach = ReachOfArc(machine, ini->defaultArc.empty() ? kNtldrFallback : ini->defaultArc);
    if (!reach.problem.empty()) {
        reach.problem = L"chains to ntldr, whose boot.ini default " + reach.problem;
    }
    return reach;
}

}  // namespace qn::sim
