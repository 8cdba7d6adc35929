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

    // /addlast is about the firmware's entry: in the store the entry still comes first and is
    // the default. /m keeps its identifier; /d keeps the default.
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /s F: /f BIOS /addlast /m").exitCode, 0u);
    store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    EXPECT_THAT(ManagerElement(store, L"displayorder")->ids, ElementsAre(seven[0], ten));
    EXPECT_EQ(ManagerElement(store, L"default")->text, seven[0]);
    EXPECT_EQ(Loaders(store).size(), 2u);
    ASSERT_EQ(machine.Capture(L"bcdboot E:\\Windows /s F: /f BIOS /m /d").exitCode, 0u);
    store = OpenStoreFile(machine->Files(), L"F:\\Boot\\BCD").data;
    EXPECT_THAT(ManagerElement(store, L"displayorder")->ids, ElementsAre(ten, seven[0]));
    EXPECT_EQ(ManagerElement(store, L"default")->text, seven[0]);
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

std::vector<std::wstring> Descriptions(const SimMachine& machine) {
    std::vector<std::wstring> names;
    for (const FirmwareEntry& entry : machine.FirmwareEntries()) {
        names.push_back(entry.description);
    }
    return names;
}

// Without /s bcdboot writes to the firmware's system partition and creates or moves the
// firmware's "Windows Boot Manager" entry (first; last with /addlast; where it is with /p, first
// when there is none). With /s it writes the files, the fallback loader among them, and leaves
// the firmware's entries alone.
TEST(Bcdboot, OnlyWithoutSDoesItTouchTheFirmwaresEntries) {
    test::Machine machine(English("uefi_installed.xml"));
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /l zh-CN").exitCode, 0u);
    EXPECT_TRUE(machine->Boot().boots) << testing::PrintToString(machine->Boot().problem);
    ASSERT_EQ(machine->FirmwareEntries().size(), 1u) << "the existing entry is reused";

    machine->FirmwareEntries().insert(machine->FirmwareEntries().begin(),
                                      {L"{0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19}", L"ubuntu",
                                       machine->VolumeAt(0, 1)->id, L"\\EFI\\ubuntu\\shimx64.efi"});
    const std::vector<std::wstring> ubuntuFirst{L"ubuntu", L"Windows Boot Manager"};
    const std::vector<std::wstring> windowsFirst{L"Windows Boot Manager", L"ubuntu"};
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /p").exitCode, 0u);
    EXPECT_EQ(Descriptions(*machine), ubuntuFirst);
    Mount(*machine, 0, 1, L'S');
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /s S: /f UEFI").exitCode, 0u);
    EXPECT_EQ(Descriptions(*machine), ubuntuFirst) << "/s leaves the firmware alone";
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows").exitCode, 0u);
    EXPECT_EQ(Descriptions(*machine), windowsFirst);
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /addlast").exitCode, 0u);
    EXPECT_EQ(Descriptions(*machine), ubuntuFirst);
    machine->FirmwareEntries().pop_back();
    ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /p").exitCode, 0u);
    EXPECT_EQ(Descriptions(*machine), windowsFirst) << "/p adds a missing entry first";

    test::Machine pe(English("uefi_winpe.xml"));
    const auto run = pe.Capture(L"bcdboot C:\\Windows");
    EXPECT_EQ(run.exitCode, 1168u) << "Windows PE started from a medium the machine does not show";
    EXPECT_THAT(run.text, HasSubstr(L"BFSVC Error: Failed to find the system partition!"));
    ASSERT_EQ(pe.Capture(L"bcdboot C:\\Windows /s S: /f UEFI /l zh-CN").exitCode, 0u);
    EXPECT_TRUE(pe->FirmwareEntries().empty());
    EXPECT_EQ(ClassifyImage(*pe->Files().FileBytes(L"S:\\EFI\\Boot\\bootx64.efi")),
              FileImage::BootmgrEfi);
    const BootVerdict verdict = pe->Boot();
    EXPECT_TRUE(verdict.boots) << "through the fallback loader "
                               << testing::PrintToString(verdict.problem);
}

