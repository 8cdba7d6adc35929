#include "sim/boot_sector.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

#include "sim/sector_bytes.h"

namespace qn::sim {
namespace {

enum class Layout { None, Ntfs, Fat32, Fat16, Exfat };

Layout LayoutOf(const std::wstring& fileSystem) {
    std::wstring upper = fileSystem;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    if (upper == L"NTFS") {
        return Layout::Ntfs;
    }
    if (upper == L"FAT32") {
        return Layout::Fat32;
    }
    if (upper == L"FAT" || upper == L"FAT16") {
        return Layout::Fat16;
    }
    if (upper == L"EXFAT") {
        return Layout::Exfat;
    }
    return Layout::None;
}

// Where each layout's code begins, after its parameter block.
std::size_t CodeStart(Layout layout) {
    switch (layout) {
        case Layout::Ntfs:
            return 0x54;
        case Layout::Fat32:
            return 0x5A;
        case Layout::Fat16:
            return 0x3E;
        case Layout::Exfat:
            return 0x78;
        case Layout::None:
            break;
    }
    return 0x03;
}

void NtfsParameters(std::span<std::uint8_t> s, const VolumeGeometry& g, std::string_view oem) {
    PutText(s, 0x03, oem);
    PutLittleEndian(s, 0x0B, 512, 2);
    s[0x0D] = 8;
    s[0x15] = 0xF8;
    PutLittleEndian(s, 0x18, 63, 2);
    PutLittleEndian(s, 0x1A, 255, 2);
    PutLittleEndian(s, 0x1C, g.hiddenSectors, 4);
    PutLittleEndian(s, 0x24, 0x00800080, 4);
    PutLittleEndian(s, 0x28, g.totalSectors > 0 ? g.totalSectors - 1 : 0, 8);
    PutLittleEndian(s, 0x30, 0xC0000, 8);  // $MFT
    PutLittleEndian(s, 0x38, 2, 8);        // $MFTMirr
    s[0x40] = 0xF6;                        // 1 KiB file records
    s[0x44] = 0x01;
    PutLittleEndian(s, 0x48, (static_cast<std::uint64_t>(g.serial) << 32) | g.serial, 8);
}

void Fat32Parameters(std::span<std::uint8_t> s, const VolumeGeometry& g) {
    PutText(s, 0x03, "MSWIN4.1");
    PutLittleEndian(s, 0x0B, 512, 2);
    s[0x0D] = 8;
    PutLittleEndian(s, 0x0E, 32, 2);  // reserved sectors
    s[0x10] = 2;                      // two FATs
    s[0x15] = 0xF8;
    PutLittleEndian(s, 0x18, 63, 2);
    PutLittleEndian(s, 0x1A, 255, 2);
    PutLittleEndian(s, 0x1C, g.hiddenSectors, 4);
    PutLittleEndian(s, 0x20, std::min<std::uint64_t>(g.totalSectors, 0xFFFFFFFF), 4);
    PutLittleEndian(s, 0x24, g.totalSectors / 8 / 128 + 1, 4);  // sectors per FAT
    PutLittleEndian(s, 0x2C, 2, 4);                             // root directory cluster
    PutLittleEndian(s, 0x30, 1, 2);                             // FSInfo
    PutLittleEndian(s, 0x32, 6, 2);                             // backup boot sector
    s[0x40] = 0x80;
    s[0x42] = 0x29;
    PutLittleEndian(s, 0x43, g.serial, 4);
    PutText(s, 0x47, "NO NAME    ");
    PutText(s, 0x52, "FAT32   ");
}

void Fat16Parameters(std::span<std::uint8_t> s, const VolumeGeometry& g) {
    PutText(s, 0x03, "MSDOS5.0");
    PutLittleEndian(s, 0x0B, 512, 2);
    s[0x0D] = 4;
    PutLittleEndian(s, 0x0E, 1, 2);
    s[0x10] = 2;
    PutLittleEndian(s, 0x11, 512, 2);  // root directory entries
    s[0x15] = 0xF8;
    PutLittleEndian(s, 0x16, g.totalSectors / 4 / 256 + 1, 2);
    PutLittleEndian(s, 0x18, 63, 2);
    PutLittleEndian(s, 0x1A, 255, 2);
    PutLittleEndian(s, 0x1C, g.hiddenSectors, 4);
    PutLittleEndian(s, 0x20, std::min<std::uint64_t>(g.totalSectors, 0xFFFFFFFF), 4);
    s[0x24] = 0x80;
    s[0x26] = 0x29;
    PutLittleEndian(s, 0x27, g.serial, 4);
    PutText(s, 0x2B, "NO NAME    ");
    PutText(s, 0x36, "FAT16   ");
}

// exFAT keeps everything up to the code at 0x78 in its parameters; 0x0B..0x3F stays zero, so no
// FAT driver takes the volume for one of its own.
void ExfatParameters(std::span<std::uint8_t> s, const VolumeGeometry& g) {
    const ExfatLayout layout = ExfatLayoutOf(g.totalSectors);
    PutText(s, 0x03, "EXFAT   ");
    PutLittleEndian(s, 0x40, g.hiddenSectors, 8);
    PutLittleEndian(s, 0x48, g.totalSectors, 8);
    PutLittleEndian(s, 0x50, kExfatFatOffset, 4);
    PutLittleEndian(s, 0x54, layout.fatLength, 4);
    PutLittleEndian(s, 0x58, layout.clusterHeapOffset, 4);
    PutLittleEndian(s, 0x5C, layout.clusterCount, 4);
    PutLittleEndian(s, 0x60, 5, 4);  // root directory, after the bitmap and the up-case table
    PutLittleEndian(s, 0x64, g.serial, 4);
    PutLittleEndian(s, 0x68, 0x0100, 2);  // revision 1.00
    s[0x6C] = 9;                          // 512-byte sectors
    s[0x6D] = 3;                          // 4 KiB clusters
    s[0x6E] = 1;                          // one FAT
    s[0x6F] = 0x80;
}

// Sets up segments and a stack, then reads the loader's first sectors.
constexpr std::uint8_t kStartUp[] = {0xFA, 0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB,
                                     0x68, 0xC0, 0x07, 0x1F, 0x1E, 0x68, 0x66, 0x00, 0xCB,
                                     0x88, 0x16, 0x0E, 0x00, 0x66, 0x81, 0x3E, 0x03, 0x00};
constexpr std::uint8_t kFindLoader[] = {0xBB, 0x00, 0x20, 0xB9, 0x0B, 0x00, 0xBE, 0xF0, 0x7D,
                                        0xF3, 0xA6, 0x74, 0x0A, 0x83, 0xC3, 0x20, 0xE2, 0xF3};
constexpr std::uint8_t kGrubStart[] = {0xEB, 0x63, 0x90};

constexpr std::uint8_t kNtfsJump[] = {0xEB, 0x52, 0x90};
constexpr std::uint8_t kFat32Jump[] = {0xEB, 0x58, 0x90};
constexpr std::uint8_t kFat16Jump[] = {0xEB, 0x3C, 0x90};
constexpr std::uint8_t kExfatJump[] = {0xEB, 0x76, 0x90};

constexpr char kNtfsBootmgr[] =
    "\r\nA disk read error occurred\0\r\nBOOTMGR is missing\0\r\nBOOTMGR is compressed\0"
    "\r\nPress Ctrl+Alt+Del to restart\r\n";
constexpr char kNtfsNtldr[] =
    "\r\nA disk read error occurred\0\r\nNTLDR is missing\0\r\nNTLDR is compressed\0"
    "\r\nPress Ctrl+Alt+Del to restart\r\n";
// FAT code compares 8.3 directory names, so it carries the loader's name in that form.
constexpr char kFatBootmgr[] =
    "BOOTMGR    \r\nBOOTMGR is missing\xff\r\nDisk error\xff\r\nPress any key to restart\r\n";
constexpr char kFatNtldr[] =
    "NTLDR      \r\nNTLDR is missing\xff\r\nDisk error\xff\r\nPress any key to restart\r\n";
constexpr char kBitLocker[] =
    "\r\nRemove disks or other media.\0\r\nDisk error\0\r\nPress any key to restart\r\n";
constexpr char kGrub[] = "GRUB \0Geom\0Hard Disk\0Read\0 Error\r\n";

template <std::size_t N>
constexpr std::string_view Chars(const char (&text)[N]) {
    return std::string_view(text, N - 1);  // embedded zeros stay, the final one goes
}

std::string_view LoaderMessages(BootRecordCode code, Layout layout) {
    if (code == BootRecordCode::Ntldr) {
        return layout == Layout::Ntfs ? Chars(kNtfsNtldr) : Chars(kFatNtldr);
    }
    return layout == Layout::Ntfs ? Chars(kNtfsBootmgr) : Chars(kFatBootmgr);
}

}  // namespace

ExfatLayout ExfatLayoutOf(std::uint64_t totalSectors) {
    constexpr std::uint64_t kSectorsPerCluster = 8;
    auto clustersAfter = [&](std::uint64_t offset) {
        return totalSectors > offset ? (totalSectors - offset) / kSectorsPerCluster : 0;
    };
    ExfatLayout layout;
    // Entries 0 and 1 are not clusters; 4 bytes an entry.
    const std::uint64_t entries = clustersAfter(kExfatFatOffset) + 2;
    layout.fatLength = static_cast<std::uint32_t>((entries * 4 + kSectorBytes - 1) / kSectorBytes);
    layout.clusterHeapOffset = kExfatFatOffset + layout.fatLength;
    layout.clusterCount = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(clustersAfter(layout.clusterHeapOffset), 0xFFFFFFF5));
    return layout;
}

