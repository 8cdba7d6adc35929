#include "sim/command_line_args.h"

#include <gtest/gtest.h>

#include "sim/glob_match.h"

namespace qn::sim {
namespace {

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        Args expected;
    };
    const Case cases[] = {
        {LR"(bcdedit /enum all /v)", {L"bcdedit", L"/enum", L"all", L"/v"}},
        {LR"("C:\Program Files\x\bcdedit.exe" /store F:\Boot\BCD)",
         {LR"(C:\Program Files\x\bcdedit.exe)", L"/store", LR"(F:\Boot\BCD)"}},
        // The program name takes no escapes; its backslashes stay.
        {LR"("C:\dir\\" a)", {LR"(C:\dir\\)", L"a"}},
        {LR"(p /set {x} description "Windows 7 Ultimate")",
         {L"p", L"/set", L"{x}", L"description", L"Windows 7 Ultimate"}},
        {LR"(p "a\"b")", {L"p", LR"(a"b)"}},
        {LR"(p "C:\dir\\")", {L"p", LR"(C:\dir\)"}},
        {LR"(p C:\dir\\ x)", {L"p", LR"(C:\dir\\)", L"x"}},
        {LR"(p "a""b")", {L"p", LR"(a"b)"}},
        {LR"(p "" x)", {L"p", L"", L"x"}},
        {L"p\ta   b\t", {L"p", L"a", L"b"}},
        {LR"(p a"b c"d)", {L"p", L"ab cd"}},
        {LR"(p \\\"x)", {L"p", LR"(\"x)"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << testing::PrintToString(c.line);
    }
    EXPECT_TRUE(SplitCommandLine(L"   ").empty());
    EXPECT_EQ(SplitArguments(LR"(/export "C:\Boot\BCD_2024")"),
              (Args{L"/export", LR"(C:\Boot\BCD_2024)"}));
}

TEST(GlobMatch, StarsQuestionMarksAndCase) {
    EXPECT_TRUE(GlobMatch(L"*", L""));
    EXPECT_TRUE(GlobMatch(L"e:\\windows*", L"E:\\Windows /s F: /f BIOS"));
    EXPECT_TRUE(GlobMatch(L"*/export*", L"/store F:\\Boot\\BCD /export x"));
    EXPECT_TRUE(GlobMatch(L"/nt6? C:*", L"/nt60 C: /mbr"));
    EXPECT_FALSE(GlobMatch(L"/nt52*", L"/nt60 C:"));
    EXPECT_FALSE(GlobMatch(L"a", L"ab"));
    EXPECT_TRUE(GlobMatch(L"a*b*c", L"aXbYbZc"));
}

}  // namespace
}  // namespace qn::sim
