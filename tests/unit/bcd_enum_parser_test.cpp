#include "boot/bcd_enum_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "fixtures/bcd/bcd_samples.h"
#include "platform/fake/fake_code_page.h"

namespace qn {

// Listings compare field by field so a failure names what differs.
bool operator==(const BootEntry& a, const BootEntry& b) {
    return a.identifier == b.identifier && a.device == b.device && a.path == b.path &&
           a.description == b.description && a.locale == b.locale && a.osdevice == b.osdevice &&
           a.isDefault == b.isDefault;
}
void PrintTo(const BootEntry& e, std::ostream* os) {
    *os << testing::PrintToString(e.identifier) << " " << testing::PrintToString(e.device) << " "
        << testing::PrintToString(e.path) << " " << testing::PrintToString(e.description) << " "
        << testing::PrintToString(e.locale) << " " << testing::PrintToString(e.osdevice);
}

namespace {

using test::BcdSection;

BcdListing Parse(const std::string& text, unsigned ansi = 936, unsigned oem = 936,
                 CodePageKind kind = CodePageKind::Oem) {
    fake::FakeCodePage codePage(ansi, oem);
    BcdListing listing;
    ParseBcdEnum(listing, text, codePage, kind);
    return listing;
}

std::string English(const std::vector<BcdSection>& sections) {
    return test::Encode(test::RenderBcdOutput(sections), 437);
}

TEST(ParseBcdEnum, EnglishUefiStoreGivesBootManagerAndLoadersWithoutFirmwareSections) {
    const BcdListing listing = Parse(test::UefiStoreOutput(test::kEnglish));
    EXPECT_EQ(listing.FromBcd, 0) << "the caller sets it";
    EXPECT_EQ(listing.bootManager.identifier, test::kBootmgrGuid);
    EXPECT_EQ(listing.bootManager.defaultId, test::kWin10Id);
    EXPECT_EQ(listing.bootManager.timeout, L"30");
    EXPECT_EQ(listing.bootManager.displayorder,
              (std::vector<std::wstring>{test::kWin10Id, test::kWin7Id, test::kNtldrGuid}));
    const std::vector<BootEntry> expected{
        {test::kWin10Id, L"partition=C:", L"\\Windows\\system32\\winload.efi", L"Windows 10",
         L"zh-CN", L"partition=C:", false},
        {test::kWin7Id, L"partition=D:", L"\\Windows\\system32\\winload.efi", L"Windows 7 Ultimate",
         L"en-US", L"partition=D:", false},
        {test::kNtldrGuid, L"partition=E:", L"\\ntldr", L"Earlier Version of Windows", L"", L"",
         false},
        {test::kMemtestId, L"partition=\\Device\\HarddiskVolume1",
         L"\\EFI\\Microsoft\\Boot\\memtest.efi", L"Windows Memory Diagnostic", L"zh-CN", L"",
         false},
    };
    EXPECT_EQ(listing.entries, expected);
}

// Localised bcdedit translates titles and the identifier's name; the listing must not change.
TEST(ParseBcdEnum, LocalisedOutputGivesTheListingOfTheEnglishOne) {
    const BcdListing english = Parse(test::UefiStoreOutput(test::kEnglish));
    for (const test::BcdLanguage* language :
         {&test::kChinese, &test::kGerman, &test::kFrench, &test::kSpanish, &test::kJapanese}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language->bootManager)));
        const unsigned cp = language->consoleCodePage;
        const BcdListing listing = Parse(test::UefiStoreOutput(*language), cp, cp);
        EXPECT_EQ(listing.bootManager.identifier, english.bootManager.identifier);
        EXPECT_EQ(listing.bootManager.defaultId, english.bootManager.defaultId);
        EXPECT_EQ(listing.bootManager.displayorder, english.bootManager.displayorder);
        EXPECT_EQ(listing.bootManager.timeout, english.bootManager.timeout);
        EXPECT_EQ(listing.entries, english.entries);
    }
}

TEST(ParseBcdEnum, ChineseIdentifierNameInGbkBytesInLoaderAndBootManagerSections) {
    // 标识符 and 启动管理器 / 启动加载器 exactly as GBK encodes them.
    const std::string text =
        "\r\nWindows \xc6\xf4\xb6\xaf\xb9\xdc\xc0\xed\xc6\xf7\r\n"
        "--------------------\r\n"
        "\xb1\xea\xca\xb6\xb7\xfb                  {bootmgr}\r\n"
        "default                 {current}\r\n"
        "displayorder            {current}\r\n"
        "timeout                 5\r\n"
        "\r\nWindows \xc6\xf4\xb6\xaf\xbc\xd3\xd4\xd8\xc6\xf7\r\n"
        "-------------------\r\n"
        "\xb1\xea\xca\xb6\xb7\xfb                  {current}\r\n"
        "device                  partition=C:\r\n"
        "path                    \\Windows\\system32\\winload.exe\r\n"
        "description             Windows 7 \xc6\xec\xbd\xa2\xb0\xe6\r\n"  // 旗舰版
        "osdevice                partition=C:\r\n";
    ASSERT_EQ(test::Encode(L"\u6807\u8bc6\u7b26", 936), "\xb1\xea\xca\xb6\xb7\xfb");
    const BcdListing listing = Parse(text);
    EXPECT_EQ(listing.bootManager.identifier, L"{bootmgr}");
    EXPECT_EQ(listing.bootManager.defaultId, L"{current}");
    EXPECT_EQ(listing.bootManager.timeout, L"5");
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].identifier, L"{current}");
    EXPECT_EQ(listing.entries[0].description, L"Windows 7 \u65d7\u8230\u7248");
}

