#include "boot/boot_ini_reader.h"

#include <gtest/gtest.h>

#include "boot/fake/fake_profile_file.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

const std::wstring kPath = L"C:\\boot.ini";

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class BootIniReaderTest : public ::testing::Test {
protected:
    BootIniReaderTest() {
        for (std::uint32_t i = 1; i <= 8; ++i) {
            random_.ScriptGuid(Guid{i, 0, 0, {}});
        }
    }
    BcdListing Read(const std::string& bytes) {
        files_.AddFile(kPath, Bytes(bytes));
        return ReadBootIni(profile_, random_, kPath);
    }
    static std::wstring Id(std::uint32_t n) {
        wchar_t buffer[64];
        swprintf(buffer, 64, L"{%08X-0000-0000-0000-000000000000}", n);
        return buffer;
    }

    fake::FakeFileSystem files_;
    fake::FakeCodePage codePage_{936, 936};
    fake::FakeProfileFile profile_{files_, codePage_};
    fake::FakeRandomSource random_;
};

TEST_F(BootIniReaderTest, TypicalFileMapsEveryMenuLineAndMarksTheDefault) {
    const BcdListing listing = Read(
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" "
        "/noexecute=optin /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Windows Server 2003\" /fastdetect\r\n"
        "C:\\CMDCONS\\BOOTSECT.DAT=\"Microsoft Windows Recovery Console\" /cmdcons\r\n");
    EXPECT_EQ(listing.FromBcd, 0);
    EXPECT_EQ(listing.bootManager.identifier, L"");
    EXPECT_EQ(listing.bootManager.timeout, L"30");
    ASSERT_EQ(listing.entries.size(), 3u);
    EXPECT_EQ(listing.bootManager.displayorder, (std::vector<std::wstring>{Id(1), Id(2), Id(3)}));
    EXPECT_EQ(listing.bootManager.defaultId, Id(1));
    const BootEntry& xp = listing.entries[0];
    EXPECT_EQ(xp.identifier, Id(1));
    EXPECT_EQ(xp.device, L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS");
    EXPECT_EQ(xp.path, L"");
    EXPECT_EQ(xp.locale, L"");
    EXPECT_EQ(xp.description, L"Microsoft Windows XP Professional");
    EXPECT_EQ(xp.osdevice, L"\"Microsoft Windows XP Professional\" /noexecute=optin /fastdetect");
    EXPECT_TRUE(xp.isDefault);
    EXPECT_FALSE(listing.entries[1].isDefault);
    EXPECT_EQ(listing.entries[2].device, L"C:\\CMDCONS\\BOOTSECT.DAT");
    EXPECT_EQ(listing.entries[2].description, L"Microsoft Windows Recovery Console");
}

TEST_F(BootIniReaderTest, MissingFileAndMissingKeys) {
    const BcdListing missing = ReadBootIni(profile_, random_, L"C:\\nothere.ini");
    EXPECT_EQ(missing.bootManager.timeout, L"3");
    EXPECT_TRUE(missing.entries.empty());
    EXPECT_EQ(missing.bootManager.defaultId, L"");

    const BcdListing noKeys = Read("[operating systems]\r\nmulti(0)x=\"A\"\r\n");
    EXPECT_EQ(noKeys.bootManager.timeout, L"3");
    ASSERT_EQ(noKeys.entries.size(), 1u);
    EXPECT_FALSE(noKeys.entries[0].isDefault);
    EXPECT_EQ(noKeys.bootManager.defaultId, L"");
}

TEST_F(BootIniReaderTest, DuplicateArcPathsAreTwoEntriesBothDefaultTheLastWinning) {
    const BcdListing listing = Read(
        "[boot loader]\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"First\"\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Second\" /fastdetect\r\n");
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_TRUE(listing.entries[0].isDefault);
    EXPECT_TRUE(listing.entries[1].isDefault);
    EXPECT_EQ(listing.bootManager.defaultId, listing.entries[1].identifier);
    EXPECT_NE(listing.entries[0].identifier, listing.entries[1].identifier);
}

TEST_F(BootIniReaderTest, MenuTextOfUnusualValues) {
    struct Case {
        const wchar_t* line;
        const wchar_t* description;
        const wchar_t* osdevice;
    };
    const Case cases[] = {
        {L"multi(0)x=no quotes here /fastdetect", L"no quotes here /fastdetect",
         L"no quotes here /fastdetect"},
        {L"multi(0)x=abc\"", L"bc", L"abc\""},
        {L"multi(0)x=\"", L"", L"\""},
        {L"multi(0)x=  \t\"Tabbed\"  \t", L"Tabbed", L"\"Tabbed\""},
        {L"multi(0)x=", L"", L""},
        {L"multi(0)x=\"a=b\" /x", L"a=b", L"\"a=b\" /x"},
        {L" key with blanks =\"v\"", L"v", L"\"v\""},
    };
    for (const Case& c : cases) {
        const auto entry = BootEntryFromIniLine(c.line, L"{id}");
        ASSERT_TRUE(entry.has_value()) << testing::PrintToString(std::wstring(c.line));
        EXPECT_EQ(entry->description, c.description);
        EXPECT_EQ(entry->osdevice, c.osdevice);
    }
    EXPECT_EQ(BootEntryFromIniLine(L" key with blanks =\"v\"", L"{id}")->device,
              L" key with blanks ");
    EXPECT_FALSE(BootEntryFromIniLine(L"", L"{id}").has_value());
    EXPECT_FALSE(BootEntryFromIniLine(L"no equals sign", L"{id}").has_value());
}

TEST_F(BootIniReaderTest, BareLinesAreSkippedAndLongLinesLeftOut) {
    const std::string longName(4000, 'n');
    const std::string almost = "multi(0)a=\"" + std::string(4095 - 12, 'a') + "\"";
    const std::string tooLong = "multi(0)b=\"" + std::string(4096 - 12, 'b') + "\"";
    ASSERT_EQ(almost.size(), 4095u);
    ASSERT_EQ(tooLong.size(), 4096u);
    const BcdListing listing = Read("[operating systems]\r\njust words\r\n" + almost + "\r\n" +
                                    tooLong + "\r\nmulti(0)c=\"C\"\r\n");
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].device, L"multi(0)a");
    EXPECT_EQ(listing.entries[1].device, L"multi(0)c");
    EXPECT_EQ(listing.bootManager.displayorder.size(), 2u);
}

