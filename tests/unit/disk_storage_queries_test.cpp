#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/fake/fake_storage_port.h"
#include "disk/storage_queries.h"

namespace qn {
namespace {

using fake::kGiB;
using fake::kMiB;

// {EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}, basic data.
constexpr Guid kBasicDataType{
    0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

class StorageQueriesTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(port.UnclosedDevices(), std::vector<std::wstring>{}); }

    PartitionInformation WholeDisk(PartitionStyle style) {
        PartitionInformation info;
        info.style = style;
        return info;
    }

    // Access of every open of the path, in order.
    std::vector<DeviceAccess> AccessesOf(const std::wstring& path) const {
        std::vector<DeviceAccess> accesses;
        for (const fake::DeviceOpenRecord& open : port.DeviceOpens()) {
            if (open.path == path) {
                accesses.push_back(open.access);
            }
        }
        return accesses;
    }

    fake::FakeStoragePort port;
};

TEST_F(StorageQueriesTest, GptSystemDiskWithTemporaryEspLetter) {
    port.Drive(0).partition = WholeDisk(PartitionStyle::Gpt);
    fake::FakeVolume& esp = port.Volume('S');
    esp.diskNumber = 0;
    esp.partition = fake::GptPartition(kMiB, kEfiSystemPartitionType);
    fake::FakeVolume& windows = port.Volume('C');
    windows.diskNumber = 0;
    windows.partition = fake::GptPartition(300 * kMiB, kBasicDataType);

    EXPECT_TRUE(IsEfiSystemPartition(port, 'S'));
    EXPECT_TRUE(IsEfiSystemPartition(port, 's'));
    EXPECT_FALSE(IsActivePartition(port, 'S'));
    EXPECT_EQ(GetPartitionStyleOfLetter(port, 'S'), PartitionStyle::Gpt);
    EXPECT_EQ(GetDiskNumberOfLetter(port, 'S'), 0);
    EXPECT_FALSE(IsEfiSystemPartition(port, 'C'));
    EXPECT_EQ(AccessesOf(L"\\\\.\\S:"), std::vector<DeviceAccess>(5, DeviceAccess::Read));
    EXPECT_EQ(AccessesOf(L"\\\\.\\PhysicalDrive0"), std::vector<DeviceAccess>{DeviceAccess::Read});
}

TEST_F(StorageQueriesTest, ActiveMbrPartition) {
    port.Drive(1).partition = WholeDisk(PartitionStyle::Mbr);
    fake::FakeVolume& active = port.Volume('C');
    active.diskNumber = 1;
    active.partition = fake::MbrPartition(kMiB, true);
    fake::FakeVolume& data = port.Volume('D');
    data.diskNumber = 1;
    data.partition = fake::MbrPartition(100 * kGiB, false);
    // An MBR partition of type 0xEF is no GPT EFI system partition.
    fake::FakeVolume& mbrEsp = port.Volume('E');
    mbrEsp.diskNumber = 1;
    mbrEsp.partition = fake::MbrPartition(200 * kGiB, false, 0xEF);

    EXPECT_TRUE(IsActivePartition(port, 'C'));
    EXPECT_FALSE(IsEfiSystemPartition(port, 'C'));
    EXPECT_FALSE(IsActivePartition(port, 'D'));
    EXPECT_FALSE(IsEfiSystemPartition(port, 'E'));
    EXPECT_EQ(GetPartitionStyleOfLetter(port, 'C'), PartitionStyle::Mbr);
}

TEST_F(StorageQueriesTest, BootFlagsNeedTheMatchingStyle) {
    // A GPT partition never counts as active, whatever its MBR half holds.
    fake::FakeVolume& gpt = port.Volume('G');
    gpt.partition = fake::GptPartition(kMiB, kBasicDataType);
    gpt.partition->mbr.bootIndicator = true;
    // A query that fails answers false for both.
    port.Volume('F').partition.reset();
    port.Volume('N').deviceOpens = false;

    EXPECT_FALSE(IsActivePartition(port, 'G'));
    for (char letter : {'F', 'N', 'Q'}) {
        EXPECT_FALSE(IsActivePartition(port, letter)) << letter;
        EXPECT_FALSE(IsEfiSystemPartition(port, letter)) << letter;
    }
}

TEST_F(StorageQueriesTest, PartitionStyleOfADisk) {
    port.Drive(0).partition = WholeDisk(PartitionStyle::Mbr);
    port.Drive(1).partition = WholeDisk(PartitionStyle::Gpt);
    port.Drive(2).partition = WholeDisk(PartitionStyle::Raw);
    port.Drive(3).partition.reset();  // query fails
    port.Drive(4).opens = false;

    struct Case {
        std::int32_t disk;
        PartitionStyle expected;
    };
    const Case cases[] = {
        {0, PartitionStyle::Mbr},  {1, PartitionStyle::Gpt}, {2, PartitionStyle::Raw},
        {3, PartitionStyle::Raw},  {4, PartitionStyle::Raw}, {9, PartitionStyle::Raw},
        {-1, PartitionStyle::Raw},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetPartitionStyle(port, c.disk), c.expected) << c.disk;
    }
    EXPECT_EQ(AccessesOf(L"\\\\.\\PhysicalDrive1"), std::vector<DeviceAccess>{DeviceAccess::Read});
}