TEST(Bcdboot, FailsLikeTheRealOneAndChangesNothing) {
    struct Case {
        const char* scenario;
        std::wstring commandLine;
        unsigned long exitCode;  // the Win32 error of what failed
        const wchar_t* text;     // what its "BFSVC Error:" line says
    };
    const Case cases[] = {
        // XP has no boot files to copy.
        {"demo.xml", L"bcdboot D:\\Windows /s C: /f BIOS", 2,
         L"Failed to find the OS loader D:\\Windows\\System32\\winload.exe!"},
        {"demo.xml", L"bcdboot C:\\Windows /s F: /f BIOS", 15, L"Failed to open the volume F:!"},
        {"demo.xml", L"bcdboot C:\\NoWindows /s C:", 3, L"the source directory C:\\NoWindows!"},
        {"demo.xml", L"bcdboot C:\\Windows /s C: /f UEFI", 1005, L"(NTFS)"},
        {"full_esp.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 112,
         L"Failed to copy file C:\\Windows\\Boot\\EFI\\bootmgfw.efi to "
         L"S:\\EFI\\Microsoft\\Boot\\bootmgfw.efi! Error code = 0x70"},
        {"gpt_x86.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 2, L"winload.efi!"},
        {"ntfs_esp.xml", L"bcdboot C:\\Windows /s S: /f UEFI", 1005, L"(NTFS)"},
        // A command line it does not take: its whole help.
        {"demo.xml", L"bcdboot C:\\Windows /f BIOS", 87, L"/addlast   Specifies"},
        {"demo.xml", L"bcdboot C:\\Windows /s C: /addlast /p", 87, L"bcdboot <source>"},
        {"demo.xml", L"bcdboot /s C:", 87, L"Examples: bcdboot c:\\windows /l en-us"},
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
        if (c.exitCode != 87) {
            EXPECT_TRUE(run.text.starts_with(L"BFSVC Error: ")) << U(run.text);
            EXPECT_TRUE(run.text.ends_with(L"\r\nFailure when attempting to copy boot files.\r\n"));
        }
        EXPECT_EQ(machine->Files().AllPaths(), paths);
        EXPECT_EQ(machine->FirmwareEntries().size(), entries);
    }
}

// A partition that runs out of room mid-way keeps what was copied before the file that did not
// fit; that file leaves no trace, and the store is not touched.
TEST(Bcdboot, RunningOutOfRoomLeavesWhatItCopiedBefore) {
    Scenario scenario = English("full_esp.xml");
    scenario.disks[0].partitions[0].freeBytes = 2ull << 20;
    test::Machine machine(scenario);
    Mount(*machine, 0, 1, L'S');
    const auto store = *machine->Files().FileBytes(L"S:\\EFI\\Microsoft\\Boot\\BCD");
    const auto run = machine.Capture(L"bcdboot C:\\Windows /s S: /f UEFI");
    EXPECT_EQ(run.exitCode, 112u);
    EXPECT_THAT(run.text, HasSubstr(L"bootmgr.efi! Error code = 0x70"));
    EXPECT_EQ(ClassifyImage(*machine->Files().FileBytes(L"S:\\EFI\\Microsoft\\Boot\\bootmgfw.efi")),
              FileImage::BootmgrEfi)
        << "copied before the partition was full";
    EXPECT_FALSE(machine->Files().IsFile(L"S:\\EFI\\Microsoft\\Boot\\bootmgr.efi"));
    EXPECT_FALSE(machine->Files().IsFile(L"S:\\EFI\\Boot\\bootx64.efi"));
    EXPECT_EQ(*machine->Files().FileBytes(L"S:\\EFI\\Microsoft\\Boot\\BCD"), store);
    EXPECT_LT(machine->FreeBytes(*machine->VolumeAt(0, 1)), 1ull << 20);
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
