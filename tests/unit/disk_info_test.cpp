#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "disk/disk_info.h"
#include "disk/fake/fake_storage_port.h"
#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

using fake::FixedDiskGeometry;
using fake::kGiB;
using fake::kMiB;
using fake::MbrPartition;

class DiskInfoTest : public ::testing::Test {
protected:
    // Every path through the build closes what it opened.
    void TearDown() override { EXPECT_EQ(port.UnclosedDevices(), std::vector<std::wstring>{}); }

    fake::FakePhysicalDrive& AddDisk(std::uint32_t number, std::uint64_t size = 500 * kGiB) {
        fake::FakePhysicalDrive& drive = port.Drive(number);
        drive.descriptor = fake::MakeDeviceDescriptor("ATA", "Disk " + std::to_string(number),
                                                      "SN" + std::to_string(number));
        drive.geometry = FixedDiskGeometry(size);
        return drive;
    }

    fake::FakeVolume& AddLetter(char letter, std::uint32_t disk, std::int64_t offset) {
        fake::FakeVolume& volume = port.Volume(letter);
        volume.diskNumber = disk;
        volume.partition = MbrPartition(offset);
        return volume;
    }

    static std::vector<std::string> RootsOf(const std::vector<const PartitionRecord*>& list) {
        std::vector<std::string> roots;
        for (const PartitionRecord* record : list) {
            roots.push_back(record->rootPath);
        }
        return roots;
    }

    static std::vector<std::uint32_t> OrdinalsOf(const std::vector<const PartitionRecord*>& list) {
        std::vector<std::uint32_t> ordinals;
        for (const PartitionRecord* record : list) {
            ordinals.push_back(record->ordinalOnDisk);
        }
        return ordinals;
    }

    fake::FakeStoragePort port;
    fake::FakeCodePage codePage{936, 437};
};

TEST_F(DiskInfoTest, PartitionsOfADiskAreOrderedByStartingOffset) {
    AddDisk(0);
    AddDisk(1);
    AddLetter('C', 0, kMiB);
    AddLetter('D', 1, 200 * kGiB);
    AddLetter('E', 1, kMiB);

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Partitions().size(), 3u);
    EXPECT_EQ(info.Partitions()[0].rootPath, "C:\\");
    EXPECT_EQ(info.Partitions()[1].rootPath, "D:\\");
    EXPECT_EQ(info.Partitions()[2].rootPath, "E:\\");
    ASSERT_EQ(info.PartitionsByDisk().size(), 2u);
    EXPECT_EQ(RootsOf(info.PartitionsByDisk().at(1)), (std::vector<std::string>{"E:\\", "D:\\"}));
    EXPECT_EQ(OrdinalsOf(info.PartitionsByDisk().at(1)), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(info.GetOrdinalOfLetter('D'), 2);
    // The per-disk lists and the disk map point into the owning lists.
    EXPECT_EQ(info.PartitionsByDisk().at(1)[0], &info.Partitions()[2]);
    ASSERT_EQ(info.DiskByNumber().size(), 2u);
    EXPECT_EQ(info.DiskByNumber().at(1), &info.Disks()[1]);
    EXPECT_EQ(info.DiskByNumber().at(1)->productId, "Disk 1");
}

TEST_F(DiskInfoTest, EqualOffsetsShareAnOrdinalAndOffsetsCompareSigned) {
    AddDisk(0);
    // Letter, offset -> expected place in the list and ordinal.
    struct Case {
        char letter;
        std::int64_t offset;
    };
    const Case cases[] = {
        {'F', kMiB},     {'G', 5 * kGiB}, {'H', kMiB},
        {'I', 5 * kGiB}, {'J', 9 * kGiB}, {'K', std::numeric_limits<std::int64_t>::min()},
    };
    for (const Case& c : cases) {
        AddLetter(c.letter, 0, c.offset);
    }

    const DiskInfo info(port, codePage);

    const auto& list = info.PartitionsByDisk().at(0);
    // Ties keep root order; a negative offset sorts first, as a signed comparison puts it.
    EXPECT_EQ(RootsOf(list),
              (std::vector<std::string>{"K:\\", "F:\\", "H:\\", "G:\\", "I:\\", "J:\\"}));
    EXPECT_EQ(OrdinalsOf(list), (std::vector<std::uint32_t>{1, 2, 2, 3, 3, 4}));
}

