#include "sim/boot_region.h"

#include <algorithm>
#include <cwctype>
#include <string>

#include "sim/sector_bytes.h"

namespace qn::sim {
namespace {

enum class Kept { None, Fat16, Fat32, Exfat };

Kept KeptOf(const std::wstring& fileSystem) {
    std::wstring upper = fileSystem;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    if (upper == L"FAT" || upper == L"FAT16") {
        return Kept::Fat16;
    }
    if (upper == L"FAT32") {
        return Kept::Fat32;
    }
    if (upper == L"EXFAT") {
        return Kept::Exfat;
    }
    return Kept::None;
}

constexpr std::size_t kChecksumSector = 11;
constexpr std::size_t kExfatRegionSectors = 12;

// Following sectors are numbered from the volume's start: sector n is at (n - 1) * 512.
std::span<std::uint8_t> Sector(std::vector<std::uint8_t>& following, std::size_t n) {
    const std::size_t at = (n - 1) * kSectorBytes;
    return at + kSectorBytes <= following.size()
               ? std::span<std::uint8_t>(following).subspan(at, kSectorBytes)
               : std::span<std::uint8_t>();
}

void CopyInto(std::span<std::uint8_t> to, std::span<const std::uint8_t> from) {
    if (!to.empty() && from.size() >= to.size()) {
        std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(to.size()), to.begin());
    }
}

void FormatFat32(std::span<const std::uint8_t> boot, std::vector<std::uint8_t>& following,
                 const VolumeGeometry& g) {
    std::span<std::uint8_t> fsInfo = Sector(following, 1);
    if (!fsInfo.empty()) {
        PutLittleEndian(fsInfo, 0, 0x41615252, 4);
        PutLittleEndian(fsInfo, 484, 0x61417272, 4);
        PutLittleEndian(fsInfo, 488, g.totalSectors / 8 / 2, 4);  // free clusters
        PutLittleEndian(fsInfo, 492, 3, 4);                       // where to look next
        PutLittleEndian(fsInfo, 508, 0xAA550000, 4);
    }
    std::span<std::uint8_t> third = Sector(following, 2);
    if (!third.empty()) {
        third[510] = 0x55;
        third[511] = 0xAA;
    }
    CopyInto(Sector(following, 6), boot);
    CopyInto(Sector(following, 7), fsInfo);
    CopyInto(Sector(following, 8), third);
    // Media descriptor, the end-of-chain marker, and the root directory's single cluster.
    PutLittleEndian(Sector(following, 32), 0, 0x0FFFFFF8, 4);
    PutLittleEndian(Sector(following, 32), 4, 0x0FFFFFFF, 4);
    PutLittleEndian(Sector(following, 32), 8, 0x0FFFFFFF, 4);
}

void FormatFat16(std::vector<std::uint8_t>& following) {
    PutLittleEndian(Sector(following, 1), 0, 0xFFFFFFF8, 4);
}

void FormatExfat(std::span<const std::uint8_t> boot, std::vector<std::uint8_t>& following,
                 const VolumeGeometry& g) {
    for (std::size_t n = 1; n <= 8; ++n) {
        PutLittleEndian(Sector(following, n), 508, 0xAA550000, 4);  // extended boot signature
    }
    RefreshBootChecksum(boot, following, g);
    for (std::size_t n = 0; n < kExfatRegionSectors; ++n) {
        CopyInto(Sector(following, kExfatRegionSectors + n), n == 0 ? boot : Sector(following, n));
    }
    // Entries 0 and 1, then the allocation bitmap (cluster 2), the up-case table (3-4) and the
    // root directory (5).
    std::span<std::uint8_t> fat = Sector(following, kExfatFatOffset);
    PutLittleEndian(fat, 0, 0xFFFFFFF8, 4);
    PutLittleEndian(fat, 4, 0xFFFFFFFF, 4);
    PutLittleEndian(fat, 8, 0xFFFFFFFF, 4);
    PutLittleEndian(fat, 12, 4, 4);
    PutLittleEndian(fat, 16, 0xFFFFFFFF, 4);
    PutLittleEndian(fat, 20, 0xFFFFFFFF, 4);
}

}  // namespace

std::vector<std::uint8_t> FormattedSectors(std::span<const std::uint8_t> bootSector,
                                           const VolumeGeometry& geometry) {
    const Kept kept = KeptOf(geometry.fileSystem);
    const std::uint64_t sectors = std::min<std::uint64_t>(kKeptSectors, geometry.totalSectors);
    if (kept == Kept::None || sectors < 2) {
        return {};
    }
    std::vector<std::uint8_t> following(static_cast<std::size_t>(sectors - 1) * kSectorBytes, 0);
    switch (kept) {
        case Kept::Fat32:
            FormatFat32(bootSector, following, geometry);
            break;
        case Kept::Fat16:
            FormatFat16(following);
            break;
        case Kept::Exfat:
            FormatExfat(bootSector, following, geometry);
            break;
        case Kept::None:
            break;
    }
    return following;
}

std::uint32_t ExfatBootChecksum(std::span<const std::uint8_t> sectors) {
    std::uint32_t sum = 0;
    const std::size_t bytes = std::min(sectors.size(), kChecksumSector * kSectorBytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (i == 106 || i == 107 || i == 112) {
            continue;
        }
        sum = ((sum & 1) != 0 ? 0x80000000u : 0u) + (sum >> 1) + sectors[i];
    }
    return sum;
}

void RefreshBootChecksum(std::span<const std::uint8_t> bootSector,
                         std::span<std::uint8_t> following, const VolumeGeometry& geometry) {
    if (KeptOf(geometry.fileSystem) != Kept::Exfat ||
        following.size() < kChecksumSector * kSectorBytes || bootSector.size() != kSectorBytes) {
        return;
    }
    std::vector<std::uint8_t> region(bootSector.begin(), bootSector.end());
    region.insert(
        region.end(), following.begin(),
        following.begin() + static_cast<std::ptrdiff_t>((kChecksumSector - 1) * kSectorBytes));
    const std::uint32_t sum = ExfatBootChecksum(region);
    std::span<std::uint8_t> checksum =
        following.subspan((kChecksumSector - 1) * kSectorBytes, kSectorBytes);
    for (std::size_t at = 0; at < kSectorBytes; at += 4) {
        PutLittleEndian(checksum, at, sum, 4);
    }
}

}  // namespace qn::sim
