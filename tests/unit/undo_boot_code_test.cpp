// Undo of a boot record that held another loader's code: only the code goes back. What the file
// system keeps after its boot sector (FAT, FSInfo, the backup boot sector, exFAT's boot region)
// stays as it is at the time of the undo, and exFAT's boot checksum matches what is written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "boot/utf8_text.h"
#include "sim/boot_region.h"
#include "sim/boot_sector.h"
#include "sim/sector_bytes.h"
#include "sim_program.h"
#include "undo/undo_boot_code.h"

namespace qn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::Contains;
using ::testing::HasSubstr;

constexpr std::size_t kSector = 512;
constexpr std::size_t kSaved = 16;  // sectors, as a run saves them

Bytes SectorOf(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(n * kSector),
                 bytes.begin() + static_cast<std::ptrdiff_t>((n + 1) * kSector));
}

Bytes Range(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// A volume's first sectors: the boot sector, then what formatting put after it.
Bytes Region(sim::BootRecordCode code, const sim::VolumeGeometry& geometry, std::size_t sectors) {
    Bytes region = sim::BootSectorBytes(code, geometry);
    const Bytes following = sim::FormattedSectors(region, geometry);
    region.insert(region.end(), following.begin(), following.end());
    region.resize(sectors * kSector, 0);
    return region;
}

std::uint32_t Le32(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// Sector 11 of an exFAT boot region is its checksum over sectors 0-10, over and over.
bool ChecksumMatches(const Bytes& region) {
    const std::uint32_t sum = sim::ExfatBootChecksum(Range(region, 0, 11 * kSector));
    for (std::size_t at = 11 * kSector; at < 12 * kSector; at += 4) {
        if (Le32(region, at) != sum) {
            return false;
        }
    }
    return true;
}

void PutChecksum(Bytes& region, std::size_t first) {
    const std::uint32_t sum =
        sim::ExfatBootChecksum(Range(region, first * kSector, (first + 11) * kSector));
    for (std::size_t at = (first + 11) * kSector; at < (first + 12) * kSector; at += 4) {
        sim::PutLittleEndian(region, at, sum, 4);
    }
}

// ---- What is written, file system by file system ----

struct FileSystemCase {
    const wchar_t* name;
    BootRecordFileSystem fileSystem;
    std::size_t codeStart;
    std::size_t written;  // sectors from sector 0
};

// Another loader's code was saved; bootsect wrote Windows' code; since then the volume grew, its
// serial changed and files were written (FSInfo, the FAT, exFAT's use count and flags).
TEST(BootCodeRestore, OnlyTheCodeGoesBackUnderTodaysParametersAndOnlyNtfsGoesOnPastSector0) {
    for (const FileSystemCase& c :
         {FileSystemCase{L"NTFS", BootRecordFileSystem::Ntfs, 0x54, 16},
          FileSystemCase{L"FAT32", BootRecordFileSystem::Fat32, 0x5A, 1},
          FileSystemCase{L"FAT", BootRecordFileSystem::Fat, 0x3E, 1},
          FileSystemCase{L"exFAT", BootRecordFileSystem::Exfat, 0x78, 12}}) {
        SCOPED_TRACE(WideToUtf8(c.name));
        const sim::VolumeGeometry then{c.name, 2048, 204800, 0x11111111};
        const sim::VolumeGeometry now{c.name, 2048, 409600, 0x22222222};
        Bytes saved = Region(sim::BootRecordCode::Other, then, kSaved);
        Bytes today = Region(sim::BootRecordCode::Bootmgr, now, kSaved);
        if (c.fileSystem == BootRecordFileSystem::Ntfs) {
            // The rest of each loader's NTFS code.
            std::fill(saved.begin() + kSector, saved.end(), 0xC3);
            std::fill(today.begin() + kSector, today.end(), 0xB8);
        }
        if (c.fileSystem == BootRecordFileSystem::Fat32) {
            sim::PutLittleEndian(today, kSector + 488, 1234, 4);  // FSInfo's free clusters
        }
        if (c.fileSystem == BootRecordFileSystem::Fat) {
            sim::PutLittleEndian(today, kSector + 4, 0xFFFF0003, 4);  // a file's clusters
        }
        if (c.fileSystem == BootRecordFileSystem::Exfat) {
            today[106] = 0x02;  // volume dirty
            today[112] = 42;    // percent in use
            ASSERT_TRUE(ChecksumMatches(today)) << "neither is in the checksum";
        }

        const BootCodeRestore restore = RestoreOfBootCode(saved, today, kSector);
        EXPECT_EQ(restore.fileSystem, c.fileSystem);
        EXPECT_TRUE(restore.refusal.empty()) << WideToUtf8(restore.refusal);
        EXPECT_EQ(restore.firstSector, 0u);
        ASSERT_EQ(restore.sectors.size(), c.written * kSector);
        const Bytes& written = restore.sectors;
        EXPECT_EQ(Range(written, 0, 3), Range(saved, 0, 3)) << "the jump is the code's";
        EXPECT_EQ(Range(written, 3, c.codeStart), Range(today, 3, c.codeStart));
        EXPECT_EQ(Range(written, c.codeStart, kSector), Range(saved, c.codeStart, kSector));
        for (std::size_t n = 1; n < c.written; ++n) {
            SCOPED_TRACE("sector " + std::to_string(n));
            if (c.fileSystem == BootRecordFileSystem::Ntfs) {
                EXPECT_EQ(SectorOf(written, n), SectorOf(saved, n));
            } else if (n < 11) {
                EXPECT_EQ(SectorOf(written, n), SectorOf(today, n));
            }
        }
        if (c.fileSystem == BootRecordFileSystem::Exfat) {
            EXPECT_TRUE(ChecksumMatches(written));
            EXPECT_NE(SectorOf(written, 11), SectorOf(today, 11));
        }
    }
}

TEST(BootCodeRestore, FatTwelveIsKnownByItsTypeText) {
    const sim::VolumeGeometry fat{L"FAT", 63, 20000, 7};
    Bytes saved = Region(sim::BootRecordCode::Other, fat, 1);
    Bytes today = Region(sim::BootRecordCode::Bootmgr, fat, 1);
    sim::PutText(saved, 0x36, "FAT12   ");
    sim::PutText(today, 0x36, "FAT12   ");
    const BootCodeRestore restore = RestoreOfBootCode(saved, today, kSector);
    EXPECT_EQ(restore.fileSystem, BootRecordFileSystem::Fat);
    ASSERT_EQ(restore.sectors.size(), kSector);
    EXPECT_EQ(Range(restore.sectors, 3, 0x3E), Range(today, 3, 0x3E));
}

// Sectors that already hold the code are not written; a changed sector in the middle of NTFS's
// code is written alone.
TEST(BootCodeRestore, OnlyTheSectorsThatDifferAreWritten) {
    const sim::VolumeGeometry ntfs{L"NTFS", 2048, 204800, 1};
    Bytes saved = Region(sim::BootRecordCode::Other, ntfs, kSaved);
    std::fill(saved.begin() + kSector, saved.end(), 0xC3);
    Bytes today = saved;
    sim::PutLittleEndian(today, 0x28, 409599, 8);  // grown since
    BootCodeRestore restore = RestoreOfBootCode(saved, today, kSector);
    EXPECT_TRUE(restore.refusal.empty());
    EXPECT_TRUE(restore.sectors.empty()) << "the code is there; the parameters are today's";

    today[5 * kSector + 7] = 0x00;
    restore = RestoreOfBootCode(saved, today, kSector);
    EXPECT_EQ(restore.firstSector, 5u);
    EXPECT_EQ(restore.sectors, SectorOf(saved, 5));

    // Past NTFS's 8 KiB of boot code the volume's sectors are its files'.
    Bytes more = saved;
    more.resize(20 * kSector, 0x11);
    Bytes moreToday = more;
    std::fill(moreToday.begin() + 16 * kSector, moreToday.end(), 0x22);
    restore = RestoreOfBootCode(more, moreToday, kSector);
    EXPECT_TRUE(restore.sectors.empty());
}

struct RefusalCase {
    const char* what;
    Bytes saved;
    Bytes today;
    std::uint32_t sectorBytes;
    const wchar_t* reason;
};

TEST(BootCodeRestore, WhatCannotBeWrittenSafelyIsRefusedWithItsReason) {
    const sim::VolumeGeometry ntfs{L"NTFS", 2048, 204800, 1};
    const sim::VolumeGeometry fat32{L"FAT32", 2048, 204800, 1};
    const sim::VolumeGeometry exfat{L"exFAT", 2048, 204800, 1};
    const Bytes foreignExfat = Region(sim::BootRecordCode::Other, exfat, kSaved);
    const Bytes windowsExfat = Region(sim::BootRecordCode::Bootmgr, exfat, kSaved);
    Bytes badChecksum = windowsExfat;
    badChecksum[11 * kSector + 5] ^= 0x40;
    Bytes wideExfat = Region(sim::BootRecordCode::Bootmgr, exfat, 2 * kSaved);
    const RefusalCase cases[] = {
        {"a file system no one knows", Region(sim::BootRecordCode::Other, ntfs, 1),
         Bytes(kSector, 0xF6), kSector, L"无法识别"},
        {"encrypted since", Region(sim::BootRecordCode::Other, ntfs, 1),
         Region(sim::BootRecordCode::BitLocker, ntfs, 1), kSector, L"BitLocker"},
        {"another file system now", Region(sim::BootRecordCode::Other, ntfs, 1),
         Region(sim::BootRecordCode::Bootmgr, fat32, 1), kSector, L"文件系统已与修复时不同"},
        {"exFAT whose checksum is already wrong", foreignExfat, badChecksum, kSector, L"校验和"},
        {"exFAT without its whole boot region", Range(foreignExfat, 0, kSector),
         Range(windowsExfat, 0, 4 * kSector), kSector, L"无法读取 exFAT 引导区"},
        {"exFAT on sectors of another size", Region(sim::BootRecordCode::Other, exfat, 2 * kSaved),
         wideExfat, 1024, L"扇区大小"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const BootCodeRestore restore = RestoreOfBootCode(c.saved, c.today, c.sectorBytes);
        EXPECT_THAT(restore.refusal, HasSubstr(c.reason));
        EXPECT_TRUE(restore.sectors.empty());
    }
}

// A wiped boot sector (no parameter block) gets its emptiness back, under today's parameters.
TEST(BootCodeRestore, AWipedSectorComesBackUnderTodaysParameters) {
    const sim::VolumeGeometry fat32{L"FAT32", 2048, 204800, 1};
    const Bytes saved(kSector, 0);
    const Bytes today = Region(sim::BootRecordCode::Bootmgr, fat32, 1);
    const BootCodeRestore restore = RestoreOfBootCode(saved, today, kSector);
    ASSERT_EQ(restore.sectors.size(), kSector);
    EXPECT_EQ(Range(restore.sectors, 3, 0x5A), Range(today, 3, 0x5A));
    EXPECT_EQ(Range(restore.sectors, 0x5A, kSector), Range(saved, 0x5A, kSector));
}

// ---- Repair and undo on the simulated machine ----

// Windows on disk 0; a stick whose volume holds another loader's boot code, which the MBR page's
// NT6 boot record repair replaces.
sim::Scenario StickWith(const std::string& fileSystem, const std::string& type,
                        const std::string& length) {
    return sim::test::ScenarioText(R"(<machine name="undo-foreign" firmware="bios" language="en-US">
  <disk number="0" style="mbr" size="500G">
    <partition offset="1M" length="500M" active="true" label="System Reserved">
      <file path="\bootmgr"/>
      <bcd>
        <bootmgr device="self" description="Windows Boot Manager" locale="en-US" default="win10"
                 displayorder="win10" timeout="30"/>
        <osloader name="win10" description="Windows 10" device="0:2"
                  path="\Windows\system32\winload.exe" locale="en-US" osdevice="0:2"
                  systemroot="\Windows"/>
      </bcd>
    </partition>
    <partition offset="501M" length="200G" letter="C">
      <windows product="Windows 10 Home" version="6.3" arch="x64" running="true"/>
    </partition>
  </disk>
  <disk number="1" style="mbr" size="32G" removable="true" vendor="Generic" product="Flash">
    <partition offset="1M" length=")" +
                                   length + R"(" type=")" + type + R"(" fs=")" + fileSystem +
                                   R"(" active="true" letter="E" pbr="other"/>
  </disk>
</machine>)");
}

class ForeignStick {
public:
    explicit ForeignStick(const sim::Scenario& scenario) : program_(scenario) {
        volume_ = program_.Machine().VolumeAtLetter(L'E')->id;
    }

    Bytes Sectors(std::uint32_t count) {
        return program_.Machine().ReadVolumeSectors(volume_, 0, count).value_or(Bytes());
    }

    // As Windows writes them while it uses the volume.
    void Write(std::uint64_t first, const Bytes& bytes) {
        auto device =
            program_.Machine().Storage().OpenDevice(L"\\\\.\\E:", DeviceAccess::ReadWrite);
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->WriteSectors(first, bytes), SectorWriteResult::Written);
    }

    RepairOutcome Repair() {
        MbrRepairRequest request;
        request.boot = program_.BootPartitionOf('E');
        request.kind = MbrRepairKind::Nt6Pbr;
        return program_.RunMbr(request);
    }

    RepairOutcome Undo(const RepairOutcome& repair) { return program_.Undo(repair.undoRecord); }

    sim::BootRecordCode Code() {
        return program_.Machine().VolumeBootCode(*program_.Machine().VolumeById(volume_));
    }

private:
    sim::test::SimProgram program_;
    std::wstring volume_;
};

std::string Rows(const RepairOutcome& outcome) {
    std::string text;
    for (const std::wstring& row : outcome.rows) {
        text += WideToUtf8(row) + "\n";
    }
    return text;
}

TEST(BootRecordUndo, Fat32KeepsTodaysFsInfoAndBackupBootSector) {
    ForeignStick stick(StickWith("FAT32", "0x0C", "16G"));
    const Bytes before = stick.Sectors(kSaved);
    const RepairOutcome repair = stick.Repair();
    ASSERT_EQ(stick.Code(), sim::BootRecordCode::Bootmgr) << Rows(repair);

    Bytes now = stick.Sectors(kSaved);
    sim::PutLittleEndian(now, 0x43, 0x600DF00D, 4);           // a new serial
    sim::PutLittleEndian(now, kSector + 488, 0x0001F000, 4);  // FSInfo: free clusters
    sim::PutLittleEndian(now, kSector + 492, 0x00000457, 4);  // FSInfo: next free
    std::copy(now.begin(), now.begin() + kSector, now.begin() + 6 * kSector);  // backup boot
    stick.Write(0, Range(now, 0, 7 * kSector));

    const RepairOutcome undo = stick.Undo(repair);
    EXPECT_EQ(undo.failedSteps, 0) << Rows(undo);
    EXPECT_THAT(undo.rows, Contains(L"还原 E: 的引导记录......成功")) << Rows(undo);
    const Bytes after = stick.Sectors(kSaved);
    EXPECT_EQ(Range(after, 0, 3), Range(before, 0, 3));
    EXPECT_EQ(Range(after, 3, 0x5A), Range(now, 3, 0x5A)) << "today's parameter block";
    EXPECT_EQ(Range(after, 0x5A, kSector), Range(before, 0x5A, kSector)) << "the foreign code";
    EXPECT_EQ(Range(after, kSector, kSaved * kSector), Range(now, kSector, kSaved * kSector))
        << "FSInfo and the backup boot sector as they were just before the undo";
}

TEST(BootRecordUndo, FatSixteenKeepsTodaysFat) {
    ForeignStick stick(StickWith("FAT", "0x06", "100M"));
    const Bytes before = stick.Sectors(kSaved);
    const RepairOutcome repair = stick.Repair();
    ASSERT_EQ(stick.Code(), sim::BootRecordCode::Bootmgr) << Rows(repair);

    // A file of four clusters, and another whose chain runs into the FAT's next sector.
    Bytes now = stick.Sectors(kSaved);
    for (std::uint16_t cluster = 2; cluster < 6; ++cluster) {
        sim::PutLittleEndian(now, kSector + 2u * cluster, cluster == 5 ? 0xFFFF : cluster + 1, 2);
    }
    sim::PutLittleEndian(now, 2 * kSector + 8, 0xFFFF, 2);
    stick.Write(1, Range(now, kSector, 3 * kSector));

    const RepairOutcome undo = stick.Undo(repair);
    EXPECT_EQ(undo.failedSteps, 0) << Rows(undo);
    const Bytes after = stick.Sectors(kSaved);
    EXPECT_EQ(SectorOf(after, 0), SectorOf(before, 0));
    EXPECT_EQ(Range(after, kSector, kSaved * kSector), Range(now, kSector, kSaved * kSector))
        << "the FAT as it was just before the undo";
}

TEST(BootRecordUndo, ExfatKeepsTodaysParametersAndBootRegionAndItsChecksumMatches) {
    ForeignStick stick(StickWith("exFAT", "0x07", "16G"));
    constexpr std::uint32_t kRegions = 24;  // main and backup boot regions
    const Bytes before = stick.Sectors(kRegions);
    ASSERT_EQ(std::string(before.begin() + 3, before.begin() + 11), "EXFAT   ");
    ASSERT_TRUE(ChecksumMatches(before)) << "as formatted";
    const RepairOutcome repair = stick.Repair();
    ASSERT_EQ(stick.Code(), sim::BootRecordCode::Bootmgr) << Rows(repair);
    ASSERT_TRUE(ChecksumMatches(stick.Sectors(kRegions))) << "as bootsect leaves it";

    // The volume grew (both boot regions rewritten), then files were written on it.
    Bytes now = stick.Sectors(kRegions);
    sim::PutLittleEndian(now, 0x48, 2 * (16ull << 21), 8);  // volume length
    sim::PutLittleEndian(now, 0x5C, Le32(now, 0x5C) + 0x100000, 4);
    PutChecksum(now, 0);
    std::copy(now.begin(), now.begin() + 12 * kSector, now.begin() + 12 * kSector);
    sim::PutLittleEndian(now, 106, 0x0002, 2);  // volume dirty
    now[112] = 37;                              // percent in use
    stick.Write(0, now);

    const RepairOutcome undo = stick.Undo(repair);
    EXPECT_EQ(undo.failedSteps, 0) << Rows(undo);
    EXPECT_THAT(undo.rows, Contains(L"还原 E: 的引导记录......成功")) << Rows(undo);
    const Bytes after = stick.Sectors(kRegions);
    EXPECT_EQ(Range(after, 0, 3), Range(before, 0, 3));
    EXPECT_EQ(Range(after, 3, 0x78), Range(now, 3, 0x78)) << "today's parameters, flags and use";
    EXPECT_EQ(Range(after, 0x78, kSector), Range(before, 0x78, kSector)) << "the foreign code";
    EXPECT_EQ(Range(after, kSector, 11 * kSector), Range(now, kSector, 11 * kSector));
    EXPECT_TRUE(ChecksumMatches(after)) << "else Windows no longer mounts it";
    EXPECT_EQ(Range(after, 12 * kSector, kRegions * kSector),
              Range(now, 12 * kSector, kRegions * kSector))
        << "the backup region as it was just before the undo";
}

// A checksum sector that does not match today is left alone, and so is everything else.
TEST(BootRecordUndo, ExfatWhoseChecksumNoLongerMatchesIsNotWritten) {
    ForeignStick stick(StickWith("exFAT", "0x07", "16G"));
    const RepairOutcome repair = stick.Repair();
    ASSERT_EQ(stick.Code(), sim::BootRecordCode::Bootmgr) << Rows(repair);
    Bytes now = stick.Sectors(kSaved);
    now[11 * kSector] ^= 0x01;
    stick.Write(11, SectorOf(now, 11));

    const RepairOutcome undo = stick.Undo(repair);
    EXPECT_EQ(undo.failedSteps, 1) << Rows(undo);
    EXPECT_THAT(undo.rows, Contains(L"还原 E: 的引导记录......失败 exFAT "
                                    L"引导区现在的校验和与其内容不符，为安全起见未写入"))
        << Rows(undo);
    EXPECT_EQ(stick.Sectors(kSaved), now);
}

}  // namespace
}  // namespace qn