TEST(ParseBcdEnum, WithoutVerboseTheWellKnownNamesTellTheSectionsApart) {
    const std::string text = test::Encode(
        test::RenderBcdOutput({{L"\u56fa\u4ef6\u542f\u52a8\u7ba1\u7406\u5668",
                                {{L"\u6807\u8bc6\u7b26", {L"{fwbootmgr}"}},
                                 {L"displayorder", {L"{bootmgr}"}},
                                 {L"timeout", {L"1"}}}},
                               {L"Windows \u542f\u52a8\u7ba1\u7406\u5668",
                                {{L"\u6807\u8bc6\u7b26", {L"{BOOTMGR}"}}, {L"timeout", {L"7"}}}}}),
        936);
    const BcdListing listing = Parse(text);
    EXPECT_EQ(listing.bootManager.identifier, L"{BOOTMGR}");
    EXPECT_EQ(listing.bootManager.timeout, L"7") << "the firmware manager's timeout is not ours";
    EXPECT_TRUE(listing.bootManager.displayorder.empty());
}

TEST(ParseBcdEnum, DisplayOrderContinuesOnlyOnDirectlyFollowingIdentifierLines) {
    const BcdListing listing = Parse(English({{L"Windows Boot Manager",
                                               {{L"identifier", {L"{bootmgr}"}},
                                                {L"displayorder", {L"{a}", L"{b}", L"{c}"}},
                                                {L"toolsdisplayorder", {L"{memdiag}", L"{d}"}},
                                                {L"timeout", {L"30"}}}}}));
    EXPECT_EQ(listing.bootManager.displayorder,
              (std::vector<std::wstring>{L"{a}", L"{b}", L"{c}"}));
    EXPECT_EQ(listing.bootManager.timeout, L"30");

    const std::string broken =
        "Windows Boot Manager\r\n---\r\nidentifier {bootmgr}\r\ndisplayorder {a}\r\n"
        "not-an-id\r\n{b}\r\n";
    EXPECT_EQ(Parse(broken).bootManager.displayorder, std::vector<std::wstring>{L"{a}"});
    const std::string atEnd = "Windows Boot Manager\r\n---\r\ndisplayorder {a}\r\n  {b}  ";
    EXPECT_EQ(Parse(atEnd).bootManager.displayorder, (std::vector<std::wstring>{L"{a}", L"{b}"}));
}

// The one-time boot sequence is a list of its own, continued as the display order is; neither
// takes the other's continuation lines.
TEST(ParseBcdEnum, TheBootSequenceIsAListOfItsOwn) {
    const BcdListing listing = Parse(English({{L"Windows Boot Manager",
                                               {{L"identifier", {L"{bootmgr}"}},
                                                {L"displayorder", {L"{a}", L"{b}"}},
                                                {L"bootsequence", {L"{c}", L"{d}"}},
                                                {L"timeout", {L"30"}}}}}));
    EXPECT_EQ(listing.bootManager.displayorder, (std::vector<std::wstring>{L"{a}", L"{b}"}));
    EXPECT_EQ(listing.bootManager.bootsequence, (std::vector<std::wstring>{L"{c}", L"{d}"}));
    EXPECT_TRUE(Parse(English({{L"Windows Boot Manager",
                                {{L"identifier", {L"{bootmgr}"}}, {L"displayorder", {L"{a}"}}}}}))
                    .bootManager.bootsequence.empty());
    const std::string brokenOff =
        "Windows Boot Manager\r\n---\r\nidentifier {bootmgr}\r\nbootsequence {a}\r\n"
        "default {b}\r\n{c}\r\n";
    const BcdListing broken = Parse(brokenOff);
    EXPECT_EQ(broken.bootManager.bootsequence, std::vector<std::wstring>{L"{a}"});
    EXPECT_EQ(broken.bootManager.defaultId, L"{b}");
    EXPECT_TRUE(broken.bootManager.displayorder.empty());
    // A sequence without a value gives an empty identifier, never a crash.
    EXPECT_EQ(Parse("Windows Boot Manager\r\n---\r\nidentifier {bootmgr}\r\nbootsequence\r\n")
                  .bootManager.bootsequence,
              std::vector<std::wstring>{L""});
}

