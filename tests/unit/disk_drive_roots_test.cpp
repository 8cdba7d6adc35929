#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disk/drive_roots.h"

namespace qn {
namespace {

using Roots = std::vector<std::string>;

TEST(DriveRoots, SplitsTheListUpToItsEnd) {
    const std::u16string list(u"C:\\\0D:\\\0Z:\\\0\0", 13);
    EXPECT_EQ(SplitDriveRoots(list), (Roots{"C:\\", "D:\\", "Z:\\"}));
}

TEST(DriveRoots, EmptyEntryEndsTheList) {
    // Whatever follows the double terminator is stale buffer content.
    const std::u16string list(u"C:\\\0\0E:\\\0", 9);
    EXPECT_EQ(SplitDriveRoots(list), (Roots{"C:\\"}));
    EXPECT_EQ(SplitDriveRoots(std::u16string(u"\0C:\\", 4)), Roots{});
    EXPECT_EQ(SplitDriveRoots(u""), Roots{});
}

TEST(DriveRoots, ListWithoutTerminatorsKeepsItsLastRoot) {
    EXPECT_EQ(SplitDriveRoots(u"C:\\"), (Roots{"C:\\"}));
    EXPECT_EQ(SplitDriveRoots(std::u16string(u"C:\\\0D:", 6)), (Roots{"C:\\", "D:"}));
}

TEST(DriveRoots, UnitsAreNarrowedToTheirLowByte) {
    const std::u16string list{char16_t{0x0143}, u':', u'\\', u'\0'};
    EXPECT_EQ(SplitDriveRoots(list), (Roots{"C:\\"}));
}

}  // namespace
}  // namespace qn
