// Raw sector writes through the storage port's recording fake (what callers rely on: access,
// whole sectors, bounds, the recording, injected failures) and through the simulated machine,
// which takes boot code and boot sectors and refuses what it does not model.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "disk/fake/fake_storage_port.h"
#include "sim_test_support.h"

namespace qn {
namespace {

using ::testing::Contains;

const std::wstring kDrive0 = L"\\\\.\\PhysicalDrive0";

std::vector<std::uint8_t> Numbered(std::size_t sectors) {
    std::vector<std::uint8_t> bytes(sectors * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / 512 + 1);
    }
    return bytes;
}

std::vector<std::uint8_t> Filled(std::size_t sectors, std::uint8_t value) {
    return std::vector<std::uint8_t>(sectors * 512, value);
}

TEST(FakeSectorWrites, WholeSectorsLandWhereAskedAreReadBackAndRecorded) {
    fake::FakeStoragePort port;
    port.Drive(0).sectors.bytes = Numbered(4);
    auto drive = port.OpenDevice(kDrive0, DeviceAccess::ReadWrite);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->WriteSectors(1, Filled(2, 0xAB)), SectorWriteResult::Written);
    const auto all = drive->ReadSectors(0, 4);
    ASSERT_TRUE(all);
    EXPECT_EQ((*all)[511], 1) << "sector 0 unchanged";
    EXPECT_EQ((*all)[512], 0xAB);
    EXPECT_EQ((*all)[1535], 0xAB);
    EXPECT_EQ((*all)[1536], 4) << "sector 3 unchanged";
    // The description changed too: a device opened afterwards reads the write.
    EXPECT_EQ((*port.OpenDevice(kDrive0, DeviceAccess::Read)->ReadSectors(2, 1))[0], 0xAB);

    ASSERT_EQ(port.SectorWrites().size(), 1u);
    const fake::SectorWriteRecord& write = port.SectorWrites()[0];
    EXPECT_EQ(write.path, kDrive0);
    EXPECT_EQ(write.first, 1u);
    EXPECT_EQ(write.bytes, Filled(2, 0xAB));
    EXPECT_EQ(write.result, SectorWriteResult::Written);
    EXPECT_EQ(port.SectorReads().size(), 2u) << "the write's read-back is not a read";
    port.ClearRecording();
    EXPECT_TRUE(port.SectorWrites().empty());
}

TEST(FakeSectorWrites, RefusedWritesChangeNothing) {
    fake::FakeStoragePort port;
    port.Drive(0).sectors.bytes = Numbered(kMaxSectorsPerRead + 2);
    port.Volume('C').sectors.bytes = Numbered(1);
    auto reader = port.OpenDevice(kDrive0, DeviceAccess::Read);
    auto query = port.OpenDevice(L"\\\\.\\C:", DeviceAccess::QueryOnly);
    auto writer = port.OpenDevice(kDrive0, DeviceAccess::ReadWrite);
    EXPECT_EQ(reader->WriteSectors(0, Filled(1, 0)), SectorWriteResult::NotOpenForWrite);
    EXPECT_EQ(query->WriteSectors(0, Filled(1, 0)), SectorWriteResult::NotOpenForWrite);
    EXPECT_EQ(writer->WriteSectors(0, std::vector<std::uint8_t>(511, 0)),
              SectorWriteResult::WriteFailed)
        << "part of a sector";
    EXPECT_EQ(writer->WriteSectors(0, std::vector<std::uint8_t>(513, 0)),
              SectorWriteResult::WriteFailed);
    EXPECT_EQ(writer->WriteSectors(0, {}), SectorWriteResult::WriteFailed);
    EXPECT_EQ(writer->WriteSectors(0, Filled(kMaxSectorsPerRead + 1, 0)),
              SectorWriteResult::WriteFailed)
        << "more sectors than one call takes";
    EXPECT_EQ(writer->WriteSectors(kMaxSectorsPerRead + 1, Filled(2, 0)),
              SectorWriteResult::WriteFailed)
        << "past the end: not even the sector that exists is written";
    EXPECT_EQ(*writer->ReadSectors(0, kMaxSectorsPerRead), Numbered(kMaxSectorsPerRead));
    EXPECT_EQ((*writer->ReadSectors(kMaxSectorsPerRead + 1, 1))[0], kMaxSectorsPerRead + 2);
    EXPECT_EQ(*port.OpenDevice(L"\\\\.\\C:", DeviceAccess::Read)->ReadSectors(0, 1), Numbered(1));
    EXPECT_EQ(port.SectorWrites().size(), 7u) << "refusals are recorded too";
    EXPECT_EQ(port.SectorWrites()[1].path, L"\\\\.\\C:");
    EXPECT_EQ(port.SectorWrites()[1].result, SectorWriteResult::NotOpenForWrite);
}

