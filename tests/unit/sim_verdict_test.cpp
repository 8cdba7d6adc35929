#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "sim/boot_verdict.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::HasSubstr;

struct Item {
    std::wstring text;
    std::optional<int> disk;
    std::optional<int> partition;
    std::wstring product;
    bool isDefault;
};

struct Case {
    const char* file;
    bool boots;
    const wchar_t* firmware;
    std::optional<int> timeout;
    std::vector<Item> menu;
    const wchar_t* problem;  // a part of it; empty when it boots
};

// What each scenario's machine does before any repair: the oracle the repair tests build on.
const Case kCases[] = {
    {"demo.xml", false, L"bios", std::nullopt, {}, L"ntldr missing on the active partition"},
    {"deleted_bcd.xml", false, L"bios", std::nullopt, {}, L"\\Boot\\BCD missing"},
    // The stick the program runs from is pulled before the next start: disk 1 is the boot disk.
    {"usb_stick_bios.xml", false, L"bios", std::nullopt, {}, L"\\Boot\\BCD missing"},
    {"usb_stick_uefi.xml", false, L"uefi", std::nullopt, {}, L"BCD"},
    {"only_removable.xml", false, L"bios", std::nullopt, {}, L"\\Boot\\BCD missing"},
    {"wiped_mbr.xml", false, L"bios", std::nullopt, {}, L"MBR has no boot code"},
    {"grub_mbr.xml", false, L"bios", std::nullopt, {}, L"MBR holds GRUB's boot code"},
    {"xp_and_7.xml",
     true,
     L"bios",
     30,
     {{L"Microsoft Windows XP Professional", 0, 2, L"Microsoft Windows XP", true}},
     L""},
    {"xp_only.xml",
     false,
     L"bios",
     30,
     {{L"Microsoft Windows XP Professional", std::nullopt, std::nullopt, L"", true}},
     L"boot.ini's default names a partition that is not on the machine"},
    // boot.ini counted rdisk with the stick in; without it disk 1 is rdisk(0).
    {"usb_stick_xp.xml",
     false,
     L"bios",
     30,
     {{L"Microsoft Windows XP Professional", std::nullopt, std::nullopt, L"", true}},
     L"boot.ini's default names a partition that is not on the machine"},
    {"uefi_installed.xml",
     false,
     L"uefi",
     std::nullopt,
     {},
     L"\\EFI\\Microsoft\\Boot\\BCD missing on the EFI system partition"},
    {"uefi_winpe.xml", false, L"uefi", std::nullopt, {}, L"\\EFI\\Boot\\bootx64.efi missing"},
    {"full_esp.xml", false, L"uefi", std::nullopt, {}, L"bootmgfw.efi is empty"},
    {"ntfs_esp.xml", false, L"uefi", std::nullopt, {}, L"is NTFS, which the firmware cannot read"},
    {"two_active.xml",
     false,
     L"bios",
     std::nullopt,
     {},
     L"bootmgr missing on the active partition"},
    {"gpt_x86.xml",
     false,
     L"uefi",
     30,
     {{L"Windows 7", std::nullopt, std::nullopt, L"", true}},
     L"default entry names a loader that is missing: \\Windows\\system32\\winload.efi"},
    {"missing_entry.xml",
     false,
     L"bios",
     10,
     {{L"Windows 7", 0, 2, L"Windows 7 Enterprise", false}},
     L"the default entry is not in the store"},
    // What a killed run wrote beside the store (ntldr, NTDETECT.COM) changes nothing it starts.
    {"killed_run.xml",
     true,
     L"bios",
     10,
     {{L"Windows 7", 0, 2, L"Windows 7 Enterprise", true}},
     L""},
    {"raw_volume.xml", true, L"bios", 30, {{L"Windows 7", 0, 2, L"Windows 7 Ultimate", true}}, L""},
    {"editor_menu.xml",
     true,
     L"bios",
     30,
     {{L"Windows 7", 0, 2, L"Windows 7 Ultimate", true},
      {L"Windows 10", 0, 3, L"Windows 10 Pro", false},
      {L"Earlier Version of Windows", 0, 4, L"Microsoft Windows XP", false}},
     L""},
    {"editor_boot_ini.xml",
     true,
     L"bios",
     30,
     {{L"Microsoft Windows XP Professional", 0, 1, L"Microsoft Windows XP Professional", true},
      {L"Microsoft Windows XP Home Edition", 0, 2, L"Microsoft Windows XP Home Edition", false},
      {L"Microsoft Windows Recovery Console", std::nullopt, std::nullopt, L"", false}},
     L""},
    {"bitlocker.xml", false, L"bios", std::nullopt, {}, L"\\Boot\\BCD missing"},
    {"bitlocker_locked.xml", false, L"bios", std::nullopt, {}, L"\\Boot\\BCD missing"},
    // C: is locked: the boot manager unlocks it (TPM or recovery key) and starts its Windows.
    {"bitlocker_locked_menu.xml",
     true,
     L"bios",
     30,
     {{L"Windows 10", 0, 2, L"Windows 10 Pro", true}},
     L""},
    {"firmware_mismatch.xml",
     false,
     L"uefi",
     std::nullopt,
     {},
     L"the firmware has no boot entry and no disk has an EFI system partition"},
    {"uefi_grub_first.xml", false, L"uefi", std::nullopt, {}, L"the firmware starts GRUB"},
    {"editor_boot_ini_extras.xml",
     true,
     L"bios",
     30,
     {{L"Windows Server 2003", 0, 1, L"Windows Server 2003, Enterprise Edition", true},
      {L"Windows Server 2003 安全模式", 0, 1, L"Windows Server 2003, Enterprise Edition", false},
      {L"Microsoft Windows Recovery Console", std::nullopt, std::nullopt, L"", false}},
     L""},
    {"uefi_entries_reset.xml",
     false,
     L"uefi",
     std::nullopt,
     {},
     L"the fallback loader of disk 0: \\EFI\\Boot\\bootx64.efi missing on its partition"},
    {"syslinux_mbr.xml",
     false,
     L"bios",
     30,
     {{L"Windows 7", 0, 2, L"Windows 7 Professional", false}},
     L"the default entry is not in the store"},
    {"win7_winload_missing.xml",
     false,
     L"bios",
     30,
     {{L"Windows 7", std::nullopt, std::nullopt, L"", true}},
     L"default entry names a loader that is missing: \\Windows\\system32\\winload.exe"},
    // 32-bit firmware: its fallback loader is bootia32.efi, which is there.
    {"uefi_ia32_fallback.xml",
     true,
     L"uefi",
     5,
     {{L"Windows 10", 0, 3, L"Windows 10 Home", true}},
     L""},
    {"uefi_next_boot_grub.xml",
     false,
     L"uefi",
     std::nullopt,
     {},
     L"the firmware starts GRUB (the one-time next boot entry \"ubuntu\")"},
    // The next boot cannot be loaded: the boot order follows.
    {"uefi_next_boot_dead.xml",
     true,
     L"uefi",
     30,
     {{L"Windows 10", 0, 3, L"Windows 10 Pro", true}},
     L""},
    {"extended_active.xml",
     false,
     L"bios",
     std::nullopt,
     {},
     L"the active flag is on an extended partition"},
    // Windows PE started the other way than the machine starts: the verdict is the machine's.
    {"pe_csm_gpt.xml", false, L"uefi", std::nullopt, {}, L"BCD"},
    {"pe_uefi_mbr.xml", false, L"bios", std::nullopt, {}, L"BCD"},
    // The second Windows 7 on D: is in no menu.
    {"two_same_windows.xml",
     true,
     L"bios",
     30,
     {{L"Windows 7", 0, 1, L"Windows 7 Ultimate", true}},
     L""},
};

