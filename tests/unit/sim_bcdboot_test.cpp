#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/tool_output.h"
#include "boot/utf8_text.h"
#include "sim/bcd_ids.h"
#include "sim/loader_image.h"
#include "sim/store_access.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::string U(const std::wstring& text) {
    return WideToUtf8(text);
}

Scenario English(const char* file) {
    Scenario scenario = test::ScenarioFile(file);
    scenario.language = ToolLanguage::EnUs;
    return scenario;
}

// Gives a letterless volume a letter, as the program's mount pass does.
void Mount(SimMachine& machine, std::uint32_t disk, int position, wchar_t letter) {
    const DiskVolume* volume = machine.VolumeAt(disk, position);
    ASSERT_NE(volume, nullptr);
    ASSERT_EQ(machine.Volumes().SetMountPoint(std::wstring(1, letter) + L":\\",
                                              fake::FakeVolumePort::NameOf(volume->id)),
              0u);
}

std::vector<std::wstring> Loaders(const BcdStoreData& store) {
    std::vector<std::wstring> ids;
    for (const BcdObject& object : store.objects) {
        if (object.type == kBcdTypeOsLoader) {
            ids.push_back(object.id);
        }
    }
    return ids;
}

const BcdElement* ManagerElement(const BcdStoreData& store, const wchar_t* name) {
    const BcdObject* manager = FindObject(store, kBootmgrGuid);
    return manager ? FindElement(*manager, name) : nullptr;
}

TEST(Bcdboot, ReplacesTheEntryOfTheSameWindowsAndMakesTheNewOneFirstAndDefault) {
    test::Machine machine(English("demo.xml"));
    Mount(*machine, 0, 1, L'F');
    const BcdStoreData before = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    const std::vector<std::wstring> oldLoaders = Loaders(before);
    ASSERT_EQ(oldLoaders.size(), 1u);

    auto run = machine.Capture(L"bcdboot C:\\Windows /s F: /f BIOS /l zh-CN");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.text, L"Boot files successfully created.\r\n");
    EXPECT_EQ(ClassifyImage(*machine->Files().FileBytes(L"F:\\bootmgr")), FileImage::Bootmgr);
    BcdStoreData store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    const std::vector<std::wstring> seven = Loaders(store);
    ASSERT_EQ(seven.size(), 1u);
    EXPECT_NE(seven[0], oldLoaders[0]) << "a new entry replaces the old one";
    const BcdObject* loader = FindObject(store, seven[0]);
    EXPECT_EQ(FindElement(*loader, L"osdevice")->device.volume, machine->VolumeAtLetter(L'C')->id);
    EXPECT_EQ(FindElement(*loader, L"path")->text, L"\\Windows\\system32\\winload.exe");
    EXPECT_EQ(FindElement(*loader, L"description")->text, L"Windows 7");
    EXPECT_EQ(FindElement(*loader, L"locale")->text, L"zh-CN");
    const std::wstring resume = FindElement(*loader, L"resumeobject")->text;
    EXPECT_NE(FindObject(store, resume), nullptr);
    EXPECT_EQ(
        FindObject(store, FindElement(*FindObject(before, oldLoaders[0]), L"resumeobject")->text),
        nullptr)
        << "the old entry's resume object went with it";

    ASSERT_EQ(machine.Capture(L"bcdboot E:\\Windows /s F: /f BIOS /l zh-CN").exitCode, 0u);
    store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    const std::vector<std::wstring> both = Loaders(store);
    ASSERT_EQ(both.size(), 2u);
    const std::wstring ten = both[0] == seven[0] ? both[1] : both[0];
    EXPECT_THAT(ManagerElement(store, L"displayorder")->ids, ElementsAre(ten, seven[0]));
    EXPECT_EQ(ManagerElement(store, L"default")->text, ten);
    EXPECT_EQ(ManagerElement(store, L"timeout")->number, 30u) << "kept";

    // /addlast puts the entry last and leaves the default alone; /m keeps its identifier.
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /s F: /f BIOS /addlast /m").exitCode, 0u);
    store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    EXPECT_THAT(ManagerElement(store, L"displayorder")->ids, ElementsAre(ten, seven[0]));
    EXPECT_EQ(ManagerElement(store, L"default")->text, ten);
    EXPECT_EQ(Loaders(store).size(), 2u);
}

