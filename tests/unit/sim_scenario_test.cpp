#include "sim/scenario_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace qn::sim {
namespace {

Scenario Read(const std::string& xml) {
    auto result = ReadScenario(xml);
    if (auto* error = std::get_if<ScenarioError>(&result)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Scenario>(result);
}

std::string ErrorOf(const std::string& xml) {
    auto result = ReadScenario(xml);
    auto* error = std::get_if<ScenarioError>(&result);
    return error ? error->message : std::string("(no error)");
}

TEST(ScenarioReader, TheDemoMachine) {
    std::ifstream file(QN_SOURCE_DIR "/sim/scenarios/demo.xml", std::ios::binary);
    ASSERT_TRUE(file) << "demo scenario missing";
    std::stringstream text;
    text << file.rdbuf();
    const Scenario s = Read(text.str());
    ASSERT_EQ(s.disks.size(), 2u);
    const ScenarioDisk& mbr = s.disks[0];
    EXPECT_EQ(mbr.style, PartitionStyle::Mbr);
    EXPECT_EQ(mbr.size, 500ull << 30);
    ASSERT_EQ(mbr.partitions.size(), 3u);
    EXPECT_TRUE(mbr.partitions[0].active);
    EXPECT_EQ(mbr.partitions[0].letter, 0);
    EXPECT_EQ(mbr.partitions[0].label, L"System Reserved");
    EXPECT_EQ(mbr.partitions[0].files, (std::vector<std::wstring>{L"\\bootmgr"}));
    ASSERT_EQ(mbr.partitions[0].stores.size(), 1u);
    EXPECT_EQ(mbr.partitions[0].stores[0].path, L"\\Boot\\BCD");
    EXPECT_EQ(mbr.partitions[0].bootCode, BootRecordCode::Ntldr);
    ASSERT_TRUE(mbr.partitions[2].bootIni);
    EXPECT_EQ(mbr.partitions[2].bootIni->lines.size(), 1u);
    EXPECT_EQ(s.firmware, Firmware::Bios);
    EXPECT_EQ(s.language, ToolLanguage::ZhCn);
    ASSERT_TRUE(mbr.partitions[1].install);
    EXPECT_TRUE(mbr.partitions[1].install->running);
    EXPECT_EQ(mbr.partitions[2].install->currentVersion, L"5.1");
    EXPECT_FALSE(mbr.partitions[2].install->x64);
    const ScenarioDisk& gpt = s.disks[1];
    EXPECT_EQ(gpt.style, PartitionStyle::Gpt);
    EXPECT_EQ(gpt.partitions[0].gptType, kEfiSystemPartitionType);
    EXPECT_EQ(gpt.partitions[2].letter, 'E');
    EXPECT_EQ(gpt.partitions[0].stores[0].path, L"\\EFI\\Microsoft\\Boot\\BCD");
}

TEST(ScenarioReader, BootState) {
    const Scenario s = Read(
        "<machine firmware='uefi' language='DE-de' systempartition='0:1' bootdisk='0' "
        "tools='bcdedit'>"
        "<disk number='0' style='mbr' size='100G' mbr='grub'>"
        "<partition offset='1M' length='100M' type='0xEF' fs='FAT32' free='1M' pbr='none' "
        "lockfails='true'>"
        "<file path='\\EFI\\Boot\\bootx64.efi' image='grub'/>"
        "<bcd><bootmgr default='w' displayorder='w {ntldr}'/><ntldr device='missing' "
        "path='\\ntldr' description='XP'/>"
        "<osloader name='w' id='{0C8A7D3E-2B1F-4E55-9A61-3F0E7B2C4D19}' device='0:2' "
        "osdevice='self' nx='alwaysoff'/></bcd>"
        "<bootini timeout='5' default='multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS'>"
        "<os arc='multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS' text='XP' switches='/fastdetect'/>"
        "</bootini></partition>"
        "<partition offset='1G' length='10G' letter='C' spanned='true'>"
        "<windows version='6.1' bootfiles='false'/></partition></disk>"
        "<bootentry description='ubuntu' partition='0:1' path='\\EFI\\ubuntu\\shimx64.efi'/>"
        "<fail tool='bcdboot' args='C:*' exit='0xC0000001' message='no' times='0'/>"
        "</machine>");
    EXPECT_EQ(s.firmware, Firmware::Uefi);
    EXPECT_EQ(s.language, ToolLanguage::DeDe);
    ASSERT_TRUE(s.systemPartition);
    EXPECT_EQ(s.systemPartition->position, 1);
    EXPECT_EQ(s.biosBootDisk, 0u);
    EXPECT_EQ(s.systemTools, std::vector<std::wstring>{L"bcdedit"});
    const ScenarioDisk& disk = s.disks.at(0);
    EXPECT_EQ(disk.mbrCode, MbrCode::Grub);
    const ScenarioPartition& esp = disk.partitions.at(0);
    EXPECT_EQ(esp.freeBytes, 1u << 20);
    EXPECT_EQ(esp.bootCode, BootRecordCode::None);
    EXPECT_TRUE(esp.lockFails);
    EXPECT_EQ(esp.fileImages.at(L"\\EFI\\Boot\\bootx64.efi"), FileImage::Grub);
    EXPECT_EQ(esp.stores.at(0).path, L"\\EFI\\Microsoft\\Boot\\BCD") << "an MBR ESP too";
    EXPECT_EQ(esp.stores.at(0).objects.size(), 3u);
    EXPECT_EQ(esp.bootIni->timeout, L"5");
    EXPECT_EQ(esp.bootIni->lines.at(0).switches, L"/fastdetect");
    EXPECT_TRUE(disk.partitions.at(1).spanned);
    EXPECT_FALSE(disk.partitions.at(1).install->bootFiles);
    ASSERT_EQ(s.firmwareEntries.size(), 1u);
    EXPECT_EQ(s.firmwareEntries[0].path, L"\\EFI\\ubuntu\\shimx64.efi");
    ASSERT_EQ(s.failures.size(), 1u);
    EXPECT_EQ(s.failures[0].exitCode, 0xC0000001ul);
    EXPECT_EQ(s.failures[0].times, 0);
}

TEST(ScenarioReader, EveryScenarioFileLoads) {
    int files = 0;
    for (const char* folder :
         {QN_SOURCE_DIR "/sim/scenarios", QN_SOURCE_DIR "/tests/gui/scenarios"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() != ".xml") {
                continue;
            }
            ++files;
            std::ifstream file(entry.path(), std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            const auto result = ReadScenario(text.str());
            const auto* error = std::get_if<ScenarioError>(&result);
            EXPECT_EQ(error, nullptr) << entry.path() << ": " << error->message;
        }
    }
    EXPECT_GE(files, 20);
}

TEST(ScenarioReader, SizesGuidsAndUtf8Labels) {
    const Scenario s = Read(
        "<machine winpe='true'><disk number='3' style='gpt' size='2T'>"
        "<partition offset='1K' length='4096' gpttype='{C12A7328-F81F-11D2-BA4B-00A0C93EC93B}'"
        " letter='s' label='\xE7\xB3\xBB\xE7\xBB\x9F'/></disk></machine>");
    EXPECT_TRUE(s.winPE);
    ASSERT_EQ(s.disks.size(), 1u);
    EXPECT_EQ(s.disks[0].size, 2ull << 40);
    const ScenarioPartition& p = s.disks[0].partitions[0];
    EXPECT_EQ(p.offset, 1024);
    EXPECT_EQ(p.length, 4096);
    EXPECT_EQ(p.gptType, kEfiSystemPartitionType);
    EXPECT_EQ(p.letter, 'S');
    EXPECT_EQ(p.label, L"\u7CFB\u7EDF");
}

TEST(ScenarioReader, MalformedInputIsAnErrorNamingTheFault) {
    struct Case {
        const char* xml;
        const char* expected;
    } cases[] = {
        {"", "root element"},
        {"<machine><disk", "not well-formed"},
        {"<computer/>", "root element"},
        {"<machine><disk size='1G'/></machine>", "missing attribute number"},
        {"<machine><disk number='16' size='1G'/></machine>", "out of range"},
        {"<machine><disk number='0' size='1Q'/></machine>", "not a size"},
        {"<machine><disk number='0' size='99999999999T'/></machine>", "too large"},
        {"<machine><disk number='0' style='apm' size='1G'/></machine>", "style"},
        {"<machine><disk number='0' size='1G'/><disk number='0' size='1G'/></machine>",
         "described twice"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='2G'/></disk>"
         "</machine>",
         "beyond the disk"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' letter='CD'/>"
         "</disk></machine>",
         "one letter"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' letter='C'/>"
         "<partition offset='1M' length='1M' letter='c'/></disk></machine>",
         "given twice"},
        {"<machine><disk number='0' style='raw' size='1G'><partition offset='0' length='1M'/>"
         "</disk></machine>",
         "raw disk"},
        {"<machine><disk number='0' style='gpt' size='1G'>"
         "<partition offset='0' length='1M' gpttype='{nonsense}'/></disk></machine>",
         "gpttype"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='relative'/></partition></disk></machine>",
         "backslash"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' active='yes'/>"
         "</disk></machine>",
         "true or false"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<windows running='true'/></partition><partition offset='1M' length='1M'>"
         "<windows running='true'/></partition></disk></machine>",
         "only one installation"},
        {"<machine firmware='efi'/>", "firmware"},
        {"<machine language='xx-XX'/>", "language"},
        {"<machine systempartition='0'/>", "DISK:N"},
        {"<machine systempartition='0:1'/>", "not on the machine"},
        {"<machine bootdisk='2'><disk number='0' size='1G'/></machine>", "not on the machine"},
        {"<machine tools='bcdedit diskpart'/>", "tools"},
        {"<machine><disk number='0' size='1G' mbr='lilo'/></machine>", "attribute mbr"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' pbr='x'/>"
         "</disk></machine>",
         "attribute pbr"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' free='2M'/>"
         "</disk></machine>",
         "larger than the partition"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' locked='true'/>"
         "</disk></machine>",
         "locked needs pbr"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' pbr='bootmgr' "
         "locked='true'/></disk></machine>",
         "locked needs pbr"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' pbr='bitlocker' "
         "locked='maybe'/></disk></machine>",
         "true or false"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' pbr='bitlocker' "
         "locked='true'><windows running='true'/></partition></disk></machine>",
         "cannot be locked"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\x' image='elf'/></partition></disk></machine>",
         "attribute image"},
        {"<machine><bootentry partition='0:1' path='\\x.efi'/></machine>", "not on the machine"},
        {"<machine><fail tool='diskpart'/></machine>", "tool"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><bootmgr colour='red'/></bcd></partition></disk></machine>",
         "element colour does not apply"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><osloader default='x'/></bcd></partition></disk></machine>",
         "element default does not apply"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><bootmgr default='nobody'/></bcd></partition></disk></machine>",
         "would refuse"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><osloader device='0:7'/></bcd></partition></disk></machine>",
         "device"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><bootmgr/><bootmgr/></bcd></partition></disk></machine>",
         "described twice"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><script/></bcd></partition></disk></machine>",
         "unknown element <script>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bootini><os text='x'/></bootini></partition></disk></machine>",
         "ARC path"},
        // A misspelt attribute is named, not ignored, on every element.
        {"<machine firmwre='uefi'/>", "unknown attribute \"firmwre\" in <machine>"},
        {"<machine><disk number='0' size='1G' syle='gpt'/></machine>",
         "unknown attribute \"syle\" in <disk>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' lettr='C'/>"
         "</disk></machine>",
         "unknown attribute \"lettr\" in <partition>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\x' imag='grub'/></partition></disk></machine>",
         "unknown attribute \"imag\" in <file>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<open path='\\x' mode='r'/></partition></disk></machine>",
         "unknown attribute \"mode\" in <open>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<windows verison='6.1'/></partition></disk></machine>",
         "unknown attribute \"verison\" in <windows>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd file='\\Boot\\BCD'/></partition></disk></machine>",
         "unknown attribute \"file\" in <bcd>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bootini timout='5'/></partition></disk></machine>",
         "unknown attribute \"timout\" in <bootini>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bootini><os arc='multi(0)' switch='/x'/></bootini></partition></disk></machine>",
         "unknown attribute \"switch\" in <os>"},
        {"<machine><bootentry description='x' partition='0:1' path='\\x' priority='1'/>"
         "</machine>",
         "unknown attribute \"priority\" in <bootentry>"},
        {"<machine><fail tool='bcdboot' exitcode='5'/></machine>",
         "unknown attribute \"exitcode\" in <fail>"},
        {"<machine><disk number='0' size='1G' number='1'/></machine>",
         "\"number\" is given twice in <disk>"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd><bootmgr timeout='1' timeout='2'/></bcd></partition></disk></machine>",
         "\"timeout\" is given twice in <bootmgr>"},
        {"<machine systemfilesopen='maybe'/>", "true or false"},
        // Files held open.
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<open path='Boot\\BCD'/></partition></disk></machine>",
         "open file needs a path starting with a backslash"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<open/></partition></disk></machine>",
         "open file needs a path starting with a backslash"},
        // The firmware's architecture, its next boot, files an installation lost.
        {"<machine firmwarearch='ia64'/>", "firmwarearch must be x64, x86 or arm64"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'/></disk>"
         "<bootentry description='x' partition='0:1' path='\\x' order='false'/></machine>",
         "out of the boot order must be the next boot"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'/></disk>"
         "<bootentry description='x' partition='0:1' path='\\x' next='true'/>"
         "<bootentry description='y' partition='0:1' path='\\y' next='true'/></machine>",
         "only one boot entry can be the next boot"},
        {"<machine><bootentry description='x' partition='0:1' path='\\x' next='soon'/>"
         "</machine>",
         "true or false"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<deleted path='Windows'/></partition></disk></machine>",
         "deleted file needs a path starting with a backslash"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<deleted path='\\x' when='now'/></partition></disk></machine>",
         "unknown attribute \"when\" in <deleted>"},
        // File content.
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.bin' text='x' base64='AA=='/></partition></disk></machine>",
         "\\a.bin takes one of text, base64 and image"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.bin' text='x' image='grub'/></partition></disk></machine>",
         "\\a.bin takes one of text, base64 and image"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.bin' image='grub' base64='AA=='/></partition></disk></machine>",
         "\\a.bin takes one of text, base64 and image"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.bin' base64='AA==' encoding='ansi'/></partition></disk></machine>",
         "encoding of the file \\a.bin applies to text only"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.bin' encoding='ansi'/></partition></disk></machine>",
         "encoding of the file \\a.bin applies to text only"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\a.txt' text='x' encoding='utf-32'/></partition></disk></machine>",
         "attribute encoding must be"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='\\boot.ini' text='[boot loader]'/><bootini timeout='1'/></partition>"
         "</disk></machine>",
         "\\boot.ini has content, but"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<bcd/><file path='\\boot\\bcd' base64='AA=='/></partition></disk></machine>",
         "\\boot\\bcd has content, but"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(ErrorOf(c.xml).find(c.expected), std::string::npos)
            << c.xml << " gave: " << ErrorOf(c.xml);
    }
}

TEST(ScenarioReader, MalformedBase64IsAnErrorNamingTheFile) {
    for (const char* base64 : {"AP8", "AP8=A", "A===", "====", "AP=8", "AA==AA==", "AP8*", "AP-_",
                               "AB==", "AAB=", "\xE4\xB8\xAD="}) {
        const std::string xml =
            std::string(
                "<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
                "<file path='\\data\\a.bin' base64='") +
            base64 + "'/></partition></disk></machine>";
        EXPECT_NE(ErrorOf(xml).find("\\data\\a.bin has malformed base64"), std::string::npos)
            << base64 << " gave: " << ErrorOf(xml);
    }
}

TEST(ScenarioReader, OpenFilesAndSystemFilesOpen) {
    const Scenario held = Read(
        "<machine><disk number='0' size='1G'><partition offset='0' length='100M'>"
        "<open path='\\Boot\\BCD'/><file path='\\x'/><open path='\\Windows\\x.log'/>"
        "</partition></disk></machine>");
    EXPECT_TRUE(held.systemFilesOpen);
    EXPECT_EQ(held.disks.at(0).partitions.at(0).openFiles,
              (std::vector<std::wstring>{L"\\Boot\\BCD", L"\\Windows\\x.log"}));
    EXPECT_EQ(held.disks.at(0).partitions.at(0).files, std::vector<std::wstring>{L"\\x"});
    EXPECT_FALSE(Read("<machine systemfilesopen='false'/>").systemFilesOpen);
    EXPECT_TRUE(Read("<machine systemfilesopen='1'/>").systemFilesOpen);
}

std::string OnePartition(const char* language, const std::string& files) {
    return std::string("<machine language='") + language +
           "'><disk number='0' size='1G'><partition offset='1M' length='100M' letter='C'>" + files +
           "</partition></disk></machine>";
}

std::vector<std::uint8_t> BytesAt(const Scenario& scenario, const std::wstring& path) {
    test::Machine machine(scenario);
    const auto* bytes = machine->Files().FileBytes(path);
    return bytes != nullptr ? *bytes : std::vector<std::uint8_t>{0xBA, 0xD0};
}

TEST(ScenarioFileContent, TextReachesTheMachineInItsEncoding) {
    struct Case {
        const char* language;
        const char* file;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"zh-CN",
         "text='[\xE5\x90\xAF]&#13;&#10;\xE4\xB8\xAD\xE6\x96\x87'",
         {'[', 0xE5, 0x90, 0xAF, ']', 0x0D, 0x0A, 0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87}},
        {"zh-CN",
         "text='\xE4\xB8\xAD&#x1F600;&#13;&#10;' encoding='utf-8'",
         {0xE4, 0xB8, 0xAD, 0xF0, 0x9F, 0x98, 0x80, 0x0D, 0x0A}},
        // GBK on Chinese Windows, 1252 on English.
        {"zh-CN",
         "text='a\xE4\xB8\xAD\xE6\x96\x87&#13;&#10;' encoding='ansi'",
         {'a', 0xD6, 0xD0, 0xCE, 0xC4, 0x0D, 0x0A}},
        {"en-US", "text='caf&#xE9;&#13;&#10;' encoding='ansi'", {'c', 'a', 'f', 0xE9, 0x0D, 0x0A}},
        {"zh-CN",
         "text='\xE4\xB8\xAD\xE6\x96\x87&#13;&#10;&#x1F600;' encoding='utf-16'",
         {0xFF, 0xFE, 0x2D, 0x4E, 0x87, 0x65, 0x0D, 0x00, 0x0A, 0x00, 0x3D, 0xD8, 0x00, 0xDE}},
        {"zh-CN", "text='' encoding='utf-16'", {0xFF, 0xFE}},
        {"zh-CN", "text='' encoding='ansi'", {}},
    };
    for (const auto& c : cases) {
        const Scenario s = test::ScenarioText(
            OnePartition(c.language, std::string("<file path='\\a.txt' ") + c.file + "/>"));
        EXPECT_EQ(BytesAt(s, L"C:\\a.txt"), c.bytes) << c.file;
    }
}