TEST_F(StorageQueriesTest, VolumeOnTwoDisksHasNoDisk) {
    port.Drive(0).partition = WholeDisk(PartitionStyle::Mbr);
    port.Drive(0).hotplug = HotplugInfo{true, true};
    fake::FakeVolume& spanned = port.Volume('V');
    spanned.partition = fake::MbrPartition(kMiB);
    spanned.diskNumber.reset();

    EXPECT_EQ(GetDiskNumberOfLetter(port, 'V'), -1);
    EXPECT_EQ(GetPartitionStyleOfLetter(port, 'V'), PartitionStyle::Raw);
    EXPECT_FALSE(IsRemovableLetter(port, 'V'));
    // No disk is asked on behalf of a volume whose disk is unknown.
    for (const fake::DeviceOpenRecord& open : port.DeviceOpens()) {
        EXPECT_EQ(open.path, L"\\\\.\\V:");
    }
}

TEST_F(StorageQueriesTest, RemovableDisks) {
    struct Case {
        const char* name;
        std::optional<HotplugInfo> hotplug;
        bool opens;
        bool expected;
    };
    const Case cases[] = {
        {"fixed", HotplugInfo{false, false}, true, false},
        {"removable media", HotplugInfo{true, false}, true, true},
        {"hot-pluggable device", HotplugInfo{false, true}, true, true},
        {"both", HotplugInfo{true, true}, true, true},
        {"query fails", std::nullopt, true, false},
        {"does not open", HotplugInfo{true, true}, false, false},
    };
    std::uint32_t disk = 0;
    for (const Case& c : cases) {
        port.Drive(disk).hotplug = c.hotplug;
        port.Drive(disk).opens = c.opens;
        EXPECT_EQ(IsRemovableDisk(port, static_cast<std::int32_t>(disk)), c.expected) << c.name;
        ++disk;
    }
    EXPECT_FALSE(IsRemovableDisk(port, -1));
    EXPECT_FALSE(IsRemovableDisk(port, 12));
    EXPECT_EQ(AccessesOf(L"\\\\.\\PhysicalDrive1"),
              std::vector<DeviceAccess>{DeviceAccess::ReadWrite});
}

TEST_F(StorageQueriesTest, RemovableLetterAsksTheLettersDisk) {
    port.Drive(0).hotplug = HotplugInfo{false, false};
    port.Drive(3).hotplug = HotplugInfo{true, false};
    port.Volume('C').diskNumber = 0;
    port.Volume('U').diskNumber = 3;

    EXPECT_FALSE(IsRemovableLetter(port, 'C'));
    EXPECT_TRUE(IsRemovableLetter(port, 'U'));
    EXPECT_EQ(GetDiskNumberOfLetter(port, 'U'), 3);
    EXPECT_FALSE(IsRemovableLetter(port, 'W'));
}

TEST_F(StorageQueriesTest, VolumeExistsWhenSomethingIsMountedAtTheRoot) {
    port.Volume('C');
    fake::FakeVolume& optical = port.Volume('R');
    optical.ready = false;  // an empty optical drive still has a root
    optical.driveType = 5;
    port.Volume('Y').driveType = kDriveNoRootDir;

    EXPECT_TRUE(VolumeExists(port, 'C'));
    EXPECT_TRUE(VolumeExists(port, 'c'));
    EXPECT_TRUE(VolumeExists(port, 'R'));
    EXPECT_FALSE(VolumeExists(port, 'Y'));
    EXPECT_FALSE(VolumeExists(port, 'K'));
}

TEST_F(StorageQueriesTest, NonLettersGetNeutralAnswersWithoutOpeningAnything) {
    port.Drive(0).partition = WholeDisk(PartitionStyle::Gpt);
    port.Drive(0).hotplug = HotplugInfo{true, true};
    for (char c : {'\0', '1', ':', '\\', '[', '@', '`', '{', static_cast<char>(0xC3)}) {
        EXPECT_EQ(GetDiskNumberOfLetter(port, c), -1);
        EXPECT_EQ(GetPartitionStyleOfLetter(port, c), PartitionStyle::Raw);
        EXPECT_FALSE(IsEfiSystemPartition(port, c));
        EXPECT_FALSE(IsActivePartition(port, c));
        EXPECT_FALSE(IsRemovableLetter(port, c));
        EXPECT_FALSE(VolumeExists(port, c));
    }
    EXPECT_TRUE(port.DeviceOpens().empty());
}

}  // namespace
}  // namespace qn
