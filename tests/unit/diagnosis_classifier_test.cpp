// The sector classifier on real-shaped sectors that the tests build here: the signatures each
// loader is known by (its messages, names and OEM ids) around code bytes of the tests' own, never
// a real loader's sector.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "diagnosis/boot_code_classifier.h"
#include "sim/boot_sector.h"
#include "sim/mbr_code.h"

namespace qn {
namespace {

using Sector = std::vector<std::uint8_t>;

void Put(Sector& s, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        s[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

void PutBytes(Sector& s, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        s[at++] = b;
    }
}

void Signature(Sector& s) {
    s[510] = 0x55;
    s[511] = 0xAA;
}

// A start-up routine as every MBR has one (interrupts off, stack, copy itself away).
Sector WithStartUp() {
    Sector s(512, 0);
    PutBytes(s, 0, {0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0x50, 0x07, 0x50, 0x1F});
    Signature(s);
    return s;
}

// Windows' MBR: messages at first, with their offsets - 0x100 at 0x1B5..0x1B7.
Sector WindowsMbr(std::size_t first, bool tpm, std::string_view m1, std::string_view m2,
                  std::string_view m3) {
    Sector s = WithStartUp();
    if (tpm) {
        PutBytes(s, 0x40, {0x66, 0x68});  // push dword
        Put(s, 0x42, "TCPA");
    }
    const std::size_t second = first + m1.size() + 1;
    const std::size_t third = second + m2.size() + 1;
    Put(s, first, m1);
    Put(s, second, m2);
    Put(s, third, m3);
    s[0x1B5] = static_cast<std::uint8_t>(first - 0x100);
    s[0x1B6] = static_cast<std::uint8_t>(second - 0x100);
    s[0x1B7] = static_cast<std::uint8_t>(third - 0x100);
    return s;
}

constexpr std::string_view kInvalid = "Invalid partition table";
constexpr std::string_view kError = "Error loading operating system";
constexpr std::string_view kMissing = "Missing operating system";

TEST(ClassifyMbrCode, WindowsMbrsByTheirMessagesAndTheTpmCall) {
    EXPECT_EQ(ClassifyMbrCode(WindowsMbr(0x163, true, kInvalid, kError, kMissing)),
              MbrCodeKind::Nt6);  // Windows 7 and later
    EXPECT_EQ(ClassifyMbrCode(WindowsMbr(0x162, false, kInvalid, kError, kMissing)),
              MbrCodeKind::Nt6);  // Vista: no TPM call, later messages
    EXPECT_EQ(ClassifyMbrCode(WindowsMbr(0x12C, false, kInvalid, kError, kMissing)),
              MbrCodeKind::Nt5);  // 2000 / XP
    // A localised MBR is told by its message table, not by the English words.
    EXPECT_EQ(ClassifyMbrCode(WindowsMbr(0x12C, false, "Ung\x81ltige Partitionstabelle",
                                         "Fehler beim Laden des Betriebssystems",
                                         "Betriebssystem nicht vorhanden")),
              MbrCodeKind::Nt5);
    // The English messages alone, without the table, still say Windows.
    Sector plain = WithStartUp();
    Put(plain, 0x163, "Invalid partition table");
    Put(plain, 0x17B, "Error loading operating system");
    Put(plain, 0x19A, "Missing operating system");
    EXPECT_EQ(ClassifyMbrCode(plain), MbrCodeKind::Nt6);
}

TEST(ClassifyMbrCode, OtherLoadersByTheirSignatures) {
    Sector grub2 = WithStartUp();
    PutBytes(grub2, 0, {0xEB, 0x63, 0x90});
    Put(grub2, 0x180, std::string_view("GRUB \0Geom\0Hard Disk\0Read\0 Error\r\n", 34));
    EXPECT_EQ(ClassifyMbrCode(grub2), MbrCodeKind::Grub);
    Sector grubLegacy = WithStartUp();
    PutBytes(grubLegacy, 0, {0xEB, 0x48, 0x90});
    Put(grubLegacy, 0x17D, std::string_view("GRUB \0Geom\0Hard Disk\0Read\0 Error", 32));
    EXPECT_EQ(ClassifyMbrCode(grubLegacy), MbrCodeKind::Grub);

    Sector syslinux = WithStartUp();
    Put(syslinux, 0x150,
        std::string_view("Missing operating system.\0Operating system load error.\0Multiple active "
                         "partitions.",
                         82));
    EXPECT_EQ(ClassifyMbrCode(syslinux), MbrCodeKind::Syslinux);
    Sector isohybrid = WithStartUp();
    Put(isohybrid, 0x160, "isolinux.bin missing or corrupt.\r\n");
    EXPECT_EQ(ClassifyMbrCode(isohybrid), MbrCodeKind::Syslinux);

    Sector other = WithStartUp();
    Put(other, 0x120, std::string_view("Boot menu\0Press F8 for boot options\0", 36));
    EXPECT_EQ(ClassifyMbrCode(other), MbrCodeKind::Other);
    // One Windows message is not Windows' code (Syslinux's MBR prints it too).
    Sector oneMessage = WithStartUp();
    Put(oneMessage, 0x150, "Missing operating system.");
    EXPECT_EQ(ClassifyMbrCode(oneMessage), MbrCodeKind::Other);
}

TEST(ClassifyMbrCode, NoCodeIsNone) {
    Sector zeros(512, 0);
    Signature(zeros);  // a table and a signature, but nothing to run
    zeros[446] = 0x80;
    zeros[450] = 0x07;
    EXPECT_EQ(ClassifyMbrCode(zeros), MbrCodeKind::None);
    Sector fill(512, 0xF6);
    EXPECT_EQ(ClassifyMbrCode(fill), MbrCodeKind::None);
    EXPECT_EQ(ClassifyMbrCode({}), MbrCodeKind::None);
    // A short read is judged on what there is.
    const Sector nt6 = WindowsMbr(0x163, true, kInvalid, kError, kMissing);
    EXPECT_EQ(ClassifyMbrCode(std::span(nt6).first(200)), MbrCodeKind::Other);
}

// A volume boot sector: jump, OEM name, the file system's parameter block, code, messages.
Sector BootSector(std::string_view oem, std::string_view fsType, std::size_t typeAt,
                  std::size_t codeAt) {
    Sector s(512, 0);
    PutBytes(s, 0, {0xEB, static_cast<std::uint8_t>(codeAt - 2), 0x90});
    Put(s, 3, oem);
    PutBytes(s, 0x0B, {0x00, 0x02, 0x08});  // 512 bytes per sector, 8 per cluster
    if (!fsType.empty()) {
        Put(s, typeAt, fsType);
    }
    Signature(s);
    return s;
}

void Code(Sector& s, std::size_t at) {
    PutBytes(s, at, {0xFA, 0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0xFB, 0x68, 0xC0, 0x07});
}

TEST(ClassifyBootRecord, WindowsBootCodeByTheLoaderItLooksFor) {
    Sector ntfs6 = BootSector("NTFS    ", "", 0, 0x54);
    Code(ntfs6, 0x54);
    Put(ntfs6, 0x180,
        std::string_view("\r\nA disk read error occurred\0\r\nBOOTMGR is missing\0\r\nBOOTMGR is "
                         "compressed\0\r\nPress Ctrl+Alt+Del to restart\r\n",
                         103));
    EXPECT_EQ(ClassifyBootRecord(ntfs6), BootRecordKind::Bootmgr);

    Sector ntfs5 = BootSector("NTFS    ", "", 0, 0x54);
    Code(ntfs5, 0x54);
    Put(ntfs5, 0x180, std::string_view("\r\nNTLDR is missing\0\r\nNTLDR is compressed\0", 41));
    EXPECT_EQ(ClassifyBootRecord(ntfs5), BootRecordKind::Ntldr);

    Sector fat32 = BootSector("MSDOS5.0", "FAT32   ", 0x52, 0x5A);
    Code(fat32, 0x5A);
    Put(fat32, 0x1AC, "BOOTMGR    \r\nDisk error\xff\r\nPress any key to restart\r\n");
    EXPECT_EQ(ClassifyBootRecord(fat32), BootRecordKind::Bootmgr);

    Sector fat32xp = BootSector("MSWIN4.1", "FAT32   ", 0x52, 0x5A);
    Code(fat32xp, 0x5A);
    Put(fat32xp, 0x1AC, "NTLDR      \r\nRemove disks or other media.\xff");
    EXPECT_EQ(ClassifyBootRecord(fat32xp), BootRecordKind::Ntldr);

    Sector fat16 = BootSector("MSDOS5.0", "FAT16   ", 0x36, 0x3E);
    Code(fat16, 0x3E);
    Put(fat16, 0x1E0, "NTLDR      ");
    EXPECT_EQ(ClassifyBootRecord(fat16), BootRecordKind::Ntldr);
}

TEST(ClassifyBootRecord, BitLockerAndOtherLoaders) {
    Sector bitlocker = BootSector("-FVE-FS-", "", 0, 0x54);
    Code(bitlocker, 0x54);
    Put(bitlocker, 0x160, "\r\nRemove disks or other media.");
    EXPECT_EQ(ClassifyBootRecord(bitlocker), BootRecordKind::BitLocker);

    Sector grub = BootSector("NTFS    ", "", 0, 0x54);
    PutBytes(grub, 0, {0xEB, 0x63, 0x90});
    Put(grub, 0x180, std::string_view("GRUB \0Geom\0Hard Disk\0Read\0 Error\r\n", 34));
    EXPECT_EQ(ClassifyBootRecord(grub), BootRecordKind::Grub);

    Sector syslinux = BootSector("SYSLINUX", "FAT32   ", 0x52, 0x5A);
    Code(syslinux, 0x5A);
    Put(syslinux, 0x1C0, "Boot error\r\n");
    EXPECT_EQ(ClassifyBootRecord(syslinux), BootRecordKind::Syslinux);
    Sector extlinux = BootSector("EXTLINUX", "", 0, 0x5A);
    Code(extlinux, 0x5A);
    EXPECT_EQ(ClassifyBootRecord(extlinux), BootRecordKind::Syslinux);

    // What Linux's mkfs.fat writes: code that only says it cannot boot.
    Sector notBootable = BootSector("mkfs.fat", "FAT32   ", 0x52, 0x5A);
    Code(notBootable, 0x5A);
    Put(notBootable, 0x77, "This is not a bootable disk.  Please insert a bootable floppy");
    EXPECT_EQ(ClassifyBootRecord(notBootable), BootRecordKind::Other);
}

TEST(ClassifyBootRecord, NoCodeAfterTheParameterBlockIsNone) {
    EXPECT_EQ(ClassifyBootRecord(Sector(512, 0)), BootRecordKind::None);
    EXPECT_EQ(ClassifyBootRecord({}), BootRecordKind::None);
    Sector ntfs = BootSector("NTFS    ", "", 0, 0x54);  // a parameter block, then nothing
    EXPECT_EQ(ClassifyBootRecord(ntfs), BootRecordKind::None);
    Sector fat32 = BootSector("MSDOS5.0", "FAT32   ", 0x52, 0x5A);
    EXPECT_EQ(ClassifyBootRecord(fat32), BootRecordKind::None);
}

TEST(MbrLayout, TableAndSignature) {
    Sector s = WindowsMbr(0x163, true, kInvalid, kError, kMissing);
    s[446] = 0x80;
    s[450] = 0x07;
    PutBytes(s, 454, {0x00, 0x08, 0x00, 0x00});  // first sector 2048
    PutBytes(s, 458, {0x00, 0x20, 0x03, 0x00});  // 204800 sectors
    s[462] = 0x00;
    s[466] = 0x83;
    const auto layout = ReadMbrLayout(s);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->bootSignature);
    EXPECT_EQ(layout->entries[0].bootFlag, kMbrActiveFlag);
    EXPECT_EQ(layout->entries[0].type, 0x07);
    EXPECT_EQ(layout->entries[0].firstSector, 2048u);
    EXPECT_EQ(layout->entries[0].sectorCount, 204800u);
    EXPECT_EQ(layout->entries[1].type, 0x83);
    EXPECT_EQ(layout->entries[2].type, 0);
    s[511] = 0;
    EXPECT_FALSE(ReadMbrLayout(s)->bootSignature);
    EXPECT_FALSE(ReadMbrLayout(std::span(s).first(511)));
}

// The simulated machine's boot code is the sim's own, but it must carry the signatures real code
// has, or the diagnosis would be tested against sectors no machine has.
TEST(ClassifierOnSimSectors, EverySimTemplateReadsAsItsKind) {
    using sim::MbrCode;
    const std::pair<MbrCode, MbrCodeKind> mbrs[] = {
        {MbrCode::None, MbrCodeKind::None},         {MbrCode::Nt60, MbrCodeKind::Nt6},
        {MbrCode::Nt52, MbrCodeKind::Nt5},          {MbrCode::Grub, MbrCodeKind::Grub},
        {MbrCode::Syslinux, MbrCodeKind::Syslinux}, {MbrCode::Other, MbrCodeKind::Other}};
    for (const auto& [sim, expected] : mbrs) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(sim::MbrCodeName(sim))));
        EXPECT_EQ(ClassifyMbrCode(sim::MbrCodeBytes(sim)), expected);
    }
    using sim::BootRecordCode;
    const std::pair<BootRecordCode, BootRecordKind> records[] = {
        {BootRecordCode::None, BootRecordKind::None},
        {BootRecordCode::Bootmgr, BootRecordKind::Bootmgr},
        {BootRecordCode::Ntldr, BootRecordKind::Ntldr},
        {BootRecordCode::Grub, BootRecordKind::Grub},
        {BootRecordCode::BitLocker, BootRecordKind::BitLocker},
        {BootRecordCode::Other, BootRecordKind::Other}};
    for (const wchar_t* fs : {L"NTFS", L"FAT32", L"FAT"}) {
        for (const auto& [sim, expected] : records) {
            if (sim == BootRecordCode::BitLocker && std::wstring(fs) != L"NTFS") {
                continue;  // BitLocker's own sector is NTFS-shaped
            }
            SCOPED_TRACE(
                testing::PrintToString(std::wstring(fs) + L" " + sim::BootRecordCodeName(sim)));
            const sim::VolumeGeometry geometry{fs, 2048, 204800, 0x1234};
            EXPECT_EQ(ClassifyBootRecord(sim::BootSectorBytes(sim, geometry)), expected);
        }
    }
}

}  // namespace
}  // namespace qn
