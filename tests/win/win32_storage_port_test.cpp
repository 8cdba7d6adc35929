#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "disk/disk_info.h"
#include "disk/drive_roots.h"
#include "disk/win32/win32_storage_port.h"
#include "platform/win32/win32_code_page.h"

// Read-only: Wine maps C: to the private prefix's drive_c. Nothing here opens a device for
// writing, and only what Wine guarantees for that drive is asserted.
namespace qn {
namespace {

TEST(Win32StoragePort, DriveStringsListC) {
    win32::Win32StoragePort port;
    const std::u16string list = port.LogicalDriveStrings();
    ASSERT_FALSE(list.empty());
    const auto roots = SplitDriveRoots(list);
    EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
}

TEST(Win32StoragePort, CIsAReadyFixedVolumeWithFreeSpace) {
    win32::Win32StoragePort port;
    EXPECT_TRUE(port.VolumeReady(L"C:\\"));
    EXPECT_EQ(port.DriveType(L"C:\\"), static_cast<std::uint32_t>(DRIVE_FIXED));
    const auto space = port.DiskFreeSpace(L"C:\\");
    ASSERT_TRUE(space.has_value());
    EXPECT_NE(space->sectorsPerCluster, 0u);
    EXPECT_NE(space->bytesPerSector, 0u);
    EXPECT_NE(space->totalClusters, 0u);
    const auto info = port.VolumeInfo(L"C:\\");
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->fileSystemName.empty());
}

TEST(Win32StoragePort, MissingDeviceDoesNotOpen) {
    win32::Win32StoragePort port;
    EXPECT_EQ(port.OpenDevice(L"\\\\.\\PhysicalDrive99", DeviceAccess::QueryOnly), nullptr);
    EXPECT_FALSE(port.VolumeReady(L"\\\\.\\NoSuchRoot\\"));
}

TEST(Win32StoragePort, InventoryOverTheRealAdapterHasC) {
    win32::Win32StoragePort port;
    win32::Win32CodePage codePage;
    const DiskInfo info(port, codePage);
    const auto& partitions = info.Partitions();
    const auto c = std::find_if(partitions.begin(), partitions.end(),
                                [](const PartitionRecord& p) { return p.rootPath == "C:\\"; });
    ASSERT_NE(c, partitions.end());
    EXPECT_EQ(c->driveType, static_cast<std::uint32_t>(DRIVE_FIXED));
    EXPECT_NE(c->totalBytes, 0u);
    EXPECT_FALSE(c->fileSystemName.empty());
}

TEST(DiskInfoInstance, ConcurrentFirstCallsShareOneInstance) {
    std::vector<const DiskInfo*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = &DiskInfo::GetInstance(false); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const DiskInfo* instance : seen) {
        EXPECT_EQ(instance, seen[0]);
    }
    // A refresh rebuilds the same instance in place.
    DiskInfo& refreshed = DiskInfo::GetInstance(true);
    EXPECT_EQ(&refreshed, seen[0]);
    EXPECT_FALSE(refreshed.Partitions().empty());
}

}  // namespace
}  // namespace qn