TEST(BootVerdict, EveryScenarioBeforeRepair) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        test::Machine machine(test::ScenarioFile(c.file));
        const BootVerdict verdict = machine->Boot();
        EXPECT_EQ(verdict.boots, c.boots);
        EXPECT_EQ(verdict.firmware, c.firmware);
        EXPECT_EQ(verdict.timeout, c.timeout);
        ASSERT_EQ(verdict.menu.size(), c.menu.size());
        for (std::size_t i = 0; i < c.menu.size(); ++i) {
            EXPECT_EQ(verdict.menu[i].text, c.menu[i].text);
            EXPECT_EQ(verdict.menu[i].disk, c.menu[i].disk);
            EXPECT_EQ(verdict.menu[i].partition, c.menu[i].partition);
            EXPECT_EQ(verdict.menu[i].product, c.menu[i].product);
            EXPECT_EQ(verdict.menu[i].isDefault, c.menu[i].isDefault);
        }
        if (c.boots) {
            EXPECT_EQ(verdict.problem, L"");
        } else {
            EXPECT_THAT(verdict.problem, HasSubstr(c.problem));
        }
    }
}

TEST(BootVerdict, EveryScenarioFileHasItsVerdictTested) {
    std::set<std::string> tested;
    for (const Case& c : kCases) {
        tested.insert(c.file);
    }
    for (const auto& entry : std::filesystem::directory_iterator(QN_SOURCE_DIR "/sim/scenarios")) {
        EXPECT_TRUE(tested.count(entry.path().filename().string()))
            << entry.path().filename() << " has no verdict test";
    }
}

