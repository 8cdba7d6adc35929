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

}  // namespace
}  // namespace qn
