#pragma once

// The simulated machine's state as undo must give it back: files and their attributes, sectors,
// the verdict and the firmware's entries; and what differs between two such states, in words.
#include <cwctype>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "boot/utf8_text.h"
#include "sim/boot_verdict.h"
#include "sim/sim_machine.h"

namespace qn::sim::test {

// Everything a repair may change, except what the program leaves on purpose: its logs, its undo
// folders and its backups ("..._<14-digit stamp>").
// Files are keyed without their drive: the sim names a volume by its letter or, without one,
// by a private mark, and a file re-created through a letter is the same file.
struct MachineState {
    std::multimap<std::wstring, std::string> files;  // path on its volume -> attributes + bytes
    std::vector<std::vector<std::uint8_t>> sectors;
    std::string verdict;
    std::vector<std::wstring> firmwareEntries;

    bool operator==(const MachineState&) const = default;
};

// Also the work folders' parent, and a letterless volume's root, which the sim's file system
// lists as a folder of its own once a tool wrote there.
inline bool MadeByTheProgram(const std::wstring& path) {
    static const std::wregex backup(L".*_20\\d{12}(_\\d+)?(\\\\.*)?$");
    return path.find(L"QNBootRepair_") != std::wstring::npos || std::regex_match(path, backup) ||
           path.ends_with(L"\\AppData\\Local\\Temp") || path.size() <= 2;
}

inline MachineState StateOf(SimMachine& machine) {
    MachineState state;
    fake::FakeFileSystem& files = machine.Files();
    for (const std::wstring& path : files.AllPaths()) {
        if (MadeByTheProgram(path)) {
            continue;
        }
        std::string value = std::to_string(files.Attributes(path).value_or(0)) + ":";
        if (const auto* bytes = files.FileBytes(path)) {
            value.append(bytes->begin(), bytes->end());
        } else {
            value += "<folder>";
        }
        std::wstring key = path.substr(std::min<std::size_t>(2, path.size()));
        for (wchar_t& c : key) {
            c = static_cast<wchar_t>(std::towlower(c));
        }
        state.files.emplace(key, value);
    }
    for (std::uint32_t disk = 0; disk < 4; ++disk) {
        const auto bytes = machine.ReadDiskSectors(disk, 0, 1);
        if (bytes) {
            state.sectors.push_back(*bytes);
        }
    }
    for (const DiskVolume& volume : machine.DiskVolumes()) {
        if (auto bytes = machine.ReadVolumeSectors(volume.id, 0, 1)) {
            state.sectors.push_back(*bytes);
        }
    }
    state.verdict = VerdictJson(machine.Boot());
    for (const FirmwareEntry& entry : machine.FirmwareEntries()) {
        state.firmwareEntries.push_back(entry.id + L" " + entry.description);
    }
    return state;
}

inline std::string Differences(const MachineState& a, const MachineState& b) {
    std::string text;
    for (const auto& [path, value] : a.files) {
        if (b.files.count(path) == 0) {
            text += "gone: " + WideToUtf8(path) + "\n";
        } else if (b.files.count(path) == 1 && b.files.find(path)->second != value) {
            text += "changed: " + WideToUtf8(path) + "\n";
        }
    }
    for (const auto& [path, value] : b.files) {
        if (a.files.count(path) == 0) {
            text += "new: " + WideToUtf8(path) + "\n";
        }
    }
    for (std::size_t i = 0; i < a.sectors.size() && i < b.sectors.size(); ++i) {
        if (a.sectors[i] != b.sectors[i]) {
            text += "sector " + std::to_string(i) + " differs\n";
        }
    }
    if (a.firmwareEntries != b.firmwareEntries) {
        text += "the firmware's boot order differs\n";
    }
    if (a.verdict != b.verdict) {
        text += "verdict before: " + a.verdict + "\nverdict after:  " + b.verdict + "\n";
    }
    return text;
}

// Rows or lines, one per line, for a failure's message.
inline std::string Lines(const std::vector<std::wstring>& rows) {
    std::string text;
    for (const std::wstring& row : rows) {
        text += WideToUtf8(row) + "\n";
    }
    return text;
}

}  // namespace qn::sim::test
