#include "ui/attribute_values.h"

#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "ui/caption_shortcut.h"

namespace qn {
namespace {

TEST(UiAttributeValues, RectsAcceptBlanksAroundNumbersOnly) {
    struct Case {
        const wchar_t* text;
        std::optional<UiRect> expected;
    };
    const Case cases[] = {
        {L"10, 5, 40, 35", UiRect{10, 5, 40, 35}},
        {L"1,0,0,0", UiRect{1, 0, 0, 0}},
        {L" 409 , 5 ,479, 25 ", UiRect{409, 5, 479, 25}},
        {L"-3,0,3,0", UiRect{-3, 0, 3, 0}},
        {L"1,2,3", std::nullopt},
        {L"1,2,3,4,5", std::nullopt},
        {L"1,,3,4", std::nullopt},
        {L"1,2,3,x", std::nullopt},
        {L"", std::nullopt},
        {L"99999999999,0,0,0", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRect(c.text), c.expected) << c.text;
    }
}

TEST(UiAttributeValues, ColoursAreArgbWithOpaqueShortForm) {
    EXPECT_EQ(ParseColor(L"#FF404040"), 0xFF404040u);
    EXPECT_EQ(ParseColor(L"#fff5f5f5"), 0xFFF5F5F5u);
    EXPECT_EQ(ParseColor(L"#1E6FD9"), 0xFF1E6FD9u);
    EXPECT_EQ(ParseColor(L"#00000000"), 0u);
    for (const wchar_t* bad : {L"FF404040", L"#FF40404", L"#GG404040", L"#", L""}) {
        EXPECT_FALSE(ParseColor(bad)) << bad;
    }
}

TEST(UiAttributeValues, ImagesAsThePartsWriteThem) {
    const auto checked = ParseImageRef(L"file = 'checked.png' dest = '0, 2, 17, 19'");
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->file, L"checked.png");
    EXPECT_EQ(checked->dest, (UiRect{0, 2, 17, 19}));
    EXPECT_FALSE(checked->source);

    const auto plain = ParseImageRef(L"cb_e1.png");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->file, L"cb_e1.png");
    EXPECT_FALSE(plain->dest);

    const auto full =
        ParseImageRef(L"file=\"b.png\" source='0,0,24,24' corner='5,5,5,5' fade='128'");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->source, (UiRect{0, 0, 24, 24}));
    EXPECT_EQ(full->corner, (UiRect{5, 5, 5, 5}));
    EXPECT_EQ(full->fade, 128);

    for (const wchar_t* bad :
         {L"file='a.png' dest='1,2'", L"file='a.png", L"dest='0,0,1,1'", L"file='a.png' colour='1'",
          L"file 'a.png'", L"fade='300' file='a'", L""}) {
        EXPECT_FALSE(ParseImageRef(bad)) << bad;
    }
}

TEST(UiAttributeValues, ScalarsAndAttributeLists) {
    EXPECT_EQ(ParseInt(L" 538 "), 538);
    EXPECT_FALSE(ParseInt(L"12px"));
    EXPECT_EQ(ParseBool(L"true"), true);
    EXPECT_EQ(ParseBool(L"false"), false);
    EXPECT_FALSE(ParseBool(L"1"));
    ASSERT_TRUE(ParseSize(L"600, 398"));
    EXPECT_EQ(ParseSize(L"600, 398")->cy, 398);
    EXPECT_FALSE(ParseSize(L"600"));

    const auto list = ParseAttributeList(L"height=\"30\" align='center' text=\"a b\"");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[2].first, L"text");
    EXPECT_EQ((*list)[2].second, L"a b");
    EXPECT_FALSE(ParseAttributeList(L"height=30"));
    EXPECT_FALSE(ParseAttributeList(L"=\"1\""));
    EXPECT_TRUE(ParseAttributeList(L"  ")->empty());
}

TEST(UiCaptionShortcut, FindsTheFirstSingleLetterInParentheses) {
    EXPECT_EQ(CaptionShortcut(L"确定(Y)"), L'Y');
    EXPECT_EQ(CaptionShortcut(L"取消(c)"), L'C');
    EXPECT_EQ(CaptionShortcut(L"修复NT6引导-PBR(M)    (适用Windows Vista及以后版本操作系统)"),
              L'M');
    EXPECT_EQ(CaptionShortcut(L"ESP(本机请选择此项)"), 0);
    EXPECT_EQ(CaptionShortcut(L"NT引导修复"), 0);
    EXPECT_EQ(CaptionShortcut(L"("), 0);
}

TEST(UiUtf8Text, RoundTripsChineseAndReplacesBrokenBytes) {
    const std::string utf8 = "NT\xE5\xBC\x95\xE5\xAF\xBC\xE4\xBF\xAE\xE5\xA4\x8D";  // NT引导修复
    EXPECT_EQ(Utf8ToWide(utf8), L"NT引导修复");
    EXPECT_EQ(WideToUtf8(L"NT引导修复"), utf8);
    EXPECT_EQ(Utf8ToWide("a\xE5\xBC"), L"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xC0\x80"), L"\uFFFD");      // overlong NUL
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\uFFFD");  // a surrogate
    EXPECT_EQ(WideToUtf8(Utf8ToWide("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace qn
