// Raw sector reads through the storage port's recording fake, and through the simulated machine,
// whose reads always see what was last written.
#include <gtest/gtest.h>

#include "disk/fake/fake_storage_port.h"
#include "sim_test_support.h"

namespace qn {
namespace {

std::vector<std::uint8_t> Numbered(std::size_t sectors) {
    std::vector<std::uint8_t> bytes(sectors * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / 512 + 1);
    }
    return bytes;
}

TEST(FakeSectorReads, ReadWholeSectorsFromTheScriptAndRecordEveryRead) {
    fake::FakeStoragePort port;
    port.Drive(0).sectors.bytes = Numbered(4);
    auto drive = port.OpenDevice(L"\\\\.\\PhysicalDrive0", DeviceAccess::Read);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->LogicalSectorBytes(), 512u);
    const auto two = drive->ReadSectors(1, 2);
    ASSERT_TRUE(two);
    ASSERT_EQ(two->size(), 1024u);
    EXPECT_EQ((*two)[0], 2);
    EXPECT_EQ((*two)[1023], 3);
    EXPECT_FALSE(drive->ReadSectors(3, 2)) << "past the end";
    EXPECT_FALSE(drive->ReadSectors(0, 0));
    EXPECT_FALSE(drive->ReadSectors(0, kMaxSectorsPerRead + 1));
    ASSERT_EQ(port.SectorReads().size(), 4u);
    EXPECT_EQ(port.SectorReads()[0].path, L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(port.SectorReads()[0].first, 1u);
    EXPECT_EQ(port.SectorReads()[0].count, 2u);
    EXPECT_TRUE(port.SectorReads()[0].ok);
    EXPECT_FALSE(port.SectorReads()[1].ok);
}

TEST(FakeSectorReads, AQueryOnlyDeviceCannotReadAndNothingIsScriptedByDefault) {
    fake::FakeStoragePort port;
    port.Drive(0).sectors.bytes = Numbered(1);
    port.Volume('C').sectors.bytes = Numbered(1);
    auto query = port.OpenDevice(L"\\\\.\\PhysicalDrive0", DeviceAccess::QueryOnly);
    ASSERT_NE(query, nullptr);
    EXPECT_FALSE(query->ReadSectors(0, 1)) << "Windows refuses: no GENERIC_READ";
    auto volume = port.OpenDevice(L"\\\\.\\C:", DeviceAccess::Read);
    ASSERT_NE(volume, nullptr);
    EXPECT_TRUE(volume->ReadSectors(0, 1));
    port.Drive(1).geometry = fake::FixedDiskGeometry(1ull << 30);
    EXPECT_FALSE(port.OpenDevice(L"\\\\.\\PhysicalDrive1", DeviceAccess::Read)->ReadSectors(0, 1));
}

TEST(FakeSectorReads, ASourceIsAskedAtEveryReadWithItsOwnSectorSize) {
    fake::FakeStoragePort port;
    int asked = 0;
    port.Drive(2).sectors.sectorBytes = 4096;
    port.Drive(2).sectors.source = [&](std::uint64_t first, std::uint32_t count) {
        ++asked;
        return std::optional<std::vector<std::uint8_t>>(
            std::vector<std::uint8_t>(count * 4096, static_cast<std::uint8_t>(first)));
    };
    auto drive = port.OpenDevice(L"\\\\.\\PhysicalDrive2", DeviceAccess::Read);
    EXPECT_EQ(drive->LogicalSectorBytes(), 4096u);
    EXPECT_EQ((*drive->ReadSectors(7, 1))[0], 7);
    EXPECT_EQ((*drive->ReadSectors(9, 1))[4095], 9);
    EXPECT_EQ(asked, 2);
}

// The simulated machine keeps its boot code in one place; the port's reads look there.
TEST(SimSectorReads, ReadsSeeWhatBootsectLastWrote) {
    sim::test::Machine machine(sim::test::ScenarioFile("wiped_mbr.xml"));
    fake::FakeStoragePort& storage = machine->Storage();
    auto disk = storage.OpenDevice(L"\\\\.\\PhysicalDrive0", DeviceAccess::Read);
    ASSERT_NE(disk, nullptr);
    const auto before = disk->ReadSectors(0, 1);
    ASSERT_TRUE(before);
    const auto sector0 = machine->DiskSector0(0);
    EXPECT_TRUE(std::equal(sector0.begin(), sector0.end(), before->begin()));
    EXPECT_EQ((*before)[0], 0) << "wiped code";

    machine->SetMbrCode(0, sim::MbrCode::Nt60);  // as bootsect /mbr does
    const auto after = disk->ReadSectors(0, 1);
    EXPECT_NE((*after)[0], 0) << "the same open device sees the new code";

    // The volume's boot sector, through the disk at the partition's first sector and through
    // the volume's own device.
    const sim::DiskVolume* windows = machine->VolumeAt(0, 2);
    const std::uint64_t first = static_cast<std::uint64_t>(windows->partition->offset) / 512;
    const auto raw = disk->ReadSectors(first, 1);
    ASSERT_TRUE(raw);
    EXPECT_EQ(*raw, windows->bootSector);
    auto c = storage.OpenDevice(L"\\\\.\\C:", DeviceAccess::Read);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(*c->ReadSectors(0, 1), windows->bootSector);
    EXPECT_EQ((*c->ReadSectors(1, 1))[0], 0);
    machine->SetBootRecordCode(windows->id, sim::BootRecordCode::Ntldr);
    EXPECT_EQ(*c->ReadSectors(0, 1), machine->VolumeAt(0, 2)->bootSector);
    EXPECT_EQ(*disk->ReadSectors(first, 1), machine->VolumeAt(0, 2)->bootSector);

    const std::uint64_t lastSector = machine->Description().disks[0].size / 512 - 1;
    EXPECT_TRUE(disk->ReadSectors(lastSector, 1));
    EXPECT_FALSE(disk->ReadSectors(lastSector, 2)) << "past the disk's end";
}

}  // namespace
}  // namespace qn