TEST_F(BootIniReaderTest, OverlongTimeoutAndDefaultAreCut) {
    const std::string arc = "multi(0)" + std::string(300, 'p');
    const BcdListing listing =
        Read("[boot loader]\r\ntimeout=" + std::string(300, '9') + "\r\ndefault=" + arc +
             "\r\n[operating systems]\r\n" + arc + "=\"X\"\r\n");
    EXPECT_EQ(listing.bootManager.timeout.size(), 259u);
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_FALSE(listing.entries[0].isDefault) << "the cut default names no line";
}

TEST_F(BootIniReaderTest, ChineseMenuTextInTheAnsiCodePage) {
    // "Windows XP 专业版" in GBK.
    const BcdListing listing =
        Read("[operating systems]\r\nmulti(0)x=\"Windows XP \xd7\xa8\xd2\xb5\xb0\xe6\"\r\n");
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].description, L"Windows XP \u4e13\u4e1a\u7248");
}

TEST_F(BootIniReaderTest, IdentifiersStayDistinctWhenTheGuidSourceFails) {
    fake::FakeRandomSource zeros;  // hands out the all-zero GUID every time
    files_.AddFile(kPath, Bytes("[operating systems]\r\na=\"1\"\r\nb=\"2\"\r\nc=\"3\"\r\n"));
    const BcdListing listing = ReadBootIni(profile_, zeros, kPath);
    ASSERT_EQ(listing.entries.size(), 3u);
    EXPECT_NE(listing.entries[0].identifier, listing.entries[1].identifier);
    EXPECT_NE(listing.entries[1].identifier, listing.entries[2].identifier);
    EXPECT_NE(listing.entries[0].identifier, listing.entries[2].identifier);
}

}  // namespace
}  // namespace qn
