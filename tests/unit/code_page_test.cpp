#include <gtest/gtest.h>

#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

TEST(FakeCodePage, GbkRoundTrip) {
    fake::FakeCodePage cp(936, 936);
    // "启动" in GBK.
    const std::string gbk = "\xC6\xF4\xB6\xAF";
    EXPECT_EQ(cp.ToWide(gbk, CodePageKind::Ansi), L"\u542F\u52A8");
    EXPECT_EQ(cp.FromWide(L"\u542F\u52A8", CodePageKind::ThreadAnsi), gbk);
}

TEST(FakeCodePage, OemAndAnsiDifferOnWesternSystems) {
    fake::FakeCodePage cp(1252, 850);
    // "é" is 0xE9 in 1252 and 0x82 in 850.
    EXPECT_EQ(cp.ToWide("\xE9", CodePageKind::Ansi), L"\u00E9");
    EXPECT_EQ(cp.ToWide("\x82", CodePageKind::Oem), L"\u00E9");
    EXPECT_EQ(cp.Number(CodePageKind::Oem), 850u);
}

TEST(FakeCodePage, UnconvertibleUnitsAreReplacedNotFatal) {
    fake::FakeCodePage cp(936, 936);
    // A lone lead byte at the end cannot be decoded.
    EXPECT_EQ(cp.ToWide("ab\xC6", CodePageKind::Ansi), L"ab\uFFFD");
    EXPECT_EQ(cp.FromWide(L"a\U0001F600b", CodePageKind::Ansi), "a?b");
    EXPECT_EQ(cp.ToWide("", CodePageKind::Ansi), L"");
}

}  // namespace
}  // namespace qn
