#include "sim/mbr_code.h"

#include <algorithm>

namespace qn::sim {
namespace {

// A start-up routine in the usual form: interrupts off, stack below 0:7C00, then the code moves
// itself away before it reads the active partition's first sector to 0:7C00.
constexpr std::uint8_t kRelocate[] = {0xFA, 0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0x8E, 0xC0,
                                      0x8E, 0xD8, 0xBE, 0x00, 0x7C, 0xBF, 0x00, 0x06, 0xB9, 0x00,
                                      0x02, 0xFC, 0xF3, 0xA4, 0x50, 0x68, 0x1C, 0x06, 0xCB, 0xFB};
// Scans the four table entries for the one with the boot flag.
constexpr std::uint8_t kScanTable[] = {0xBD, 0xBE, 0x07, 0xB1, 0x04, 0x38, 0x6E, 0x00,
                                       0x7C, 0x09, 0x75, 0x13, 0x83, 0xC5, 0x10, 0xE2,
                                       0xF4, 0xCD, 0x18, 0x8B, 0xF5, 0x83, 0xC6, 0x10};
// The newer code reads with the extended disk calls and asks the TPM to measure.
constexpr std::uint8_t kExtendedRead[] = {
    0xB4, 0x41, 0xBB, 0xAA, 0x55, 0xCD, 0x13, 0x72, 0x0F, 0x81, 0xFB, 0x55, 0xAA, 0x75, 0x09,
    0xB4, 0x42, 0x8B, 0xF4, 0xCD, 0x13, 0x66, 0x68, 0x54, 0x43, 0x50, 0x41, 0xB8, 0x07, 0xBB};
constexpr std::uint8_t kChsRead[] = {0xB8, 0x01, 0x02, 0xBB, 0x00, 0x7C, 0x8B, 0x4E,
                                     0x02, 0x8A, 0x76, 0x01, 0xCD, 0x13, 0x73, 0x05};
// GRUB's first stage jumps over a parameter block and loads its core from the sectors after
// the boot record.
constexpr std::uint8_t kGrubStart[] = {0xEB, 0x63, 0x90};
constexpr std::uint8_t kGrubLoad[] = {0xFA, 0x90, 0x90, 0xF6, 0xC2, 0x80, 0x74, 0x05, 0xF6,
                                      0xC2, 0x70, 0x74, 0x02, 0xB2, 0x80, 0xEA, 0x79, 0x7C,
                                      0x00, 0x00, 0x31, 0xC0, 0x8E, 0xD8, 0x8E, 0xD0};

// Syslinux's MBR reads the active partition's boot record with the extended disk calls, and
// prints its own three messages.
constexpr std::uint8_t kSyslinuxRead[] = {0x66, 0x8B, 0x44, 0x08, 0xB4, 0x42, 0x8B, 0xF4,
                                          0xCD, 0x13, 0x72, 0x20, 0x81, 0x3E, 0xFE, 0x7D,
                                          0x55, 0xAA, 0x75, 0x12, 0xFA, 0xEA, 0x00, 0x7C};
constexpr char kSyslinuxMessages[] =
    "Missing operating system.\0Operating system load error.\0Multiple active partitions.";

constexpr char kWindowsMessages[] =
    "Invalid partition table\0Error loading operating system\0Missing operating system";

MbrCodeArea Build(MbrCode code) {
    MbrCodeArea area{};
    std::span<std::uint8_t> bytes(area);
    switch (code) {
        case MbrCode::None:
            break;
        case MbrCode::Nt60:
            PutBytes(bytes, 0x00, kRelocate);
            PutBytes(bytes, 0x1E, kScanTable);
            PutBytes(bytes, 0x40, kExtendedRead);
            PutText(bytes, 0x163, std::string_view(kWindowsMessages, sizeof kWindowsMessages - 1));
            // Where the messages start, as the code finds them (one byte each, from 0x100).
            area[0x1B5] = 0x63;
            area[0x1B6] = 0x7B;
            area[0x1B7] = 0x9A;
            break;
        case MbrCode::Nt52:
            PutBytes(bytes, 0x00, kRelocate);
            PutBytes(bytes, 0x1E, kScanTable);
            PutBytes(bytes, 0x40, kChsRead);
            PutText(bytes, 0x12C, std::string_view(kWindowsMessages, sizeof kWindowsMessages - 1));
            area[0x1B5] = 0x2C;
            area[0x1B6] = 0x44;
            area[0x1B7] = 0x63;
            break;
        case MbrCode::Grub:
            PutBytes(bytes, 0x00, kGrubStart);
            PutBytes(bytes, 0x65, kGrubLoad);
            PutText(bytes, 0x17C, std::string_view("GRUB \0Geom\0Hard Disk\0Read\0 Error\r\n", 34));
            break;
        case MbrCode::Syslinux:
            PutBytes(bytes, 0x00, kRelocate);
            PutBytes(bytes, 0x1E, kScanTable);
            PutBytes(bytes, 0x60, kSyslinuxRead);
            PutText(bytes, 0x150,
                    std::string_view(kSyslinuxMessages, sizeof kSyslinuxMessages - 1));
            break;
        case MbrCode::Other:
            // Another vendor's boot manager, as far as this machine can tell.
            PutBytes(bytes, 0x00, kRelocate);
            PutText(bytes, 0x120, std::string_view("Boot menu\0Press F8 for boot options\0", 36));
            break;
    }
    return area;
}

}  // namespace

MbrCodeArea MbrCodeBytes(MbrCode code) {
    return Build(code);
}

MbrCode ClassifyMbrCode(std::span<const std::uint8_t> code) {
    for (MbrCode kind :
         {MbrCode::None, MbrCode::Nt60, MbrCode::Nt52, MbrCode::Grub, MbrCode::Syslinux}) {
        const MbrCodeArea area = Build(kind);
        if (code.size() == area.size() && std::equal(area.begin(), area.end(), code.begin())) {
            return kind;
        }
    }
    return MbrCode::Other;
}

}  // namespace qn::sim
