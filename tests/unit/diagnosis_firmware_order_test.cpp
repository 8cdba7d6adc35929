// The firmware's boot order read from bcdedit's enumeration of the system store, in every
// language the parser's fixtures are written in.
#include <gtest/gtest.h>

#include "diagnosis/firmware_boot_order.h"
#include "fixtures/bcd/bcd_samples.h"
#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

FirmwareBootOrder Parse(const std::string& text, unsigned codePage = 437) {
    fake::FakeCodePage pages(codePage, codePage);
    return ParseFirmwareBootOrder(text, pages, CodePageKind::Oem);
}

TEST(FirmwareBootOrder, TheOrderAndEachEntrysOwnSection) {
    const FirmwareBootOrder order = Parse(test::UefiStoreOutput(test::kEnglish));
    ASSERT_TRUE(order.found);
    ASSERT_EQ(order.entries.size(), 2u);
    EXPECT_EQ(order.entries[0].identifier, test::kBootmgrGuid);
    EXPECT_TRUE(order.entries[0].windows);
    EXPECT_EQ(order.entries[0].description, L"Windows Boot Manager");
    EXPECT_EQ(order.entries[0].path, L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi");
    EXPECT_EQ(order.entries[1].identifier, test::kUbuntuId);
    EXPECT_FALSE(order.entries[1].windows);
    EXPECT_EQ(order.entries[1].description, L"ubuntu");
    EXPECT_EQ(order.entries[1].device, L"partition=\\Device\\HarddiskVolume1");
    EXPECT_EQ(order.entries[1].path, L"\\EFI\\ubuntu\\shimx64.efi");
}

TEST(FirmwareBootOrder, LocalisedTitlesChangeNothing) {
    const FirmwareBootOrder english = Parse(test::UefiStoreOutput(test::kEnglish));
    for (const test::BcdLanguage* language :
         {&test::kChinese, &test::kGerman, &test::kFrench, &test::kSpanish, &test::kJapanese}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(language->bootManager)));
        const FirmwareBootOrder order =
            Parse(test::UefiStoreOutput(*language), language->consoleCodePage);
        ASSERT_TRUE(order.found);
        ASSERT_EQ(order.entries.size(), english.entries.size());
        for (std::size_t i = 0; i < order.entries.size(); ++i) {
            EXPECT_EQ(order.entries[i].identifier, english.entries[i].identifier);
            EXPECT_EQ(order.entries[i].description, english.entries[i].description);
            EXPECT_EQ(order.entries[i].path, english.entries[i].path);
            EXPECT_EQ(order.entries[i].windows, english.entries[i].windows);
        }
    }
}

TEST(FirmwareBootOrder, ShortFormsMissingSectionsAndNoFirmware) {
    // Without /v: aliases; an entry whose section is not shown keeps its identifier only.
    const std::string text =
        "Firmware Boot Manager\r\n---------------------\r\nidentifier              "
        "{fwbootmgr}\r\ndisplayorder            {6a1b2c3d-0000-4000-8000-000000000001}\r\n"
        "                        {bootmgr}\r\ntimeout                 2\r\n\r\n";
    const FirmwareBootOrder order = Parse(text);
    ASSERT_TRUE(order.found);
    ASSERT_EQ(order.entries.size(), 2u);
    EXPECT_FALSE(order.entries[0].windows);
    EXPECT_TRUE(order.entries[0].description.empty());
    EXPECT_TRUE(order.entries[1].windows);
    EXPECT_EQ(order.entries[1].description, L"Windows Boot Manager");
    // A BIOS machine's store, or an error: no firmware boot manager.
    EXPECT_FALSE(Parse("The boot configuration data store could not be opened.\r\n").found);
    EXPECT_FALSE(
        Parse(test::Encode(
                  test::RenderBcdOutput({test::UefiStore(test::kEnglish, L"Windows 10")[2]}), 437))
            .found);
    EXPECT_FALSE(Parse("").found);
}

// The one-time next boot: its entry is read from its own section, in the order or not.
TEST(FirmwareBootOrder, TheNextBootAndItsSection) {
    const std::string text =
        "Firmware Boot Manager\r\n---------------------\r\nidentifier              "
        "{fwbootmgr}\r\ndisplayorder            {bootmgr}\r\n"
        "bootsequence            {6a1b2c3d-0000-4000-8000-000000000002}\r\n"
        "timeout                 2\r\n\r\n"
        "Firmware Application (101fffff)\r\n-------------------------------\r\n"
        "identifier              {6a1b2c3d-0000-4000-8000-000000000002}\r\n"
        "device                  partition=S:\r\npath                    "
        "\\EFI\\ubuntu\\shimx64.efi\r\ndescription             ubuntu\r\n\r\n";
    const FirmwareBootOrder order = Parse(text);
    ASSERT_TRUE(order.found);
    ASSERT_EQ(order.entries.size(), 1u);
    EXPECT_TRUE(order.entries[0].windows);
    ASSERT_EQ(order.bootSequence.size(), 1u);
    EXPECT_EQ(order.bootSequence[0].description, L"ubuntu");
    EXPECT_EQ(order.bootSequence[0].device, L"partition=S:");
    EXPECT_EQ(order.bootSequence[0].path, L"\\EFI\\ubuntu\\shimx64.efi");
    EXPECT_FALSE(order.bootSequence[0].windows);
    // Without one, and a sequence of Windows Boot Manager alone.
    EXPECT_TRUE(Parse(test::UefiStoreOutput(test::kEnglish)).bootSequence.empty());
    const FirmwareBootOrder windows = Parse(
        "Firmware Boot Manager\r\n---\r\nidentifier {fwbootmgr}\r\nbootsequence {bootmgr}\r\n");
    ASSERT_EQ(windows.bootSequence.size(), 1u);
    EXPECT_TRUE(windows.bootSequence[0].windows);
    EXPECT_TRUE(windows.entries.empty());
}

TEST(FirmwareBootOrder, AnotherLoaderAtWindowsPathCountsAsWindows) {
    // An entry that starts bootmgfw.efi is Windows Boot Manager whatever its identifier.
    const std::string text =
        "Firmware Boot Manager\r\n---------------------\r\nidentifier {fwbootmgr}\r\n"
        "displayorder {6a1b2c3d-0000-4000-8000-000000000002}\r\n\r\nFirmware Application "
        "(101fffff)\r\n-------------------------------\r\nidentifier "
        "{6a1b2c3d-0000-4000-8000-000000000002}\r\npath \\EFI\\MICROSOFT\\BOOT\\BOOTMGFW.EFI\r\n"
        "description  Windows Boot Manager (USB)\r\n";
    const FirmwareBootOrder order = Parse(text);
    ASSERT_EQ(order.entries.size(), 1u);
    EXPECT_TRUE(order.entries[0].windows);
    EXPECT_EQ(order.entries[0].description, L"Windows Boot Manager (USB)");
}

}  // namespace
}  // namespace qn
