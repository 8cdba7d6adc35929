#include "sim/scenario_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

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
    for (const char* name :
         {"demo.xml", "deleted_bcd.xml", "wiped_mbr.xml", "grub_mbr.xml", "xp_and_7.xml",
          "xp_only.xml", "uefi_installed.xml", "uefi_winpe.xml", "full_esp.xml", "ntfs_esp.xml",
          "two_active.xml", "gpt_x86.xml", "missing_entry.xml", "raw_volume.xml"}) {
        std::ifstream file(std::string(QN_SOURCE_DIR "/sim/scenarios/") + name, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_TRUE(std::holds_alternative<Scenario>(ReadScenario(text.str()))) << name;
    }
    for (const char* name : {"no_active.xml", "slow_scan.xml"}) {
        std::ifstream file(std::string(QN_SOURCE_DIR "/tests/gui/scenarios/") + name,
                           std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_TRUE(std::holds_alternative<Scenario>(ReadScenario(text.str()))) << name;
    }
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
    };
    for (const auto& c : cases) {
        EXPECT_NE(ErrorOf(c.xml).find(c.expected), std::string::npos)
            << c.xml << " gave: " << ErrorOf(c.xml);
    }
}

}  // namespace
}  // namespace qn::sim
