#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disk/volume_name.h"
#include "disk/win32/win32_volume_port.h"

// Read-only: volumes are enumerated and queried, never mounted or unmounted (Wine maps drives
// to host folders).
namespace qn {
namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(Win32VolumePort, EnumerationGivesVolumeNamesAndEnds) {
    win32::Win32VolumePort port;
    VolumeText current;
    auto search = port.StartVolumeSearch(current);
    if (!search) {
        // No volume at all is reported as such, with an error code.
        EXPECT_FALSE(current.ok);
        EXPECT_NE(current.error, 0u);
        GTEST_SKIP() << "no volumes enumerated, error " << current.error;
    }
    int count = 0;
    for (; current.ok && count < 64; current = search->Next(), ++count) {
        ASSERT_TRUE(IsVolumeName(current.text)) << Narrow(current.text);
        const VolumeText device = port.DosDeviceOf(DosDeviceNameOfVolume(current.text));
        EXPECT_TRUE(device.ok) << Narrow(current.text) << " error " << device.error;
        EXPECT_EQ(device.text.rfind(L"\\Device\\", 0), 0u) << Narrow(device.text);
        for (const std::wstring& path : port.VolumePathNames(current.text)) {
            EXPECT_FALSE(path.empty());
            EXPECT_EQ(path.back(), L'\\') << Narrow(path);
        }
    }
    EXPECT_FALSE(current.ok);
    EXPECT_EQ(current.error, kErrorNoMoreFiles);
    EXPECT_GT(count, 0);
}

TEST(Win32VolumePort, DosDeviceOfDriveC) {
    win32::Win32VolumePort port;
    const VolumeText c = port.DosDeviceOf(L"C:");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_FALSE(c.text.empty());
}

TEST(Win32VolumePort, UnknownNamesFail) {
    win32::Win32VolumePort port;
    const VolumeText device = port.DosDeviceOf(L"NoSuchDeviceForQuenra");
    EXPECT_FALSE(device.ok);
    EXPECT_NE(device.error, 0u);
    EXPECT_TRUE(
        port.VolumePathNames(L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\").empty());
}

}  // namespace
}  // namespace qn
