#include "boot/bcd_enum_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qn {
namespace {

using ::testing::ElementsAre;

TEST(BcdEnumText, WellKnownIdentifiersMatchInEitherWidthWithoutRegardToCase) {
    struct Case {
        std::string id;
        bool bootmgr, fwbootmgr;
    } cases[] = {
        {"{bootmgr}", true, false},
        {"{BootMgr}", true, false},
        {"{9DEA862C-5CDD-4E70-ACC1-F32B344D4795}", true, false},
        {"{fwbootmgr}", false, true},
        {"{a5a30fa2-3d06-4e9f-b5f4-a01df9d1fcba}", false, true},
        {"{current}", false, false},
        {"bootmgr", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        const std::wstring wide(c.id.begin(), c.id.end());
        EXPECT_EQ(IsBootmgrIdentifier(c.id), c.bootmgr) << c.id;
        EXPECT_EQ(IsBootmgrIdentifier(wide), c.bootmgr) << c.id;
        EXPECT_EQ(IsFwBootmgrIdentifier(c.id), c.fwbootmgr) << c.id;
        EXPECT_EQ(IsFwBootmgrIdentifier(wide), c.fwbootmgr) << c.id;
    }
}

TEST(BcdEnumText, BlocksAreTrimmedLinesBetweenBlankOnes) {
    const auto blocks = SplitBcdBlocks("\r\nTitle\r\n-----\r\n  identifier   {a}  \r\n   \r\nx\n");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_THAT(blocks[0], ElementsAre("Title", "-----", "identifier   {a}"));
    EXPECT_TRUE(IsBcdSection(blocks[0]));
    EXPECT_FALSE(IsBcdSection(blocks[1]));
    EXPECT_EQ(BcdWord(blocks[0][2], 0), "identifier");
    EXPECT_EQ(BcdWord(blocks[0][2], 1), "{a}");
    EXPECT_EQ(BcdWord(blocks[0][2], 2), "");
}

TEST(BcdEnumText, RestKeepsTheBlanksInsideAValue) {
    EXPECT_EQ(BcdRest("description             Windows  10"), "Windows  10");
    EXPECT_EQ(BcdRest("description"), "");
}

}  // namespace
}  // namespace qn