TEST_F(DiskInfoTest, DiskOfSizeZeroIsListedButHasNoPartitionList) {
    AddDisk(0);
    fake::FakePhysicalDrive& reader = AddDisk(2, 0);
    reader.geometry->mediaType = 11;
    AddLetter('C', 0, kMiB);
    AddLetter('R', 2, kMiB);

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Disks().size(), 2u);
    EXPECT_EQ(info.Disks()[1].diskNumber, 2u);
    EXPECT_EQ(info.Disks()[1].mediaType, 11);
    EXPECT_EQ(info.PartitionsByDisk().count(2), 0u);
    EXPECT_EQ(info.DiskByNumber().count(2), 0u);
    EXPECT_EQ(info.Partitions()[1].ordinalOnDisk, 0u);
    EXPECT_EQ(info.GetOrdinalOfLetter('R'), 1);
}

TEST_F(DiskInfoTest, DisksThatCannotBeOpenedOrDescribedAreLeftOut) {
    AddDisk(0);
    AddDisk(3).opens = false;
    AddDisk(5).descriptor.reset();
    AddDisk(7).geometry.reset();
    AddDisk(15);

    const DiskInfo info(port, codePage);

    std::vector<std::uint32_t> numbers;
    for (const DiskRecord& disk : info.Disks()) {
        numbers.push_back(disk.diskNumber);
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{0, 7, 15}));
    // Geometry failed: the record stays with its text, no geometry and no per-disk list.
    const DiskRecord& noGeometry = info.Disks()[1];
    EXPECT_EQ(noGeometry.productId, "Disk 7");
    EXPECT_EQ(noGeometry.mediaType, -1);
    EXPECT_EQ(noGeometry.diskSize, 0u);
    EXPECT_EQ(noGeometry.bytesPerSector, 0u);
    EXPECT_EQ(info.DiskByNumber().count(7), 0u);

    // Exactly drives 0 to 15 are probed, each with query-only access.
    std::vector<std::wstring> probed;
    for (const fake::DeviceOpenRecord& open : port.DeviceOpens()) {
        EXPECT_EQ(open.access, DeviceAccess::QueryOnly)
            << std::string(open.path.begin(), open.path.end());
        probed.push_back(open.path);
    }
    ASSERT_EQ(probed.size(), 16u);
    EXPECT_EQ(probed.front(), L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(probed.back(), L"\\\\.\\PhysicalDrive15");
}

TEST_F(DiskInfoTest, DiskRecordCarriesDescriptorTextAndGeometry) {
    fake::FakePhysicalDrive& drive = port.Drive(4);
    drive.descriptor = fake::MakeDeviceDescriptor("  WDC ", "WD10EZEX-08WN4A0   ", "\x01\x02");
    drive.geometry = DiskGeometry{121601, 12, 255, 63, 512, 1000204886016ULL};

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Disks().size(), 1u);
    const DiskRecord& disk = info.Disks()[0];
    EXPECT_EQ(disk.vendorId, "WDC");
    EXPECT_EQ(disk.productId, "WD10EZEX-08WN4A0");
    EXPECT_EQ(disk.serialNumber, "");
    EXPECT_EQ(disk.cylinders, 121601);
    EXPECT_EQ(disk.mediaType, 12);
    EXPECT_EQ(disk.tracksPerCylinder, 255u);
    EXPECT_EQ(disk.sectorsPerTrack, 63u);
    EXPECT_EQ(disk.bytesPerSector, 512u);
    EXPECT_EQ(disk.diskSize, 1000204886016ULL);
    EXPECT_EQ(disk.diskNumber, 4u);
}