// The test's own encoder, so the round trip does not lean on the reader's alphabet.
std::string Base64Of(const std::vector<std::uint8_t>& bytes) {
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        std::uint32_t group = bytes[at] << 16;
        group |= at + 1 < bytes.size() ? bytes[at + 1] << 8 : 0;
        group |= at + 2 < bytes.size() ? bytes[at + 2] : 0;
        for (std::size_t i = 0; i < 4; ++i) {
            out.push_back(at + i <= bytes.size() ? alphabet[(group >> (18 - 6 * i)) & 0x3F] : '=');
        }
    }
    return out;
}

TEST(ScenarioFileContent, Base64BytesReachTheMachineExactly) {
    std::vector<std::uint8_t> every(256);
    for (std::size_t i = 0; i < every.size(); ++i) {
        every[i] = static_cast<std::uint8_t>(255 - i);
    }
    for (const std::vector<std::uint8_t>& bytes :
         {std::vector<std::uint8_t>{}, {0x00}, {0xFF, 0x00}, {0x00, 0xFF, 0xFB}, every}) {
        const Scenario s = test::ScenarioText(
            OnePartition("en-US", "<file path='\\a.bin' base64='" + Base64Of(bytes) + "'/>"));
        EXPECT_EQ(BytesAt(s, L"C:\\a.bin"), bytes) << Base64Of(bytes);
    }
    // Line breaks and blanks, as a tool wraps long base64.
    const Scenario wrapped = test::ScenarioText(
        OnePartition("en-US", "<file path='\\a.bin' base64=' AP/7&#13;&#10;\tAA =='/>"));
    EXPECT_EQ(BytesAt(wrapped, L"C:\\a.bin"), (std::vector<std::uint8_t>{0x00, 0xFF, 0xFB, 0x00}));
}

TEST(ScenarioFileContent, ContentReplacesWhatTheMachineWouldPutThere) {
    const Scenario s = test::ScenarioText(
        OnePartition("en-US",
                     "<windows version='6.1'/><file path='\\Windows\\System32\\winload.exe' "
                     "base64='TVo='/><file path='\\bootmgr' base64='AAE='/>"));
    test::Machine machine(s);
    const auto* winload = machine->Files().FileBytes(L"C:\\Windows\\System32\\winload.exe");
    ASSERT_NE(winload, nullptr);
    EXPECT_EQ(*winload, (std::vector<std::uint8_t>{'M', 'Z'})) << "the installation's own image";
    const auto* bootmgr = machine->Files().FileBytes(L"C:\\bootmgr");
    ASSERT_NE(bootmgr, nullptr);
    EXPECT_EQ(*bootmgr, (std::vector<std::uint8_t>{0x00, 0x01}));
    EXPECT_EQ(machine->Files().AttributesOf(L"C:\\bootmgr"),
              kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
}

}  // namespace
}  // namespace qn::sim