TEST(ParseBcdEnum, BlocksThatAreNotSectionsAreSkipped) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"blank lines only", "\r\n\r\n  \r\n"},
        {"two lines", "Windows Boot Loader\r\n-------------------\r\n"},
        {"no dash line",
         "Windows Boot Loader\r\nidentifier {x}\r\ndevice partition=C:\r\npath \\w\r\n"
         "description W\r\n"},
        {"error text",
         "The boot configuration data store could not be opened.\r\n"
         "The system cannot find the file specified.\r\n"},
        {"Firmware in an English title",
         "My Firmware Thing\r\n---\r\nidentifier {x}\r\ndevice partition=C:\r\npath \\w\r\n"
         "description W\r\n"},
        {"firmware application of any language",
         "\xb9\xcc\xbc\xfe\xd3\xa6\xd3\xc3\xb3\xcc\xd0\xf2(101fffff)\r\n---\r\nidentifier {x}\r\n"
         "device partition=C:\r\npath \\w\r\ndescription W\r\n"},
    };
    for (const Case& c : cases) {
        const BcdListing listing = Parse(c.text);
        EXPECT_TRUE(listing.entries.empty()) << c.name;
        EXPECT_TRUE(listing.bootManager.identifier.empty()) << c.name;
    }
}

TEST(ParseBcdEnum, LoaderValuesDescriptionsAndDroppedEntries) {
    const BcdListing listing = Parse(English({
        {L"Windows Boot Loader",
         {{L"identifier", {L"{a}"}},
          {L"device", {L"partition=C:"}},
          {L"path", {L"\\Windows\\system 32\\winload.exe"}},
          {L"description", {L"Windows 7   Ultimate  "}},
          {L"locale", {L"zh-CN"}},
          {L"locale", {L"en-US"}}}},
        {L"Windows Boot Loader",
         {{L"identifier", {L"{no-description}"}},
          {L"device", {L"partition=C:"}},
          {L"path", {L"\\w"}},
          {L"description", {}}}},
        {L"Windows Boot Loader",
         {{L"identifier", {L"{no-path}"}},
          {L"device", {L"partition=C:"}},
          {L"description", {L"x"}}}},
        {L"Windows Boot Loader",
         {{L"device", {L"partition=F:"}}, {L"path", {L"\\w"}}, {L"description", {L"no id"}}}},
    }));
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].description, L"Windows 7   Ultimate");
    EXPECT_EQ(listing.entries[0].path, L"\\Windows\\system") << "values end at their first blank";
    EXPECT_EQ(listing.entries[0].locale, L"en-US") << "the last of two wins";
    EXPECT_EQ(listing.entries[1].identifier, L"") << "no identifier is needed";
    EXPECT_EQ(listing.entries[1].description, L"no id");
}

TEST(ParseBcdEnum, FirstElementIsTheIdentifierOnlyWhenItIsOne) {
    // A localised name for the identifier is taken by its place; an element in that place that
    // holds no identifier is not.
    const BcdListing listing = Parse(English({
        {L"Chargeur",
         {{L"identificateur", {L"{x}"}},
          {L"device", {L"partition=C:"}},
          {L"path", {L"\\w"}},
          {L"description", {L"a"}}}},
        {L"Chargeur",
         {{L"device", {L"partition=C:"}}, {L"path", {L"\\w"}}, {L"description", {L"b"}}}},
    }));
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].identifier, L"{x}");
    EXPECT_EQ(listing.entries[1].identifier, L"");
}

TEST(ParseBcdEnum, ValuesAreDecodedInTheCodePageTheToolWroteIn) {
    // A Western system: bcdedit writes its redirected output in the OEM page 850, where é is
    // 0x82; read as the ANSI page 1252 that byte is a low quotation mark.
    const std::wstring description = L"D\u00e9marrage rapide";
    const std::string text =
        test::Encode(test::RenderBcdOutput({{L"Chargeur de d\u00e9marrage Windows",
                                             {{L"identificateur", {L"{x}"}},
                                              {L"device", {L"partition=C:"}},
                                              {L"path", {L"\\w"}},
                                              {L"description", {description}}}}}),
                     850);
    ASSERT_NE(text.find("D\x82marrage"), std::string::npos);
    const BcdListing oem = Parse(text, 1252, 850, CodePageKind::Oem);
    ASSERT_EQ(oem.entries.size(), 1u);
    EXPECT_EQ(oem.entries[0].description, description);
    const BcdListing ansi = Parse(text, 1252, 850, CodePageKind::Ansi);
    ASSERT_EQ(ansi.entries.size(), 1u);
    EXPECT_NE(ansi.entries[0].description, description);
}

TEST(ParseBcdEnum, LineFeedsAloneStillSeparateLines) {
    std::string text = test::UefiStoreOutput(test::kEnglish);
    std::string unix;
    for (char c : text) {
        if (c != '\r') {
            unix += c;
        }
    }
    const BcdListing crlf = Parse(text);
    const BcdListing lf = Parse(unix);
    EXPECT_EQ(lf.entries, crlf.entries);
    EXPECT_EQ(lf.bootManager.displayorder, crlf.bootManager.displayorder);
}

}  // namespace
}  // namespace qn
