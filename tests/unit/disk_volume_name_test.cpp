#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "disk/volume_name.h"

namespace qn {
namespace {

using namespace std::string_literals;

TEST(VolumeName, WellFormedNamesAndTheirDosDeviceNames) {
    const struct {
        std::wstring name;
        std::wstring dosDevice;  // empty: not a volume name
    } cases[] = {
        {L"\\\\?\\Volume{4c1b02c1-d990-11dc-99ae-806e6f6e6963}\\",
         L"Volume{4c1b02c1-d990-11dc-99ae-806e6f6e6963}"},
        {L"\\\\?\\X\\", L"X"},
        {L"\\\\?\\", L""},    // the prefix alone
        {L"\\\\?\\\\", L""},  // nothing between prefix and backslash
        {L"\\\\?\\Volume{x}", L""},
        {L"\\\\.\\Volume{x}\\", L""},
        {L"C:\\", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsVolumeName(c.name), !c.dosDevice.empty()) << c.name.size();
        EXPECT_EQ(DosDeviceNameOfVolume(c.name), c.dosDevice);
    }
}

TEST(VolumeName, OnlyDriveRootsNameALetter) {
    EXPECT_EQ(DriveLetterOfMountPath(L"F:\\"), 'F');
    EXPECT_EQ(DriveLetterOfMountPath(L"f:\\"), 'F');
    EXPECT_EQ(DriveLetterOfMountPath(L"C:\\mnt\\esp\\"), std::nullopt);
    EXPECT_EQ(DriveLetterOfMountPath(L"F:"), std::nullopt);
    EXPECT_EQ(DriveLetterOfMountPath(L"[:\\"), std::nullopt);
    EXPECT_EQ(DriveLetterOfMountPath(L"1:\\"), std::nullopt);
    EXPECT_EQ(DriveLetterOfMountPath(L""), std::nullopt);
}

TEST(VolumeName, SplitMultiString) {
    using List = std::vector<std::wstring>;
    EXPECT_EQ(SplitMultiString(L"C:\\\0D:\\mnt\\\0\0"s), (List{L"C:\\", L"D:\\mnt\\"}));
    EXPECT_EQ(SplitMultiString(L"\0"s), List{});
    EXPECT_EQ(SplitMultiString(L""), List{});
    // Cut short without its terminators.
    EXPECT_EQ(SplitMultiString(L"C:\\\0D:"s), (List{L"C:\\", L"D:"}));
    // What follows the empty entry is not part of the list.
    EXPECT_EQ(SplitMultiString(L"A\0\0B\0"s), List{L"A"});
}

}  // namespace
}  // namespace qn
