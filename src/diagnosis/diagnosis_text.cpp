// The diagnosis's small helpers: names, file states, device texts.
#include "diagnosis/diagnosis_steps.h"

#include <algorithm>
#include <cwctype>

#include "boot/field_text.h"

namespace qn::diagnosis_detail {

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() &&
           EqualsIgnoringCase(text.substr(text.size() - tail.size()), tail);
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
    const std::wstring windows = DriveText(letter) + L"\\Windows";
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
    if (EqualsIgnoringCase(device, L"boot")) {
        return bootLetter != 0 ? std::optional<char>(bootLetter) : std::nullopt;
    }
    const std::wstring lower = LowerCase(device);
    const std::wstring_view prefix = L"partition=";
    if (lower.size() == prefix.size() + 2 && lower.compare(0, prefix.size(), prefix) == 0 &&
        lower.back() == L':' && lower[prefix.size()] >= L'a' && lower[prefix.size()] <= L'z') {
        return static_cast<char>(std::towupper(lower[prefix.size()]));
    }
    return std::nullopt;
}

std::optional<int> Seconds(std::wstring_view text) {
    const auto seconds = ParseDecimalDigits(text, 5);
    return seconds ? std::optional<int>(static_cast<int>(*seconds)) : std::nullopt;
}

bool IsNtldrEntry(const BootEntry& entry) {
    return std::any_of(
               std::begin(kNtldrIds), std::end(kNtldrIds),
               [&](const wchar_t* id) { return EqualsIgnoringCase(entry.identifier, id); }) ||
           EqualsIgnoringCase(entry.path, L"\\ntldr");
}

}  // namespace qn::diagnosis_detail