TEST(Bcdboot, BuildsAStoreWhereThereIsNoneAndTheMachineBoots) {
    test::Machine machine(English("deleted_bcd.xml"));
    Mount(*machine, 0, 1, L'F');
    ASSERT_FALSE(machine->Boot().boots);
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /s F: /f BIOS").exitCode, 0u);
    const BootVerdict verdict = machine->Boot();
    EXPECT_TRUE(verdict.boots) << testing::PrintToString(verdict.problem);
    ASSERT_EQ(verdict.menu.size(), 1u);
    EXPECT_EQ(verdict.menu[0].text, L"Windows 7");
    EXPECT_EQ(verdict.timeout, 30);
    const BcdStoreData store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    EXPECT_EQ(FindElement(*FindObject(store, kBootmgrGuid), L"locale")->text, L"en-US");
    EXPECT_NE(FindObject(store, kMemDiagGuid), nullptr);
}

TEST(Bcdboot, WithoutSUsesTheFirmwaresSystemPartitionAndOnUefiTheFirmwareEntry) {
    test::Machine machine(English("uefi_installed.xml"));
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /l zh-CN").exitCode, 0u);
    EXPECT_TRUE(machine->Boot().boots) << testing::PrintToString(machine->Boot().problem);
    ASSERT_EQ(machine->FirmwareEntries().size(), 1u) << "the existing entry is reused";

    test::Machine pe(English("uefi_winpe.xml"));
    EXPECT_EQ(pe.Capture(L"bcdboot C:\\Windows").exitCode, 1u)
        << "Windows PE started from a medium the machine does not show";
    ASSERT_EQ(pe.Capture(L"bcdboot C:\\Windows /s S: /f UEFI /l zh-CN").exitCode, 0u);
    ASSERT_EQ(pe->FirmwareEntries().size(), 1u);
    EXPECT_EQ(pe->FirmwareEntries()[0].description, L"Windows Boot Manager");
    EXPECT_EQ(ClassifyImage(*pe->Files().FileBytes(L"S:\\EFI\\Boot\\bootx64.efi")),
              FileImage::BootmgrEfi);
    EXPECT_TRUE(pe->Boot().boots) << testing::PrintToString(pe->Boot().problem);

    // Another program first in the order: bcdboot puts Windows back in front, unless /p.
    pe->FirmwareEntries().insert(pe->FirmwareEntries().begin(),
                                 {L"{0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19}", L"ubuntu",
                                  pe->VolumeAt(0, 1)->id, L"\\EFI\\ubuntu\\shimx64.efi"});
    ASSERT_EQ(pe.Capture(L"bcdboot C:\\Windows /s S: /f UEFI /p").exitCode, 0u);
    EXPECT_EQ(pe->FirmwareEntries()[0].description, L"ubuntu");
    ASSERT_EQ(pe.Capture(L"bcdboot C:\\Windows /s S: /f UEFI").exitCode, 0u);
    EXPECT_EQ(pe->FirmwareEntries()[0].description, L"Windows Boot Manager");
    ASSERT_EQ(pe.Capture(L"bcdboot C:\\Windows /s S: /f UEFI /addlast").exitCode, 0u);
    EXPECT_EQ(pe->FirmwareEntries().back().description, L"Windows Boot Manager");
}

