#include "boot/bcd_commands.h"

#include <gtest/gtest.h>

#include "boot/command_line_quoting.h"

namespace qn {
namespace {

const std::wstring kStore = L"C:\\Boot\\BCD";
const std::wstring kId = L"{3b1a7c2e-5d6f-11e9-8a4c-d8cb8a1f0001}";

TEST(BcdCommands, EveryFormOfTheVocabularyWithAndWithoutStore) {
    struct Case {
        std::wstring built;
        std::wstring expected;
    };
    const std::wstring B = L"C:\\Users\\a\\AppData\\Local\\Temp\\abcdefghi\\bcdedit.exe";
    const Case cases[] = {
        {EnumAllCommand(B, kStore), B + L" /store C:\\Boot\\BCD /enum all /v"},
        {EnumAllCommand(B, L""), B + L" /enum all /v"},
        {EnumOsLoaderCommand(B, kStore, true), B + L" /store C:\\Boot\\BCD /enum osloader /v"},
        {EnumOsLoaderCommand(B, kStore, false), B + L" /enum osloader /v"},
        {DeleteEntryCommand(kId), L"/delete " + kId + L" /f /cleanup"},
        {ExportStoreCommand(L"C:\\Boot\\BCD_20260102030405"),
         L"/export \"C:\\Boot\\BCD_20260102030405\""},
        {DisplayOrderAddLastCommand(kStore, kId),
         L"/store C:\\Boot\\BCD /displayorder " + kId + L" /addlast"},
        {DisplayOrderAddLastCommand(L"", kId), L"/displayorder " + kId + L" /addlast"},
        {DisplayOrderAddLastCommand(kStore, kNtldrId),
         L"/store C:\\Boot\\BCD /displayorder {ntldr} /addlast"},
        {SetDescriptionCommand(kStore, kId, L"Windows 7"),
         L"/store C:\\Boot\\BCD /set " + kId + L" description \"Windows 7\""},
        {SetDescriptionCommand(L"", kId, L"Windows 7"),
         L"/set " + kId + L" description \"Windows 7\""},
        {TimeoutCommand(kStore, L"30"), L"/store C:\\Boot\\BCD /timeout 30"},
        {TimeoutCommand(L"", L"3"), L"/timeout 3"},
        {DefaultCommand(kStore, kId), L"/store C:\\Boot\\BCD /default " + kId},
        {DefaultCommand(L"", kId), L"/default " + kId},
        {GraphicsResolutionCommand(kStore),
         L"/store C:\\Boot\\BCD /set {bootmgr} GraphicsResolution 1024x768"},
        {GraphicsResolutionCommand(L""), L"/set {bootmgr} GraphicsResolution 1024x768"},
        {CreateNtldrEntryCommand(kStore, L"Microsoft Windows XP Professional x86"),
         L"/store C:\\Boot\\BCD /create {ntldr} /d \"Microsoft Windows XP Professional x86\""},
        {SetNtldrPathCommand(kStore), L"/store C:\\Boot\\BCD /set {ntldr} path \\ntldr"},
        {SetNtldrDeviceCommand(kStore, L'E'),
         L"/store C:\\Boot\\BCD /set {ntldr} device partition=E:"},
        {SetNtldrLocaleCommand(kStore), L"/store C:\\Boot\\BCD /set {ntldr} locale zh-CN"},
        {DisplayOrderCommand(kStore, {L"{a}", L"{b}", L"{c}"}),
         L"/store C:\\Boot\\BCD /displayorder {a} {b} {c} "},
        {DisplayOrderCommand(L"", {L"{a}"}), L"/displayorder {a} "},
        {SetLocaleCommand(kStore, kId, L"zh-CN"),
         L"/store C:\\Boot\\BCD /set " + kId + L" locale \"zh-CN\""},
        {SetLocaleCommand(L"", kId, L"en-US"), L"/set " + kId + L" locale \"en-US\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.built, c.expected);
    }
}

// What CommandLineToArgvW and the C runtime make of a command line, for the checks below.
std::vector<std::wstring> ParseArguments(const std::wstring& line) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    arg += L'"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, L'\\');
                if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
                    arg += line[i++];
                }
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(BcdCommands, DescriptionsAndLocalesReachBcdeditAsExactlyOneArgument) {
    const std::wstring texts[] = {
        L"Windows 7", L"Win \"7\" x64",   L"ends in backslash\\",
        L"C:\\",      L"two\\\\\"quotes", L"\"",
        L"",          L"tab\there",       L"\u65d7\u8230\u7248 \\\"x\\\"",
    };
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        const auto description = ParseArguments(SetDescriptionCommand(kStore, kId, text));
        ASSERT_EQ(description.size(), 6u);
        EXPECT_EQ(description[5], text);
        const auto created = ParseArguments(CreateNtldrEntryCommand(L"", text));
        ASSERT_EQ(created.size(), 4u);
        EXPECT_EQ(created[3], text);
        const auto locale = ParseArguments(SetLocaleCommand(L"", kId, text));
        ASSERT_EQ(locale.size(), 4u);
        EXPECT_EQ(locale[3], text);
    }
}

TEST(BcdCommands, PathsWithBlanksStayOneArgumentPlainPathsStayUnquoted) {
    const std::wstring B = L"C:\\Users\\John Smith\\AppData\\Local\\Temp\\x\\bcdedit.exe";
    const std::wstring S = L"D:\\My Stores\\BCD";
    EXPECT_EQ(EnumAllCommand(B, S), L"\"" + B + L"\" /store \"D:\\My Stores\\BCD\" /enum all /v");
    EXPECT_EQ(ParseArguments(EnumOsLoaderCommand(B, S, true)),
              (std::vector<std::wstring>{B, L"/store", S, L"/enum", L"osloader", L"/v"}));
    EXPECT_EQ(ParseArguments(ExportStoreCommand(L"C:\\Users\\John Smith\\Desktop\\BCD_1")),
              (std::vector<std::wstring>{L"/export", L"C:\\Users\\John Smith\\Desktop\\BCD_1"}));
    EXPECT_EQ(ParseArguments(TimeoutCommand(L"", L"30 /f")),
              (std::vector<std::wstring>{L"/timeout", L"30 /f"}));
    // A store flag without a store reads nothing rather than the system store.
    EXPECT_EQ(EnumOsLoaderCommand(L"b.exe", L"", true), L"b.exe /store \"\" /enum osloader /v");
}

TEST(QuoteArgument, WindowsRules) {
    EXPECT_EQ(QuoteArgument(L"plain"), L"plain");
    EXPECT_EQ(QuoteArgument(L"plain", true), L"\"plain\"");
    EXPECT_EQ(QuoteArgument(L""), L"\"\"");
    EXPECT_EQ(QuoteArgument(L"a b"), L"\"a b\"");
    EXPECT_EQ(QuoteArgument(L"a\\b c"), L"\"a\\b c\"") << "backslashes alone stay";
    EXPECT_EQ(QuoteArgument(L"say \"hi\""), L"\"say \\\"hi\\\"\"");
    EXPECT_EQ(QuoteArgument(L"x\\\"y"), L"\"x\\\\\\\"y\"");
    EXPECT_EQ(QuoteArgument(L"C:\\dir\\", true), L"\"C:\\dir\\\\\"");
    EXPECT_EQ(QuoteArgument(L"C:\\dir\\"), L"C:\\dir\\") << "unquoted, a trailing \\ is plain";
}

}  // namespace
}  // namespace qn
