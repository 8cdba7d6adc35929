#include "boot/bcd_enum_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fake/fake_code_page.h"

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

// ASCII is the same in every code page bcdedit writes, so only other bytes are handed to the
// conversion; a GBK description still comes out right.
TEST(BcdEnumText, OnlyValuesBeyondAsciiAreConverted) {
    class Counting : public fake::FakeCodePage {
    public:
        Counting() : FakeCodePage(936, 936) {}
        std::wstring ToWide(std::string_view text, CodePageKind kind) override {
            ++conversions;
            return FakeCodePage::ToWide(text, kind);
        }
        int conversions = 0;
    } codePage;
    EXPECT_EQ(BcdWide("{bootmgr}", codePage, CodePageKind::Oem), L"{bootmgr}");
    EXPECT_EQ(BcdWide("", codePage, CodePageKind::Oem), L"");
    EXPECT_EQ(codePage.conversions, 0);
    const std::string gbk = "Windows 7 \xc6\xec\xbd\xa2\xb0\xe6";  // 旗舰版
    EXPECT_EQ(BcdWide(gbk, codePage, CodePageKind::Oem), L"Windows 7 \u65d7\u8230\u7248");
    EXPECT_EQ(codePage.conversions, 1);
}

}  // namespace
}  // namespace qn
