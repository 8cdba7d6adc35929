#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "diagnosis/boot_code_classifier.h"
#include "disk/win32/win32_storage_port.h"
#include "image_file.h"

// Raw sector reads through the storage adapter's own code, pointed at a disk image file in the
// test's temporary folder: never at this machine's disks.
namespace qn {
namespace {

constexpr std::size_t kSectors = 8;

// Sector 0 shaped like Windows 7's MBR (the test's own bytes: the TPM call's "TCPA" and the three
// messages with their offsets), every other sector filled with its number + 1.
std::vector<std::uint8_t> Image() {
    std::vector<std::uint8_t> bytes(kSectors * 512);
    for (std::size_t i = 512; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / 512 + 1);
    }
    const char* tpm = "\x66\x68TCPA";
    std::copy(tpm, tpm + 6, bytes.begin() + 0x40);
    const char* messages[] = {"Invalid partition table", "Error loading operating system",
                              "Missing operating system"};
    std::size_t at = 0x163;
    for (std::size_t i = 0; i < 3; ++i) {
        bytes[0x1B5 + i] = static_cast<std::uint8_t>(at - 0x100);
        const std::string text = messages[i];
        std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        at += text.size() + 1;
    }
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    return bytes;
}

TEST(Win32SectorReads, WholeSectorsOfAnImageThroughTheDeviceCode) {
    test::ImageFile image(L"sectors", Image());
    win32::Win32StoragePort port;
    auto device = port.OpenDevice(image.Path(), DeviceAccess::Read);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->LogicalSectorBytes(), 512u) << "a file has no geometry: 512";
    const auto sector0 = device->ReadSectors(0, 1);
    ASSERT_TRUE(sector0);
    const auto expected = Image();
    EXPECT_TRUE(std::equal(sector0->begin(), sector0->end(), expected.begin()));
    EXPECT_EQ(ClassifyMbrCode(*sector0), MbrCodeKind::Nt6);
    EXPECT_TRUE(ReadMbrLayout(*sector0)->bootSignature);

    const auto two = device->ReadSectors(3, 2);
    ASSERT_TRUE(two);
    ASSERT_EQ(two->size(), 1024u);
    EXPECT_EQ(two->front(), 4);
    EXPECT_EQ(two->back(), 5);
    EXPECT_TRUE(device->ReadSectors(kSectors - 1, 1));
    EXPECT_FALSE(device->ReadSectors(kSectors - 1, 2)) << "a short read fails";
    EXPECT_FALSE(device->ReadSectors(kSectors, 1));
    EXPECT_FALSE(device->ReadSectors(0, 0));
    EXPECT_FALSE(device->ReadSectors(0, kMaxSectorsPerRead + 1));
}

TEST(Win32SectorReads, ReadOnlyAccessSharedWithWritersAndNothingWithoutIt) {
    test::ImageFile image(L"sectors", Image());
    win32::Win32StoragePort port;
    auto reader = port.OpenDevice(image.Path(), DeviceAccess::Read);
    ASSERT_NE(reader, nullptr);
    // Shared for reading and writing: another user of the device may still write.
    HANDLE writer =
        CreateFileW(image.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
    EXPECT_TRUE(reader->ReadSectors(1, 1));
    // Query-only access (no GENERIC_READ) cannot read sectors.
    auto query = port.OpenDevice(image.Path(), DeviceAccess::QueryOnly);
    ASSERT_NE(query, nullptr);
    EXPECT_FALSE(query->ReadSectors(0, 1));
    EXPECT_EQ(port.OpenDevice(image.Path() + L".missing", DeviceAccess::Read), nullptr);
}

}  // namespace
}  // namespace qn