TEST(Bcdboot, FailsLikeTheRealOneAndChangesNothing) {
    struct Case {
        const char* scenario;
        std::wstring commandLine;
        unsigned long exitCode;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"demo.xml", L"bcdboot D:\\Windows /s C: /f BIOS", 1,
         L"Failure when attempting to copy boot files."},  // XP has no boot files to copy
        {"demo.xml", L"bcdboot C:\\Windows /s F: /f BIOS", 1, L"copy boot files"},  // no F:
        {"demo.xml", L"bcdboot C:\\NoWindows /s C:", 1, L"copy boot files"},
        {"demo.xml", L"bcdboot C:\\Windows /f BIOS", 87, L"parameter is incorrect"},
        {"demo.xml", L"bcdboot C:\\Windows /s C: /addlast /p", 87, L"bcdboot <source>"},
        {"demo.xml", L"bcdboot /s C:", 87, L"parameter is incorrect"},
        {"demo.xml", L"bcdboot C:\\Windows /s C: /f UEFI", 1, L"copy boot files"},  // NTFS
        {"full_esp.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 1, L"copy boot files"},
        {"gpt_x86.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 1, L"copy boot files"},
        {"ntfs_esp.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 1, L"copy boot files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.commandLine));
        test::Machine machine(English(c.scenario));
        if (std::string(c.scenario) != "demo.xml") {
            Mount(*machine, 0, 1, L'S');
        }
        const auto paths = machine->Files().AllPaths();
        const auto entries = machine->FirmwareEntries().size();
        const auto run = machine.Capture(c.commandLine);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_THAT(run.text, HasSubstr(c.text));
        EXPECT_EQ(machine->Files().AllPaths(), paths);
        EXPECT_EQ(machine->FirmwareEntries().size(), entries);
    }
}

TEST(Bootsect, WritesBootCodeAndPrintsWhatTheRealOnePrints) {
    Scenario scenario = English("wiped_mbr.xml");
    scenario.systemFilesOpen = false;  // so the system partition can be locked
    test::Machine machine(scenario);
    // An installed Windows has no bootsect of its own; the program brings one.
    EXPECT_FALSE(machine.Capture(L"bootsect.exe /nt60 SYS /mbr").started);
    machine->Files().AddFile(L"C:\\Temp\\bootsect.exe", {'x'});
    const auto sys = machine.Capture(L"C:\\Temp\\bootsect.exe /nt60 SYS /mbr");
    EXPECT_EQ(sys.exitCode, 0u);
    const std::wstring volume = machine->VolumeAt(0, 1)->id;
    EXPECT_EQ(sys.text,
              L"Target volumes will be updated with BOOTMGR compatible bootcode.\r\n"
              L"\r\n\\\\?\\Volume{" +
                  volume +
                  L"}\r\n\r\n    Successfully updated NTFS filesystem bootcode.\r\n"
                  L"\r\n\\??\\PhysicalDrive0\r\n\r\n    Successfully updated disk bootcode.\r\n"
                  L"\r\nBootcode was successfully updated on all targeted volumes.\r\n");
    EXPECT_EQ(machine->DiskMbrCode(0), MbrCode::Nt60);
    EXPECT_TRUE(machine->Boot().boots);

    ASSERT_EQ(machine.Capture(L"C:\\Temp\\bootsect.exe /nt52 C:").exitCode, 0u);
    EXPECT_EQ(machine->VolumeBootCode(*machine->VolumeAtLetter(L'C')), BootRecordCode::Ntldr);
    EXPECT_EQ(machine->DiskMbrCode(0), MbrCode::Nt60) << "no /mbr, no MBR";
    ASSERT_EQ(machine.Capture(L"C:\\Temp\\bootsect.exe /nt52 C: /mbr").exitCode, 0u);
    EXPECT_EQ(machine->DiskMbrCode(0), MbrCode::Nt52);
    const auto sector = machine->DiskSector0(0);
    EXPECT_EQ(sector[446], 0x80) << "the partition table stays";
}