TEST(FakeSectorWrites, InjectedFailures) {
    fake::FakeStoragePort port;
    port.Volume('C').sectors.bytes = Numbered(2);
    port.Volume('C').sectors.lockRefused = true;
    port.Volume('D').sectors.bytes = Numbered(2);
    port.Volume('D').sectors.writeFails = true;
    port.Volume('E').sectors.bytes = Numbered(2);
    port.Volume('E').sectors.readBackDiffers = true;
    const auto write = [&](const wchar_t* path) {
        return port.OpenDevice(path, DeviceAccess::ReadWrite)->WriteSectors(1, Filled(1, 0x5A));
    };
    const auto sector1 = [&](const wchar_t* path) {
        return *port.OpenDevice(path, DeviceAccess::Read)->ReadSectors(1, 1);
    };
    EXPECT_EQ(write(L"\\\\.\\C:"), SectorWriteResult::LockFailed);
    EXPECT_EQ(sector1(L"\\\\.\\C:"), Filled(1, 2)) << "a refused lock writes nothing";
    EXPECT_EQ(write(L"\\\\.\\D:"), SectorWriteResult::WriteFailed);
    EXPECT_EQ(sector1(L"\\\\.\\D:"), Filled(1, 2));
    EXPECT_EQ(write(L"\\\\.\\E:"), SectorWriteResult::ReadBackDiffers);
    std::vector<std::uint8_t> altered = Filled(1, 0x5A);
    altered[0] = 0xA5;
    EXPECT_EQ(sector1(L"\\\\.\\E:"), altered) << "the device took the write and holds other bytes";
}

TEST(FakeSectorWrites, ASourceTakesWritesThroughItsSinkOnly) {
    fake::FakeStoragePort port;
    std::vector<std::uint8_t> disk(4 * 4096, 0);
    bool accept = true;
    port.Drive(1).sectors.sectorBytes = 4096;
    port.Drive(1).sectors.source = [&](std::uint64_t first, std::uint32_t count) {
        return std::optional<std::vector<std::uint8_t>>(std::vector<std::uint8_t>(
            disk.begin() + static_cast<std::ptrdiff_t>(first * 4096),
            disk.begin() + static_cast<std::ptrdiff_t>((first + count) * 4096)));
    };
    auto drive = port.OpenDevice(L"\\\\.\\PhysicalDrive1", DeviceAccess::ReadWrite);
    const std::vector<std::uint8_t> sector(4096, 7);
    EXPECT_EQ(drive->WriteSectors(0, sector), SectorWriteResult::WriteFailed) << "no sink";
    EXPECT_EQ(drive->WriteSectors(0, Filled(1, 7)), SectorWriteResult::WriteFailed)
        << "512 bytes are not a 4096-byte sector";

    port.Drive(1).sectors.sink = [&](std::uint64_t first, std::span<const std::uint8_t> bytes) {
        if (!accept) {
            return false;
        }
        std::copy(bytes.begin(), bytes.end(),
                  disk.begin() + static_cast<std::ptrdiff_t>(first * 4096));
        return true;
    };
    drive = port.OpenDevice(L"\\\\.\\PhysicalDrive1", DeviceAccess::ReadWrite);
    EXPECT_EQ(drive->WriteSectors(0, sector), SectorWriteResult::Written);
    EXPECT_EQ(disk[4095], 7);
    accept = false;
    EXPECT_EQ(drive->WriteSectors(0, std::vector<std::uint8_t>(4096, 9)),
              SectorWriteResult::WriteFailed);
    EXPECT_EQ(disk[0], 7);
}

// The simulated machine: boot code through the disk's sector 0, boot sectors through the disk
// or the volume.
class SimSectorWrites : public ::testing::Test {
protected:
    SimSectorWrites() : machine_(InPe(sim::test::ScenarioFile("wiped_mbr.xml"))) {}

    // From Windows PE no volume of the disk is in use, so every volume can be locked.
    static sim::Scenario InPe(sim::Scenario scenario) {
        scenario.winPE = true;
        return scenario;
    }

    std::unique_ptr<StorageDevice> Open(const std::wstring& path) {
        return machine_->Storage().OpenDevice(path, DeviceAccess::ReadWrite);
    }
    std::vector<std::uint8_t> Sector0() {
        const auto sector = machine_->DiskSector0(0);
        return std::vector<std::uint8_t>(sector.begin(), sector.end());
    }

    sim::test::Machine machine_;
};

TEST_F(SimSectorWrites, NewCodeInSector0MakesTheWipedMbrBoot) {
    ASSERT_FALSE(machine_->Boot().boots);
    std::vector<std::uint8_t> sector = Sector0();
    const sim::MbrCodeArea code = sim::MbrCodeBytes(sim::MbrCode::Nt60);
    std::copy(code.begin(), code.end(), sector.begin());
    auto disk = Open(kDrive0);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->WriteSectors(0, sector), SectorWriteResult::Written);
    EXPECT_EQ(machine_->DiskMbrCode(0), sim::MbrCode::Nt60);
    EXPECT_TRUE(machine_->Boot().boots) << machine_->Boot().problem;
    EXPECT_EQ(*disk->ReadSectors(0, 1), sector);
    EXPECT_THAT(machine_->Journal(), Contains(L"write sectors \\\\.\\PhysicalDrive0 0+1"));
}

