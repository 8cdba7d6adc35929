#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "disk/win32/win32_storage_port.h"
#include "image_file.h"

// Raw sector writes through the storage adapter's own code, pointed at a disk image file in the
// test's temporary folder: never at this machine's disks. A file takes no volume lock (Windows
// refuses FSCTL_LOCK_VOLUME on a file, Wine grants it), so the adapter writes it without one.
namespace qn {
namespace {

constexpr std::size_t kSectors = 8;

// Every sector filled with its number + 1.
std::vector<std::uint8_t> Image() {
    std::vector<std::uint8_t> bytes(kSectors * 512);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / 512 + 1);
    }
    return bytes;
}

TEST(Win32SectorWrites, WholeSectorsLandAtTheirOffsetAndReadBack) {
    test::ImageFile image(L"sector_writes", Image());
    win32::Win32StoragePort port;
    auto device = port.OpenDevice(image.Path(), DeviceAccess::ReadWrite);
    ASSERT_NE(device, nullptr);
    const std::vector<std::uint8_t> two(1024, 0xC3);
    EXPECT_EQ(device->WriteSectors(3, two), SectorWriteResult::Written);
    const auto back = device->ReadSectors(3, 2);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, two);

    std::vector<std::uint8_t> expected = Image();
    std::fill(expected.begin() + 3 * 512, expected.begin() + 5 * 512, 0xC3);
    EXPECT_EQ(image.Bytes(), expected) << "sectors 2 and 5 around it unchanged";

    // Sector 0 too, on a device that stays open: the lock (none for a file) is not left held.
    std::vector<std::uint8_t> first(512, 0x11);
    first[510] = 0x55;
    first[511] = 0xAA;
    EXPECT_EQ(device->WriteSectors(0, first), SectorWriteResult::Written);
    EXPECT_EQ(device->WriteSectors(kSectors - 1, first), SectorWriteResult::Written);
    std::copy(first.begin(), first.end(), expected.begin());
    std::copy(first.begin(), first.end(), expected.end() - 512);
    EXPECT_EQ(image.Bytes(), expected);
}

TEST(Win32SectorWrites, AReadOnlyOrQueryOnlyDeviceIsRefusedUnwritten) {
    test::ImageFile image(L"sector_writes", Image());
    win32::Win32StoragePort port;
    const std::vector<std::uint8_t> sector(512, 0xEE);
    auto reader = port.OpenDevice(image.Path(), DeviceAccess::Read);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->WriteSectors(0, sector), SectorWriteResult::NotOpenForWrite);
    auto query = port.OpenDevice(image.Path(), DeviceAccess::QueryOnly);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->WriteSectors(0, sector), SectorWriteResult::NotOpenForWrite);
    EXPECT_EQ(image.Bytes(), Image());
}

TEST(Win32SectorWrites, PartOfASectorOrTooManySectorsAreRefusedUnwritten) {
    test::ImageFile image(L"sector_writes", Image());
    win32::Win32StoragePort port;
    auto device = port.OpenDevice(image.Path(), DeviceAccess::ReadWrite);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->WriteSectors(1, std::vector<std::uint8_t>(511, 0xEE)),
              SectorWriteResult::WriteFailed);
    EXPECT_EQ(device->WriteSectors(1, std::vector<std::uint8_t>(700, 0xEE)),
              SectorWriteResult::WriteFailed);
    EXPECT_EQ(device->WriteSectors(1, {}), SectorWriteResult::WriteFailed);
    EXPECT_EQ(
        device->WriteSectors(0, std::vector<std::uint8_t>((kMaxSectorsPerRead + 1) * 512, 0xEE)),
        SectorWriteResult::WriteFailed);
    EXPECT_EQ(image.Bytes(), Image());
}

// Which paths are written under FSCTL_LOCK_VOLUME: devices, never files (Windows refuses a
// file the lock, and Wine's success for it proves nothing).
TEST(Win32SectorWrites, DevicesAreLockedAndFilesAreNot) {
    EXPECT_TRUE(win32::IsDevicePath(L"\\\\.\\C:"));
    EXPECT_TRUE(win32::IsDevicePath(L"\\\\.\\PhysicalDrive0"));
    EXPECT_TRUE(win32::IsDevicePath(L"\\\\?\\Volume{5ed10000-0000-0000-0000-000000000002}"));
    EXPECT_TRUE(win32::IsDevicePath(L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume3"));
    EXPECT_FALSE(win32::IsDevicePath(L"C:\\temp\\disk.img"));
    EXPECT_FALSE(win32::IsDevicePath(L"\\\\?\\C:\\temp\\disk.img"));
    EXPECT_FALSE(win32::IsDevicePath(L"\\\\.\\C:\\temp\\disk.img"));
    EXPECT_FALSE(win32::IsDevicePath(L"\\\\?\\Volume{5ed10000-0000-0000-0000-000000000002}\\"))
        << "its root folder";
    EXPECT_FALSE(win32::IsDevicePath(L"\\\\server\\share\\disk.img"));
    EXPECT_FALSE(win32::IsDevicePath(L"\\\\.\\"));
}

}  // namespace
}  // namespace qn
