#include "diagnosis/boot_code_classifier.h"

#include <algorithm>
#include <string_view>

namespace qn {
namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kSignatureAt = 510;
constexpr std::size_t kTableAt = 446;
// Windows' MBR code keeps one byte per message at 0x1B5..0x1B7: the message's offset - 0x100.
constexpr std::size_t kMessageOffsetsAt = 0x1B5;
constexpr std::size_t kMessageBase = 0x100;
// Vista's messages start at 0x162, Windows 7's at 0x163; XP's at 0x12C.
constexpr std::size_t kNt6MessagesFrom = 0x160;
constexpr std::size_t kShortestMessage = 8;

std::string_view Chars(std::span<const std::uint8_t> bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool Contains(std::span<const std::uint8_t> bytes, std::string_view text) {
    return Chars(bytes).find(text) != std::string_view::npos;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool ContainsNoCase(std::span<const std::uint8_t> bytes, std::string_view text) {
    const std::string_view haystack = Chars(bytes);
    const auto found = std::search(haystack.begin(), haystack.end(), text.begin(), text.end(),
                                   [](char a, char b) { return Upper(a) == Upper(b); });
    return found != haystack.end();
}

// Every byte the same: zeros, or the fill a formatting tool leaves.
bool Blank(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [&](std::uint8_t b) { return b == bytes.front(); });
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

bool MentionsSyslinux(std::span<const std::uint8_t> bytes) {
    return ContainsNoCase(bytes, "SYSLINUX") || ContainsNoCase(bytes, "EXTLINUX") ||
           ContainsNoCase(bytes, "ISOLINUX");
}

// A message text at offset: at least kShortestMessage characters (ASCII or a code page's upper
// half, for localised messages) before its terminating zero, inside the code area.
bool MessageAt(std::span<const std::uint8_t> sector, std::size_t offset) {
    std::size_t length = 0;
    for (std::size_t i = offset; i < kMessageOffsetsAt && i < sector.size(); ++i) {
        const std::uint8_t c = sector[i];
        if (c == 0) {
            return length >= kShortestMessage;
        }
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        ++length;
    }
    return false;
}

// The first message's offset when the three message offsets of Windows' MBR code point at three
// messages in ascending order.
std::optional<std::size_t> WindowsMessageTable(std::span<const std::uint8_t> sector) {
    if (sector.size() < kMessageOffsetsAt + 3) {
        return std::nullopt;
    }
    const std::size_t a = sector[kMessageOffsetsAt];
    const std::size_t b = sector[kMessageOffsetsAt + 1];
    const std::size_t c = sector[kMessageOffsetsAt + 2];
    if (a == 0 || !(a < b && b < c)) {
        return std::nullopt;
    }
    for (std::size_t offset : {a, b, c}) {
        if (!MessageAt(sector, kMessageBase + offset)) {
            return std::nullopt;
        }
    }
    return kMessageBase + a;
}

// Where the code of a boot sector begins, after its file system's parameter block.
std::size_t BootCodeStart(std::span<const std::uint8_t> sector) {
    auto field = [&](std::size_t at, std::string_view text) {
        return sector.size() >= at + text.size() && Chars(sector.subspan(at, text.size())) == text;
    };
    if (field(3, "NTFS    ")) {
        return 0x54;
    }
    if (field(3, "EXFAT   ")) {
        return 0x78;
    }
    if (field(0x52, "FAT32   ")) {
        return 0x5A;
    }
    if (field(0x36, "FAT")) {
        return 0x3E;
    }
    return 0;
}

}  // namespace

MbrCodeKind ClassifyMbrCode(std::span<const std::uint8_t> sector) {
    const auto code = sector.first(std::min(sector.size(), kMbrCodeArea));
    if (code.empty() || Blank(code)) {
        return MbrCodeKind::None;
    }
    if (Contains(code, "GRUB ")) {
        return MbrCodeKind::Grub;
    }
    if (MentionsSyslinux(code) || (Contains(code, "Operating system load error") &&
                                   Contains(code, "Multiple active partitions"))) {
        return MbrCodeKind::Syslinux;
    }
    std::optional<std::size_t> messages = WindowsMessageTable(sector);
    if (!messages && Contains(code, "Invalid partition table") &&
        Contains(code, "Error loading operating system") &&
        Contains(code, "Missing operating system")) {
        messages = Chars(code).find("Invalid partition table");
    }
    if (!messages) {
        return MbrCodeKind::Other;
    }
    return Contains(code, "TCPA") || *messages >= kNt6MessagesFrom ? MbrCodeKind::Nt6
                                                                   : MbrCodeKind::Nt5;
}

BootRecordKind ClassifyBootRecord(std::span<const std::uint8_t> sector) {
    const auto body = sector.first(std::min(sector.size(), kSignatureAt));
    if (body.empty() || Blank(body)) {
        return BootRecordKind::None;
    }
    if (body.size() >= 11 && Chars(body.subspan(3, 8)) == "-FVE-FS-") {
        return BootRecordKind::BitLocker;
    }
    const std::size_t codeStart = std::min(BootCodeStart(body), body.size());
    if (AllZero(body.subspan(codeStart))) {
        return BootRecordKind::None;
    }
    if (Contains(body, "GRUB ")) {
        return BootRecordKind::Grub;
    }
    if (MentionsSyslinux(body)) {
        return BootRecordKind::Syslinux;
    }
    if (Contains(body, "BOOTMGR")) {
        return BootRecordKind::Bootmgr;
    }
    if (Contains(body, "NTLDR")) {
        return BootRecordKind::Ntldr;
    }
    return BootRecordKind::Other;
}

bool StartsActivePartition(MbrCodeKind kind) {
    return kind == MbrCodeKind::Nt6 || kind == MbrCodeKind::Nt5 || kind == MbrCodeKind::Syslinux;
}

const wchar_t* MbrCodeText(MbrCodeKind kind) {
    switch (kind) {
        case MbrCodeKind::None:
            return L"没有引导代码";
        case MbrCodeKind::Nt6:
            return L"Windows NT6 引导代码 (Vista 及以后)";
        case MbrCodeKind::Nt5:
            return L"Windows NT5 引导代码 (2000/XP)";
        case MbrCodeKind::Grub:
            return L"GRUB 引导代码";
        case MbrCodeKind::Syslinux:
            return L"Syslinux 引导代码";
        case MbrCodeKind::Other:
            break;
    }
    return L"其他引导程序的代码";
}

const wchar_t* BootRecordText(BootRecordKind kind) {
    switch (kind) {
        case BootRecordKind::None:
            return L"没有引导代码";
        case BootRecordKind::Bootmgr:
            return L"Windows NT6 引导代码 (加载 bootmgr)";
        case BootRecordKind::Ntldr:
            return L"Windows NT5 引导代码 (加载 ntldr)";
        case BootRecordKind::Grub:
            return L"GRUB 引导代码";
        case BootRecordKind::Syslinux:
            return L"Syslinux 引导代码";
        case BootRecordKind::BitLocker:
            return L"BitLocker 加密卷";
        case BootRecordKind::Other:
            break;
    }
    return L"其他引导代码";
}

std::optional<MbrLayout> ReadMbrLayout(std::span<const std::uint8_t> sector) {
    if (sector.size() < kSectorBytes) {
        return std::nullopt;
    }
    auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(sector[at]) |
               (static_cast<std::uint32_t>(sector[at + 1]) << 8) |
               (static_cast<std::uint32_t>(sector[at + 2]) << 16) |
               (static_cast<std::uint32_t>(sector[at + 3]) << 24);
    };
    MbrLayout layout;
    layout.bootSignature = sector[kSignatureAt] == 0x55 && sector[kSignatureAt + 1] == 0xAA;
    for (std::size_t slot = 0; slot < layout.entries.size(); ++slot) {
        const std::size_t at = kTableAt + 16 * slot;
        MbrTableEntry& entry = layout.entries[slot];
        entry.bootFlag = sector[at];
        entry.type = sector[at + 4];
        entry.firstSector = le32(at + 8);
        entry.sectorCount = le32(at + 12);
    }
    return layout;
}

}  // namespace qn
