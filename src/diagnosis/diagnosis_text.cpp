// The diagnosis's small helpers: names, file states, device texts, ARC paths.
#include "diagnosis/diagnosis_steps.h"

#include <algorithm>
#include <cwctype>

namespace qn::diagnosis_detail {

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return lower;
}

bool Same(std::wstring_view a, std::wstring_view b) {
    return Lower(a) == Lower(b);
}

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() && Same(text.substr(text.size() - tail.size()), tail);
}

std::wstring Drive(char letter) {
    return std::wstring(1, static_cast<wchar_t>(letter)) + L":";
}

std::wstring DiskName(std::uint32_t number) {
    return L"磁盘" + std::to_wstring(number);
}

FilePresence Presence(FileSystem& files, const std::wstring& path) {
    const auto size = files.FileSize(path);
    if (!size) {
        return FilePresence::Missing;
    }
    return *size == 0 ? FilePresence::Empty : FilePresence::Present;
}

bool HasVistaMarkers(FileSystem& files, char letter) {
    const std::wstring windows = Drive(letter) + L"\\Windows";
    return files.PathExists(windows + L"\\System32\\winload.exe") ||
           files.PathExists(windows + L"\\System32\\winload.efi") ||
           files.PathExists(windows + L"\\Boot") ||
           files.PathExists(windows + L"\\System32\\config\\BCD-Template");
}

bool IsExtendedPartitionType(std::uint8_t type) {
    return type == 0x05 || type == 0x0F || type == 0x85;
}

// "D:\EFI\Boot\bootx64.efi 不存在" or "... 已损坏（0 字节）"; empty when the file is usable.
std::wstring FileState(FilePresence presence, const std::wstring& path) {
    switch (presence) {
        case FilePresence::Missing:
            return path + L" 不存在";
        case FilePresence::Empty:
            return path + L" 已损坏（0 字节）";
        case FilePresence::Present:
            break;
    }
    return {};
}

// "缺少 bootmgr" or "bootmgr 已损坏（0 字节）" after the place; empty when the file is usable.
std::wstring FileProblem(FilePresence presence, const std::wstring& place,
                         const std::wstring& name) {
    switch (presence) {
        case FilePresence::Missing:
            return place + L"缺少 " + name;
        case FilePresence::Empty:
            return place + L"的 " + name + L" 已损坏（0 字节）";
        case FilePresence::Present:
            break;
    }
    return {};
}

// "partition=C:" -> 'C'; "boot" -> the partition the boot manager started from.
std::optional<char> DeviceLetter(std::wstring_view device, char bootLetter) {
    if (Same(device, L"boot")) {
        return bootLetter != 0 ? std::optional<char>(bootLetter) : std::nullopt;
    }
    const std::wstring lower = Lower(device);
    const std::wstring_view prefix = L"partition=";
    if (lower.size() == prefix.size() + 2 && lower.compare(0, prefix.size(), prefix) == 0 &&
        lower.back() == L':' && lower[prefix.size()] >= L'a' && lower[prefix.size()] <= L'z') {
        return static_cast<char>(std::towupper(lower[prefix.size()]));
    }
    return std::nullopt;
}

std::optional<int> Seconds(std::wstring_view text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
        return std::nullopt;
    }
    return std::stoi(std::wstring(text));
}

bool IsNtldrEntry(const BootEntry& entry) {
    return std::any_of(std::begin(kNtldrIds), std::end(kNtldrIds),
                       [&](const wchar_t* id) { return Same(entry.identifier, id); }) ||
           Same(entry.path, L"\\ntldr");
}

namespace {

std::optional<std::uint32_t> ArcNumber(const std::wstring& arc, std::wstring_view key,
                                       std::size_t& at) {
    if (arc.compare(at, key.size(), key) != 0) {
        return std::nullopt;
    }
    at += key.size();
    const std::size_t close = arc.find(L')', at);
    if (close == std::wstring::npos || close == at || close - at > 3) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = at; i < close; ++i) {
        if (arc[i] < L'0' || arc[i] > L'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<std::uint32_t>(arc[i] - L'0');
    }
    at = close + 1;
    return number;
}

}  // namespace

std::optional<ArcPath> ParseArc(std::wstring_view text) {
    const std::wstring arc = Lower(text);
    std::size_t at = 0;
    const auto multi = ArcNumber(arc, L"multi(", at);
    const auto controller = multi ? ArcNumber(arc, L"disk(", at) : std::nullopt;
    const auto rdisk = controller ? ArcNumber(arc, L"rdisk(", at) : std::nullopt;
    const auto partition = rdisk ? ArcNumber(arc, L"partition(", at) : std::nullopt;
    if (!partition || *multi != 0 || *controller != 0) {
        return std::nullopt;
    }
    return ArcPath{*rdisk, *partition, arc.substr(at)};
}

}  // namespace qn::diagnosis_detail