TEST_F(DiskInfoTest, VolumeWhoseDiskCannotBeFoundHasDiskNumber255) {
    AddDisk(0);
    AddDisk(1);
    // A spanned volume fails the one-extent query; its partition information still reads.
    fake::FakeVolume& spanned = AddLetter('M', 0, kMiB);
    spanned.diskNumber.reset();
    // A volume device that does not open yields neither.
    fake::FakeVolume& closed = AddLetter('N', 1, kMiB);
    closed.deviceOpens = false;

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Partitions().size(), 2u);
    EXPECT_EQ(info.Partitions()[0].diskNumber, kUnknownDiskNumber);
    EXPECT_EQ(info.Partitions()[0].partitionInfo.startingOffset, kMiB);
    EXPECT_EQ(info.Partitions()[1].diskNumber, kUnknownDiskNumber);
    EXPECT_EQ(info.Partitions()[1].partitionInfo.startingOffset, 0);
    EXPECT_EQ(info.Partitions()[1].partitionInfo.mbr.partitionType, 0);
    EXPECT_TRUE(info.PartitionsByDisk().at(0).empty());
    EXPECT_TRUE(info.PartitionsByDisk().at(1).empty());
}

TEST_F(DiskInfoTest, RootsWithoutAReadyVolumeAreDropped) {
    AddDisk(0);
    port.Volume('A').ready = false;  // empty floppy
    AddLetter('C', 0, kMiB);
    fake::FakeVolume& optical = port.Volume('R');
    optical.ready = false;
    optical.driveType = 5;

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Partitions().size(), 1u);
    EXPECT_EQ(info.Partitions()[0].rootPath, "C:\\");
    for (const fake::DeviceOpenRecord& open : port.DeviceOpens()) {
        EXPECT_NE(open.path, L"\\\\.\\A:");
        EXPECT_NE(open.path, L"\\\\.\\R:");
    }
}

TEST_F(DiskInfoTest, VolumeRecordCarriesVolumeAndPartitionInformation) {
    AddDisk(0);
    fake::FakeVolume& c = AddLetter('C', 0, 100 * kMiB);
    c.info = VolumeInformation{L"\u7CFB\u7EDF", 0x1234ABCD, L"NTFS"};
    c.partition = fake::GptPartition(100 * kMiB, kEfiSystemPartitionType);

    const DiskInfo info(port, codePage);

    const PartitionRecord& record = info.Partitions()[0];
    EXPECT_EQ(record.volumeLabel, "\xCF\xB5\xCD\xB3");  // GBK
    EXPECT_EQ(record.fileSystemName, "NTFS");
    EXPECT_EQ(record.volumeSerialNumber, 0x1234ABCDu);
    EXPECT_EQ(record.driveType, kDriveFixed);
    EXPECT_EQ(record.diskNumber, 0u);
    EXPECT_EQ(record.partitionInfo.style, PartitionStyle::Gpt);
    EXPECT_EQ(record.partitionInfo.gpt.partitionType, kEfiSystemPartitionType);
    // The volume device is opened for reading only.
    bool sawVolume = false;
    for (const fake::DeviceOpenRecord& open : port.DeviceOpens()) {
        if (open.path == L"\\\\.\\C:") {
            sawVolume = true;
            EXPECT_EQ(open.access, DeviceAccess::Read);
        }
    }
    EXPECT_TRUE(sawVolume);
}

TEST_F(DiskInfoTest, VolumeLabelOfLetterComesBackThroughTheAnsiCodePage) {
    AddDisk(0);
    AddLetter('C', 0, kMiB).info = VolumeInformation{L"\u7CFB\u7EDF", 1, L"NTFS"};
    AddLetter('D', 0, 2 * kGiB).info = VolumeInformation{L"Data", 2, L"FAT32"};

    const DiskInfo info(port, codePage);

    EXPECT_EQ(info.GetVolumeLabelOfLetter('C'), L"\u7CFB\u7EDF");
    EXPECT_EQ(info.GetVolumeLabelOfLetter('c'), L"\u7CFB\u7EDF");
    EXPECT_EQ(info.GetVolumeLabelOfLetter('D'), L"Data");
    EXPECT_EQ(info.GetVolumeLabelOfLetter('Q'), L"");
    EXPECT_EQ(info.GetVolumeLabelOfLetter('\0'), L"");
}