TEST_F(SimSectorWrites, ATableSignatureOrMarkerChangeIsRefusedWhole) {
    const std::vector<std::uint8_t> before = Sector0();
    auto disk = Open(kDrive0);
    for (const std::size_t at : {440u, 446u, 509u, 511u}) {
        std::vector<std::uint8_t> sector = before;
        const sim::MbrCodeArea code = sim::MbrCodeBytes(sim::MbrCode::Nt60);
        std::copy(code.begin(), code.end(), sector.begin());
        sector[at] ^= 0x01;
        EXPECT_EQ(disk->WriteSectors(0, sector), SectorWriteResult::WriteFailed) << at;
        EXPECT_EQ(Sector0(), before) << "not even the code changed, at " << at;
    }
    // Good code in sector 0 with a sector the machine keeps nothing of: refused whole.
    std::vector<std::uint8_t> two = before;
    const sim::MbrCodeArea code = sim::MbrCodeBytes(sim::MbrCode::Nt60);
    std::copy(code.begin(), code.end(), two.begin());
    two.resize(1024, 0);
    EXPECT_EQ(disk->WriteSectors(0, two), SectorWriteResult::WriteFailed);
    EXPECT_EQ(machine_->DiskMbrCode(0), sim::MbrCode::None);
    EXPECT_FALSE(machine_->Boot().boots);
    EXPECT_THAT(machine_->Journal(), Contains(L"write sectors \\\\.\\PhysicalDrive0 0+2 failed"));
}

TEST_F(SimSectorWrites, ABootSectorLandsThroughTheVolumeAndThroughTheDisk) {
    const sim::DiskVolume& windows = *machine_->VolumeAt(0, 2);
    const sim::VolumeGeometry geometry = machine_->GeometryOf(windows);
    const std::uint64_t first = static_cast<std::uint64_t>(windows.partition->offset) / 512;
    auto volume = Open(L"\\\\.\\C:");
    auto disk = Open(kDrive0);
    ASSERT_NE(volume, nullptr);

    const auto ntldr = sim::BootSectorBytes(sim::BootRecordCode::Ntldr, geometry);
    EXPECT_EQ(volume->WriteSectors(0, ntldr), SectorWriteResult::Written);
    EXPECT_EQ(machine_->VolumeBootCode(windows), sim::BootRecordCode::Ntldr);
    EXPECT_EQ(*disk->ReadSectors(first, 1), ntldr);

    const auto bootmgr = sim::BootSectorBytes(sim::BootRecordCode::Bootmgr, geometry);
    EXPECT_EQ(disk->WriteSectors(first, bootmgr), SectorWriteResult::Written);
    EXPECT_EQ(machine_->VolumeBootCode(windows), sim::BootRecordCode::Bootmgr);
    EXPECT_EQ(*volume->ReadSectors(0, 1), bootmgr);

    EXPECT_EQ(volume->WriteSectors(1, bootmgr), SectorWriteResult::WriteFailed);
    EXPECT_EQ(disk->WriteSectors(first + 1, bootmgr), SectorWriteResult::WriteFailed);
    EXPECT_EQ(disk->WriteSectors(1, bootmgr), SectorWriteResult::WriteFailed);
    EXPECT_EQ(machine_->VolumeBootCode(windows), sim::BootRecordCode::Bootmgr);
    EXPECT_THAT(machine_->Journal(), Contains(L"write sectors \\\\.\\C: 0+1"));
}

// The running system's volume, and the system partition whose store Windows holds open, are in
// use: Windows refuses to lock them, so the program cannot write their sectors.
TEST(SimSectorWritesLock, TheRunningSystemsVolumesRefuseTheLock) {
    sim::test::Machine machine(sim::test::ScenarioFile("demo.xml"));
    EXPECT_TRUE(machine->VolumeInUse(*machine->VolumeAt(0, 1)));   // System Reserved
    EXPECT_TRUE(machine->VolumeInUse(*machine->VolumeAt(0, 2)));   // C:, running
    EXPECT_FALSE(machine->VolumeInUse(*machine->VolumeAt(0, 3)));  // D:, XP
    auto volume = machine->Storage().OpenDevice(L"\\\\.\\C:", DeviceAccess::ReadWrite);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->WriteSectors(0, machine->VolumeAt(0, 2)->bootSector),
              SectorWriteResult::LockFailed);
}

TEST(SimSectorWritesLock, AVolumeWithOpenFilesRefusesTheLock) {
    sim::Scenario scenario = sim::test::ScenarioFile("wiped_mbr.xml");
    scenario.disks[0].partitions[1].lockFails = true;
    sim::test::Machine machine(scenario);
    const sim::DiskVolume& windows = *machine->VolumeAt(0, 2);
    const auto before = windows.bootSector;
    auto volume = machine->Storage().OpenDevice(L"\\\\.\\C:", DeviceAccess::ReadWrite);
    EXPECT_EQ(volume->WriteSectors(0, sim::BootSectorBytes(sim::BootRecordCode::Ntldr,
                                                           machine->GeometryOf(windows))),
              SectorWriteResult::LockFailed);
    EXPECT_EQ(machine->VolumeAt(0, 2)->bootSector, before);
}

}  // namespace
}  // namespace qn