TEST(BootVerdict, JsonHasTheOneSchema) {
    BootVerdict verdict;
    verdict.boots = true;
    verdict.firmware = L"bios";
    verdict.timeout = 3;
    verdict.menu.push_back({L"Windows 7 \"旗舰版\"", 0, 2, L"Windows 7 Ultimate", true});
    verdict.menu.push_back({L"XP\\old", std::nullopt, std::nullopt, L"", false});
    EXPECT_EQ(VerdictJson(verdict),
              "{\"boots\":true,\"firmware\":\"bios\",\"timeout\":3,\"menu\":["
              "{\"text\":\"Windows 7 \\\"\xE6\x97\x97\xE8\x88\xB0\xE7\x89\x88\\\"\",\"disk\":0,"
              "\"partition\":2,\"product\":\"Windows 7 Ultimate\",\"default\":true},"
              "{\"text\":\"XP\\\\old\",\"disk\":null,\"partition\":null,\"product\":null,"
              "\"default\":false}],\"problem\":\"\"}");
    BootVerdict broken;
    broken.firmware = L"uefi";
    broken.problem = L"MBR has no boot code\n";
    EXPECT_EQ(VerdictJson(broken),
              "{\"boots\":false,\"firmware\":\"uefi\",\"timeout\":null,"
              "\"menu\":[],\"problem\":\"MBR has no boot code\\n\"}");
}

// The verdict follows the bytes, not the scenario: code written later counts.
TEST(BootVerdict, FollowsTheBootCodeBytes) {
    test::Machine machine(test::ScenarioFile("wiped_mbr.xml"));
    machine->SetMbrCode(0, MbrCode::Nt52);
    EXPECT_TRUE(machine->Boot().boots) << "any Windows MBR code starts the active partition";
    auto code = MbrCodeBytes(MbrCode::Nt60);
    code[7] ^= 0xFF;
    machine->WriteMbrCode(0, code);
    EXPECT_THAT(machine->Boot().problem, HasSubstr(L"not Windows'"));
    machine->SetMbrCode(0, MbrCode::Nt60);
    const DiskVolume* reserved = machine->VolumeAt(0, 1);
    std::vector<std::uint8_t> sector = reserved->bootSector;
    sector[0x180] = 'X';
    machine->WriteBootSector(reserved->id, sector);
    EXPECT_THAT(machine->Boot().problem, HasSubstr(L"boot record holds boot code that is not"));
    machine->SetBootRecordCode(reserved->id, BootRecordCode::Bootmgr);
    EXPECT_TRUE(machine->Boot().boots);
}

TEST(BootVerdict, TwoActivePartitionsOnTheBootDiskAreAnInvalidTable) {
    test::Machine machine(test::ScenarioText(
        "<machine><disk number='0' size='100G'>"
        "<partition offset='1M' length='1G' active='true'><file path='\\bootmgr'/></partition>"
        "<partition offset='2G' length='10G' active='true' letter='C'/></disk></machine>"));
    EXPECT_THAT(machine->Boot().problem, HasSubstr(L"more than one active partition"));
}

TEST(BootVerdict, BiosCannotStartAGptBootDiskAndUefiSkipsBrokenEntries) {
    test::Machine bios(test::ScenarioText(
        "<machine><disk number='0' style='gpt' size='100G'>"
        "<partition offset='1M' length='100M' gpttype='esp' fs='FAT32'/></disk></machine>"));
    EXPECT_THAT(bios->Boot().problem, HasSubstr(L"GPT partition table"));
    // The first entry names a partition without the file; the firmware goes on to the next.
    test::Machine uefi(test::ScenarioFile("uefi_winpe.xml"));
    EXPECT_FALSE(uefi->Boot().boots);
    uefi->FirmwareEntries().push_back({L"{0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19}", L"gone",
                                       uefi->VolumeAt(0, 1)->id, L"\\EFI\\gone\\x.efi"});
    uefi->FirmwareEntries().push_back({kBootmgrGuid, L"Windows Boot Manager",
                                       uefi->VolumeAt(0, 1)->id,
                                       L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"});
    const BootVerdict verdict = uefi->Boot();
    EXPECT_TRUE(verdict.boots) << testing::PrintToString(verdict.problem);
    ASSERT_EQ(verdict.menu.size(), 1u);
    EXPECT_EQ(verdict.menu[0].product, L"Windows 10 Pro");
    EXPECT_EQ(verdict.menu[0].partition, 3);
}

}  // namespace
}  // namespace qn::sim