bool HasBootCodeLayout(const std::wstring& fileSystem) {
    return LayoutOf(fileSystem) != Layout::None;
}

std::vector<std::uint8_t> BootSectorBytes(BootRecordCode code, const VolumeGeometry& geometry) {
    std::vector<std::uint8_t> sector(kSectorBytes, 0);
    if (code == BootRecordCode::None) {
        return sector;
    }
    const Layout layout = LayoutOf(geometry.fileSystem);
    std::span<std::uint8_t> s(sector);
    switch (layout) {
        case Layout::Ntfs:
            PutBytes(s, 0, kNtfsJump);
            NtfsParameters(s, geometry,
                           code == BootRecordCode::BitLocker ? "-FVE-FS-" : "NTFS    ");
            break;
        case Layout::Fat32:
            PutBytes(s, 0, kFat32Jump);
            Fat32Parameters(s, geometry);
            break;
        case Layout::Fat16:
            PutBytes(s, 0, kFat16Jump);
            Fat16Parameters(s, geometry);
            break;
        case Layout::Exfat:
            PutBytes(s, 0, kExfatJump);
            ExfatParameters(s, geometry);
            break;
        case Layout::None:
            break;
    }
    const std::size_t code0 = CodeStart(layout);
    switch (code) {
        case BootRecordCode::Bootmgr:
        case BootRecordCode::Ntldr:
            PutBytes(s, code0, kStartUp);
            PutBytes(s, code0 + sizeof kStartUp + 4, kFindLoader);
            PutText(s, 0x180, LoaderMessages(code, layout));
            break;
        case BootRecordCode::Grub:
            PutBytes(s, 0, kGrubStart);
            PutText(s, 0x17C, Chars(kGrub));
            break;
        case BootRecordCode::BitLocker:
            PutBytes(s, code0, kStartUp);
            PutText(s, 0x160, Chars(kBitLocker));
            break;
        case BootRecordCode::Other:
            PutText(s, code0, "\x90\x90\xEB\xFE");
            PutText(s, 0x180, "Operating system not found");
            break;
        case BootRecordCode::None:
            break;
    }
    sector[0x1FE] = 0x55;
    sector[0x1FF] = 0xAA;
    return sector;
}

BootRecordCode ClassifyBootSector(std::span<const std::uint8_t> sector,
                                  const VolumeGeometry& geometry) {
    for (BootRecordCode kind :
         {BootRecordCode::None, BootRecordCode::Bootmgr, BootRecordCode::Ntldr,
          BootRecordCode::Grub, BootRecordCode::BitLocker}) {
        const std::vector<std::uint8_t> expected = BootSectorBytes(kind, geometry);
        if (sector.size() == expected.size() &&
            std::equal(expected.begin(), expected.end(), sector.begin())) {
            return kind;
        }
    }
    return BootRecordCode::Other;
}

}  // namespace qn::sim
