// Locked BitLocker volumes, told apart from unlocked ones and from volumes that merely cannot be
// read, over a scripted machine.
#include <gtest/gtest.h>

#include <cstring>

#include "disk/fake/fake_storage_port.h"
#include "disk/locked_volumes.h"
#include "platform/fake/fake_file_system.h"

namespace qn {
namespace {

constexpr std::int64_t kPartitionOffset = 1 << 20;

std::vector<std::uint8_t> BootSector(const char* oemName) {
    std::vector<std::uint8_t> sector(512, 0);
    sector[0] = 0xEB;
    sector[1] = 0x58;
    sector[2] = 0x90;
    std::memcpy(sector.data() + 3, oemName, 8);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

// C: on disk 0 at 1 MiB with that first sector, as the disk and the volume show it; D: an
// ordinary NTFS volume that lists its files.
struct Machine {
    Machine(const char* oemName, bool rootListable, bool diskKnown) {
        const std::vector<std::uint8_t> sector = BootSector(oemName);
        std::vector<std::uint8_t> disk((kPartitionOffset / 512 + 1) * 512, 0);
        std::copy(sector.begin(), sector.end(), disk.begin() + kPartitionOffset);
        storage.Drive(0).geometry = fake::FixedDiskGeometry(500ull << 30);
        storage.Drive(0).sectors.bytes = disk;
        fake::FakeVolume& c = storage.Volume('C');
        if (diskKnown) {
            c.diskNumber = 0;
            c.partition = fake::MbrPartition(kPartitionOffset);
        }
        c.sectors.bytes = sector;
        fake::FakeVolume& d = storage.Volume('D');
        d.diskNumber = 0;
        d.partition = fake::MbrPartition(kPartitionOffset * 2);
        files.AddDirectory(L"C:\\Windows");
        files.AddDirectory(L"D:\\Data");
        if (!rootListable) {
            files.FailListDirectory(L"C:\\");
        }
    }
    fake::FakeStoragePort storage;
    fake::FakeFileSystem files;
};

TEST(LockedVolumes, ABitLockerBootRecordOverARootThatCannotBeListedIsLocked) {
    struct Case {
        const char* name;
        const char* oemName;
        bool rootListable;
        bool diskKnown;  // false: read through the volume (a spanned volume has no one disk)
        bool locked;
    } cases[] = {
        {"locked", "-FVE-FS-", false, true, true},
        {"unlocked with manage-bde", "-FVE-FS-", true, true, false},
        {"an ordinary NTFS volume Windows cannot read", "NTFS    ", false, true, false},
        {"locked, its disk unknown", "-FVE-FS-", false, false, true},
        {"an ordinary NTFS volume", "NTFS    ", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine machine(c.oemName, c.rootListable, c.diskKnown);
        EXPECT_EQ(IsLockedVolume(machine.storage, machine.files, 'C'), c.locked);
        const LockedVolumes found = FindLockedVolumes(machine.storage, machine.files);
        EXPECT_EQ(found.letters, c.locked ? std::vector<char>{'C'} : std::vector<char>{});
        EXPECT_TRUE(machine.storage.UnclosedDevices().empty());
        for (const auto& open : machine.storage.DeviceOpens()) {
            EXPECT_NE(open.access, DeviceAccess::ReadWrite) << "the check only reads";
        }
    }
}

// The disk holds BitLocker's header at the partition's start whatever the volume's own device
// shows (an unlocked volume shows its file system's boot sector there).
TEST(LockedVolumes, TheBootRecordIsReadThroughTheDiskFirst) {
    Machine machine("-FVE-FS-", false, true);
    machine.storage.Volume('C').sectors.bytes = BootSector("NTFS    ");
    EXPECT_TRUE(IsLockedVolume(machine.storage, machine.files, 'C'));
    EXPECT_TRUE(IsBitLockerBootSector(ReadVolumeBootSector(machine.storage, 'C')));
}

TEST(LockedVolumes, ShortSectorsAreNoBitLockerHeader) {
    const std::vector<std::uint8_t> sector = BootSector("-FVE-FS-");
    EXPECT_TRUE(IsBitLockerBootSector(sector));
    EXPECT_FALSE(IsBitLockerBootSector(std::span(sector).first(10)));
    EXPECT_FALSE(IsBitLockerBootSector({}));
}

TEST(LockedVolumes, TheAdviceNamesEachLockedVolumeAndHowToUnlockIt) {
    EXPECT_EQ(BitLockerUnlockAdvice({'C'}),
              L"C: 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：manage-bde -unlock C: "
              L"-RecoveryPassword <48 位恢复密钥>，然后重新检测");
    EXPECT_EQ(BitLockerUnlockAdvice({'C', 'E'}),
              L"C:、E: 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：manage-bde "
              L"-unlock C: -RecoveryPassword <48 位恢复密钥>、manage-bde -unlock E: "
              L"-RecoveryPassword <48 位恢复密钥>，然后重新检测");
    EXPECT_EQ(BitLockerUnlockAdvice({}), L"");
    EXPECT_EQ(LockedNotCheckedText({'D'}), L"D: 已被 BitLocker 锁定，无法检查");
}

}  // namespace
}  // namespace qn