// A volume in use cannot be locked: bootsect writes anyway, warns with the lock's error and
// still succeeds. /force dismounts it first, except the volume Windows runs from.
TEST(Bootsect, AVolumeInUseIsWrittenWithAWarningAndForceDismountsIt) {
    Scenario scenario = English("xp_only.xml");
    scenario.disks[0].partitions[0].lockFails = true;
    test::Machine machine(scenario);
    const DiskVolume& c = *machine->VolumeAtLetter(L'C');
    const auto unlocked = machine.Capture(L"bootsect /nt60 C: /mbr");
    EXPECT_EQ(unlocked.exitCode, 0u);
    EXPECT_THAT(
        unlocked.text,
        HasSubstr(L"\r\n    Updated NTFS filesystem bootcode.  The update may be unreliable "
                  L"since the\r\n    volume could not be locked during the update:\r\n"
                  L"        Access is denied.\r\n"));
    EXPECT_THAT(unlocked.text, HasSubstr(L"Bootcode was successfully updated on all targeted"));
    EXPECT_EQ(machine->VolumeBootCode(c), BootRecordCode::Bootmgr);
    EXPECT_EQ(machine->DiskMbrCode(0), MbrCode::Nt60);
    EXPECT_EQ(BootsectLockWarning(unlocked.text), L"Access is denied.");

    const auto forced = machine.Capture(L"bootsect /nt52 C: /mbr /force");
    EXPECT_EQ(forced.exitCode, 0u);
    EXPECT_THAT(
        forced.text,
        HasSubstr(L"    Forced dismount complete, open handles to this volume are now "
                  L"invalid.\r\n\r\n    Successfully updated NTFS filesystem bootcode.\r\n"));
    EXPECT_EQ(BootsectLockWarning(forced.text), std::nullopt);
    EXPECT_EQ(machine->VolumeBootCode(c), BootRecordCode::Ntldr);
    EXPECT_EQ(machine->DiskMbrCode(0), MbrCode::Nt52);

    // The running system's volume is in use and cannot be dismounted either.
    test::Machine running(English("wiped_mbr.xml"));
    running->Files().AddFile(L"C:\\Temp\\bootsect.exe", {'x'});
    for (const wchar_t* line :
         {L"C:\\Temp\\bootsect.exe /nt60 C:", L"C:\\Temp\\bootsect.exe /nt60 C: /force"}) {
        const auto run = running.Capture(line);
        EXPECT_EQ(run.exitCode, 0u) << U(line);
        EXPECT_THAT(run.text, Not(HasSubstr(L"Forced dismount"))) << U(line);
        EXPECT_EQ(BootsectLockWarning(run.text), L"Access is denied.") << U(line);
    }
    // In Chinese the lines are the same shape.
    test::Machine chinese(test::ScenarioFile("grub_mbr.xml"));
    chinese->Files().AddFile(L"C:\\Temp\\bootsect.exe", {'x'});
    EXPECT_EQ(BootsectLockWarning(chinese.Capture(L"C:\\Temp\\bootsect.exe /nt60 C:").text),
              L"拒绝访问。");
}

// bootsect /mbr leaves a GPT disk's protective MBR as it is, says so, and still succeeds.
TEST(Bootsect, LeavesAGptDisksProtectiveMbrAlone) {
    test::Machine machine(English("uefi_installed.xml"));
    const auto before = machine->DiskSector0(0);
    Mount(*machine, 0, 1, L'S');
    machine->Files().AddFile(L"C:\\Temp\\bootsect.exe", {'x'});
    const auto run = machine.Capture(L"C:\\Temp\\bootsect.exe /nt60 S: /mbr");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_THAT(run.text, HasSubstr(L"\\??\\PhysicalDrive0\r\n\r\n    Bootcode can only be "
                                    L"updated on MBR-partitioned disks.\r\n"));
    EXPECT_THAT(run.text, Not(HasSubstr(L"updated disk bootcode")));
    EXPECT_EQ(machine->DiskSector0(0), before);
}

TEST(Bootsect, RefusesWhatItCannotWrite) {
    test::Machine machine(English("xp_only.xml"));
    for (const wchar_t* line : {L"bootsect /nt60", L"bootsect C:", L"bootsect /nt60 /nt52 C:",
                                L"bootsect /nt61 C:", L"bootsect /nt60 C: D:"}) {
        const auto run = machine.Capture(line);
        EXPECT_EQ(run.exitCode, 1u) << testing::PrintToString(line);
        EXPECT_THAT(run.text, HasSubstr(L"bootsect {/help|/nt52|/nt60}"));
    }
    EXPECT_THAT(machine.Capture(L"bootsect /nt60 Q:").text, HasSubstr(L"cannot find the path"));
    test::Machine raw(English("raw_volume.xml"));
    Mount(*raw, 2, 1, L'G');
    raw->Files().AddFile(L"C:\\t\\bootsect.exe", {'x'});
    const auto unknown = raw.Capture(L"C:\\t\\bootsect.exe /nt60 G: /mbr");
    EXPECT_EQ(unknown.exitCode, 1u);
    EXPECT_THAT(unknown.text, HasSubstr(L"not recognized"));
    EXPECT_EQ(raw->DiskMbrCode(2), MbrCode::Nt60) << "unchanged";
}

}  // namespace
}  // namespace qn::sim