TEST_F(DiskInfoTest, ByteCountsUseA32BitClusterSizeWidenedBeforeTheClusterCount) {
    struct Case {
        const char* name;
        std::optional<FreeSpace> space;
        std::uint64_t total;
        std::uint64_t free;
    };
    const Case cases[] = {
        {"small volume", FreeSpace{8, 512, 1000, 2000}, 4096ULL * 2000, 4096ULL * 1000},
        // 64 KiB clusters, 2^32 - 1 of them: only a 64-bit multiplication holds this.
        {"16 TiB of 64 KiB clusters", FreeSpace{16, 4096, 0x80000000u, 0xFFFFFFFFu},
         65536ULL * 0xFFFFFFFFu, 65536ULL * 0x80000000u},
        // The cluster size itself is the 32-bit product of the two values.
        {"cluster size beyond 32 bits", FreeSpace{0x10000, 0x10000, 5, 10}, 0, 0},
        {"free space unknown", std::nullopt, 0, 0},
    };
    char letter = 'C';
    for (const Case& c : cases) {
        AddLetter(letter++, 0, kMiB).freeSpace = c.space;
    }

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Partitions().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(info.Partitions()[i].totalBytes, cases[i].total) << cases[i].name;
        EXPECT_EQ(info.Partitions()[i].freeBytes, cases[i].free) << cases[i].name;
    }
}

TEST_F(DiskInfoTest, RefreshForgetsEverythingAndBuildsAgain) {
    AddDisk(0);
    AddDisk(1);
    AddLetter('C', 0, kMiB);
    AddLetter('D', 1, kMiB);
    AddLetter('E', 1, 50 * kGiB);

    DiskInfo info(port, codePage);
    ASSERT_EQ(info.Partitions().size(), 3u);
    EXPECT_EQ(info.GetOrdinalOfLetter('E'), 2);

    // An external tool gave the system partition a letter, a stick went away, D: was removed.
    AddLetter('S', 1, 0);
    port.Drive(0).opens = false;
    port.Volume('D').ready = false;
    info.Refresh();

    std::vector<std::string> roots;
    for (const PartitionRecord& record : info.Partitions()) {
        roots.push_back(record.rootPath);
    }
    EXPECT_EQ(roots, (std::vector<std::string>{"C:\\", "E:\\", "S:\\"}));
    ASSERT_EQ(info.Disks().size(), 1u);
    EXPECT_EQ(info.Disks()[0].diskNumber, 1u);
    EXPECT_EQ(info.PartitionsByDisk().count(0), 0u);
    EXPECT_EQ(info.DiskByNumber().count(0), 0u);
    EXPECT_EQ(RootsOf(info.PartitionsByDisk().at(1)), (std::vector<std::string>{"S:\\", "E:\\"}));
    EXPECT_EQ(info.GetOrdinalOfLetter('S'), 1);
    EXPECT_EQ(info.GetOrdinalOfLetter('E'), 2);
    EXPECT_EQ(info.GetOrdinalOfLetter('D'), 1);

    // Rebuilding an unchanged machine gives the same picture, not a doubled one.
    info.Refresh();
    EXPECT_EQ(info.Partitions().size(), 3u);
    EXPECT_EQ(info.Disks().size(), 1u);
    EXPECT_EQ(info.PartitionsByDisk().at(1).size(), 2u);
}

TEST_F(DiskInfoTest, OrdinalOfALetterOnNoListIsOne) {
    AddDisk(0);
    AddLetter('C', 0, kMiB);
    AddLetter('D', 0, 3 * kGiB);
    AddLetter('X', 9, kMiB);  // its disk does not exist

    const DiskInfo info(port, codePage);

    EXPECT_EQ(info.GetOrdinalOfLetter('D'), 2);
    EXPECT_EQ(info.GetOrdinalOfLetter('d'), 2);
    EXPECT_EQ(info.GetOrdinalOfLetter('X'), 1);
    EXPECT_EQ(info.GetOrdinalOfLetter('Z'), 1);
    EXPECT_EQ(info.GetOrdinalOfLetter('?'), 1);
}

TEST_F(DiskInfoTest, MalformedDriveStringListIsReadSafely) {
    AddDisk(0);
    AddLetter('C', 0, kMiB);
    AddLetter('D', 0, 2 * kGiB);
    // No terminators at the end, a root that is no drive letter, stale entries after the end.
    port.SetDriveStrings(std::u16string(u"?:\\\0C:\\\0D:\\", 11));

    const DiskInfo info(port, codePage);

    ASSERT_EQ(info.Partitions().size(), 2u);
    EXPECT_EQ(info.Partitions()[1].rootPath, "D:\\");
    EXPECT_EQ(info.Partitions()[1].ordinalOnDisk, 2u);
}

}  // namespace
}  // namespace qn
