#include <windows.h>

#include <gtest/gtest.h>

#include "boot/text_helpers.h"
#include "platform/win32/win32_code_page.h"

namespace qn {
namespace {

TEST(Win32CodePage, NumbersAreTheSystemsCodePages) {
    win32::Win32CodePage cp;
    EXPECT_EQ(cp.Number(CodePageKind::Ansi), GetACP());
    EXPECT_EQ(cp.Number(CodePageKind::Oem), GetOEMCP());
    EXPECT_NE(cp.Number(CodePageKind::ThreadAnsi), 0u);
}

TEST(Win32CodePage, AsciiRoundTripsAndEmptyStaysEmpty) {
    win32::Win32CodePage cp;
    EXPECT_EQ(cp.ToWide("bootmgr {9dea862c}", CodePageKind::Ansi), L"bootmgr {9dea862c}");
    EXPECT_EQ(cp.FromWide(L"identifier", CodePageKind::ThreadAnsi), "identifier");
    EXPECT_EQ(cp.ToWide("", CodePageKind::Oem), L"");
    EXPECT_EQ(ToNarrow(cp, L""), "");
}

TEST(Win32CodePage, OemTextOfTheSystemDecodes) {
    win32::Win32CodePage cp;
    // Whatever the prefix's OEM code page, a character it can hold comes back unchanged.
    const std::string oem = cp.FromWide(L"D\u00E9marrage", CodePageKind::Oem);
    ASSERT_FALSE(oem.empty());
    if (oem.find('?') == std::string::npos) {
        EXPECT_EQ(cp.ToWide(oem, CodePageKind::Oem), L"D\u00E9marrage");
    }
}

// Fixed code pages convert as that Windows would, whatever locale the process runs in: the
// simulated machine's tools write in its language's console code page.
TEST(Win32CodePage, FixedPagesConvertWhateverTheLocale) {
    win32::Win32CodePage chinese(936, 936);
    EXPECT_EQ(chinese.Number(CodePageKind::Oem), 936u);
    EXPECT_EQ(chinese.Number(CodePageKind::Ansi), 936u);
    const std::string gbk = "\xD2\xD1\xB3\xC9\xB9\xA6";  // 已成功
    EXPECT_EQ(chinese.ToWide(gbk, CodePageKind::Oem), L"已成功");
    EXPECT_EQ(chinese.FromWide(L"已成功", CodePageKind::Ansi), gbk);
    win32::Win32CodePage english(1252, 437);
    EXPECT_EQ(english.Number(CodePageKind::Oem), 437u);
    // What the console page cannot hold comes out as "?", as from a real English console.
    EXPECT_EQ(english.FromWide(L"Windows 7 旗舰版", CodePageKind::Oem), "Windows 7 ???");
}

}  // namespace
}  // namespace qn
