// The command sequences of the automatic repair, run by hand on the simulated machine with the
// program's own command builders and runners, and judged by the boot verdict.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "boot/bcd_commands.h"
#include "boot/bcd_store.h"
#include "boot/carried_tool.h"
#include "boot/command_runner.h"
#include "boot/extract_resource.h"
#include "boot/fake/fake_profile_file.h"
#include "boot/resource_ids.h"
#include "boot/work_dir.h"
#include "disk/disk_info.h"
#include "disk/storage_queries.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"
#include "sim/bcd_ids.h"
#include "sim/loader_image.h"
#include "sim/store_access.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::ElementsAre;

constexpr wchar_t kTimeStamp[] = L"20240101120000";
constexpr std::uint32_t kBootFiles = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

std::vector<std::uint8_t> Marker(const char* text) {
    return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

// What the sim build embeds: markers for the tools (the stand-ins go by file name) and for
// the legacy loader files.
fake::FakeModuleResources SimResources() {
    fake::FakeModuleResources resources;
    resources.Add(kResBcdboot, kBinResourceType, Marker("stand-in bcdboot.exe"));
    resources.Add(kResBcdedit, kBinResourceType, Marker("stand-in bcdedit.exe"));
    resources.Add(kResBootsect, kBinResourceType, Marker("stand-in bootsect.exe"));
    resources.Add(kResNtldr, kBinResourceType, Marker("stand-in ntldr"));
    resources.Add(kResNtdetect, kBinResourceType, Marker("stand-in NTDETECT.COM"));
    return resources;
}

struct Repair {
    test::Machine& machine;
    fake::FakeModuleResources resources = SimResources();
    fake::FakeRandomSource random;
    std::optional<WorkDir> work;
    std::wstring bcdboot, bcdedit, bootsect;

    explicit Repair(test::Machine& m) : machine(m) {
        work.emplace(machine->FilesForProgram(), random);
        EXPECT_TRUE(work->Valid());
        auto prepare = [&](CarriedTool tool) {
            const PreparedTool prepared =
                PrepareTool(machine->FilesForProgram(), resources, *work, tool);
            EXPECT_EQ(prepared.source, ToolSource::Embedded);
            return prepared.path;
        };
        bcdboot = prepare(CarriedTool::Bcdboot);
        bcdedit = prepare(CarriedTool::Bcdedit);
        bootsect = prepare(CarriedTool::Bootsect);
    }

    BcdTool Tool() { return BcdTool{machine->Processes(), machine.CodePage(), bcdedit}; }
    ProcessResult Shell(const std::wstring& program, const std::wstring& parameters,
                        bool noUi = false) {
        return ShellRun(machine->Processes(), program, parameters, true, false, noUi);
    }
    ProcessResult Bcdedit(const std::wstring& parameters) {
        const ProcessResult result = RunBcdedit(Tool(), parameters);
        EXPECT_EQ(result.exitCode, 0u) << testing::PrintToString(parameters) << " said "
                                       << testing::PrintToString(machine.LastText());
        return result;
    }

    // The Vista-or-later part for one system, as the engine runs it with a lettered boot
    // partition: bcdboot, the loader found, then its display order, name, timeout.
    std::wstring Nt6System(wchar_t letter, const std::wstring& displayName, const std::wstring& bd,
                           const std::wstring& store) {
        const std::wstring windows = std::wstring(1, letter) + L":\\Windows";
        EXPECT_EQ(Shell(bcdboot, windows + L" /s " + bd + L" /f BIOS /l zh-CN", true).exitCode, 0u)
            << testing::PrintToString(machine.LastText());
        const std::wstring id =
            FindLoaderIdByLetter(Tool(), store, true, static_cast<char>(letter));
        EXPECT_FALSE(id.empty());
        Bcdedit(DisplayOrderAddLastCommand(store, id));
        Bcdedit(SetDescriptionCommand(store, id, displayName));
        Bcdedit(TimeoutCommand(store, L"3"));
        return id;
    }

    // boot.ini, ntldr and NTDETECT.COM on the boot partition and the XP line as its default,
    // then the chain from the boot manager, as the engine's legacy step does for the first
    // pre-Vista system.
    void LegacyLoader(const std::wstring& bd, const std::wstring& store, wchar_t letter,
                      const std::wstring& displayName, wchar_t ntldrDeviceLetter) {
        FileSystem& files = machine->FilesForProgram();
        const std::wstring ini = bd + L"\\boot.ini";
        const std::wstring ntl = bd + L"\\ntldr";
        const std::wstring ntd = bd + L"\\NTDETECT.COM";
        for (const std::wstring& file : {ini, ntl, ntd}) {
            files.SetAttributes(file, kAttributeNormal);
        }
        files.CopyFileTo(ini, ini + L"_" + kTimeStamp, true);
        if (!files.PathExists(ini)) {
            auto file = files.CreateFileForWrite(ini);
            const std::string text =
                "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)"
                "\\WINDOWS\r\n[operating systems]\r\n";
            file->Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        }
        EXPECT_TRUE(ExtractResource(files, resources, ntl, kResNtldr, kBinResourceType));
        EXPECT_TRUE(ExtractResource(files, resources, ntd, kResNtdetect, kBinResourceType));
        Bcdedit(CreateNtldrEntryCommand(store, displayName));
        Bcdedit(SetNtldrPathCommand(store));
        Bcdedit(SetNtldrDeviceCommand(store, ntldrDeviceLetter));
        Bcdedit(SetNtldrLocaleCommand(store));
        Bcdedit(DisplayOrderAddLastCommand(store, kNtldrId));

        DiskInfo inventory(machine->Storage(), machine.CodePage());
        const char xp = static_cast<char>(letter);
        const int r = IsRemovableLetter(machine->Storage(), xp)
                          ? 0
                          : GetDiskNumberOfLetter(machine->Storage(), xp);
        const int p = inventory.GetOrdinalOfLetter(xp);
        const std::wstring key = L"multi(0)disk(0)rdisk(" + std::to_wstring(r) + L")partition(" +
                                 std::to_wstring(p) + L")\\WINDOWS";
        fake::FakeProfileFile profile(machine->Files(), machine.CodePage());
        EXPECT_TRUE(profile.WriteString(
            L"operating systems", key,
            L"\"" + displayName + L"\" /noexecute=optin /fastdetect /noexecute=alwaysoff", ini));
        EXPECT_TRUE(profile.WriteString(L"boot loader", L"default", key, ini));
        EXPECT_TRUE(profile.WriteString(L"boot loader", L"timeout", L"3", ini));
        for (const std::wstring& file : {ini, ntl, ntd}) {
            files.SetAttributes(file, kBootFiles);
        }
    }
};

// Windows 7 on C: (the active partition of MBR disk 0) and XP on D:: the automatic repair's
// commands leave a machine that offers both, Windows 7 by default.
TEST(RepairSequence, WindowsSevenOnCAndXpOnDBothBootWithSevenAsDefault) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    const BootVerdict before = machine->Boot();
    ASSERT_EQ(before.menu.size(), 1u) << "XP's boot code hides Windows 7";

    Repair repair(machine);
    const std::wstring bd = L"C:";
    const std::wstring store = bd + L"\\Boot\\BCD";
    EXPECT_EQ(repair.Shell(repair.bootsect, L"/nt60 " + bd + L" /mbr").exitCode, 0u);
    repair.Bcdedit(ExportStoreCommand(store + L"_" + kTimeStamp));
    const std::wstring seven = repair.Nt6System(L'C', L"Windows 7 Ultimate x64", bd, store);
    repair.Bcdedit(DefaultCommand(store, seven));
    repair.Bcdedit(GraphicsResolutionCommand(store));
    repair.LegacyLoader(bd, store, L'D', L"Microsoft Windows XP x86", L'C');
    repair.work.reset();

    const BootVerdict after = machine->Boot();
    EXPECT_TRUE(after.boots) << testing::PrintToString(after.problem);
    EXPECT_EQ(after.timeout, 3);
    ASSERT_EQ(after.menu.size(), 2u) << VerdictJson(after);
    EXPECT_EQ(after.menu[0].text, L"Windows 7 Ultimate x64");
    EXPECT_EQ(after.menu[0].product, L"Windows 7 Ultimate");
    EXPECT_EQ(after.menu[0].disk, 0);
    EXPECT_EQ(after.menu[0].partition, 1);
    EXPECT_TRUE(after.menu[0].isDefault);
    EXPECT_EQ(after.menu[1].text, L"Microsoft Windows XP x86");
    EXPECT_EQ(after.menu[1].product, L"Microsoft Windows XP");
    EXPECT_EQ(after.menu[1].partition, 2);
    EXPECT_FALSE(after.menu[1].isDefault);

    // The backups hold the machine as it was: the exported store reads back as the old one.
    EXPECT_EQ(OpenStoreFile(machine->Files(), store + L"_" + kTimeStamp).state, StoreState::Ok);
    EXPECT_TRUE(machine->Files().IsFile(L"C:\\boot.ini_20240101120000"));
    EXPECT_EQ(machine->Files().AttributesOf(L"C:\\boot.ini"), kBootFiles);
    const BcdStoreData data = OpenStoreFile(machine->Files(), store).data;
    EXPECT_EQ(FindElement(*FindObject(data, kBootmgrGuid), L"graphicsresolution")->text,
              L"1024x768");
    // The work folder went; its tools were run from there.
    for (const ToolRun& run : machine->ToolRuns()) {
        EXPECT_EQ(run.program.find(L"C:\\Users\\Administrator\\AppData\\Local\\Temp\\"), 0u)
            << testing::PrintToString(run.program);
    }
}

// The demo machine after the automatic repair's commands: NT6 code, Windows 7 and 10 through
// bcdboot onto "System Reserved" (mounted as F:), and XP chained through ntldr.
TEST(RepairSequence, TheDemoMachineBootsAllThreeSystems) {
    test::Machine machine(test::ScenarioFile("demo.xml"));
    ASSERT_FALSE(machine->Boot().boots);
    const DiskVolume* reserved = machine->VolumeAt(0, 1);
    ASSERT_EQ(machine->VolumePortForProgram().SetMountPoint(
                  L"F:\\", fake::FakeVolumePort::NameOf(reserved->id)),
              0u);
    Repair repair(machine);
    const std::wstring bd = L"F:";
    const std::wstring store = L"F:\\Boot\\BCD";
    EXPECT_EQ(repair.Shell(repair.bootsect, L"/nt60 F: /mbr").exitCode, 0u);
    repair.Bcdedit(ExportStoreCommand(store + L"_" + kTimeStamp));
    const std::wstring seven = repair.Nt6System(L'C', L"Windows 7 Ultimate x64", bd, store);
    repair.Nt6System(L'E', L"Windows 10 Pro x64", bd, store);
    repair.Bcdedit(DefaultCommand(store, seven));
    repair.Bcdedit(GraphicsResolutionCommand(store));
    repair.LegacyLoader(bd, store, L'D', L"Microsoft Windows XP x86", L'F');
    repair.work.reset();
    ASSERT_EQ(machine->VolumePortForProgram().DeleteMountPoint(L"F:\\"), 0u);

    const BootVerdict after = machine->Boot();
    EXPECT_TRUE(after.boots) << testing::PrintToString(after.problem);
    ASSERT_EQ(after.menu.size(), 3u) << VerdictJson(after);
    EXPECT_EQ(after.menu[0].product, L"Windows 7 Ultimate");
    EXPECT_TRUE(after.menu[0].isDefault);
    EXPECT_EQ(after.menu[1].product, L"Windows 10 Pro");
    EXPECT_EQ(after.menu[1].disk, 1);
    EXPECT_EQ(after.menu[1].partition, 3);
    EXPECT_EQ(after.menu[2].product, L"Microsoft Windows XP");
    EXPECT_EQ(after.menu[2].partition, 3) << "ARC counts the unlettered partition too";
}

// A chain entry that names the installation's partition instead of the one holding ntldr
// starts nothing: the verdict tells the two apart.
TEST(RepairSequence, AnNtldrEntryMustNameThePartitionThatHoldsNtldr) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    Repair repair(machine);
    EXPECT_EQ(repair.Shell(repair.bootsect, L"/nt60 C: /mbr").exitCode, 0u);
    repair.LegacyLoader(L"C:", L"C:\\Boot\\BCD", L'D', L"Microsoft Windows XP x86", L'D');
    repair.Bcdedit(DefaultCommand(L"C:\\Boot\\BCD", kNtldrId));
    const BootVerdict verdict = machine->Boot();
    EXPECT_FALSE(verdict.boots);
    EXPECT_THAT(verdict.problem, testing::HasSubstr(L"ntldr, which is missing"));
}

// Copies of the store file are the store: deleting it breaks the machine, copying the backup
// back mends it exactly.
TEST(StoreBackup, ACopyOfTheFileBringsTheStoreBack) {
    Scenario scenario = test::ScenarioFile("raw_volume.xml");
    scenario.systemFilesOpen = false;  // a running system would keep the file from being copied
    test::Machine machine(scenario);
    const std::string healthy = VerdictJson(machine->Boot());
    ASSERT_TRUE(machine->Boot().boots);
    ASSERT_EQ(machine->VolumePortForProgram().SetMountPoint(
                  L"G:\\", fake::FakeVolumePort::NameOf(machine->VolumeAt(0, 1)->id)),
              0u);
    FileSystem& files = machine->FilesForProgram();
    ASSERT_TRUE(files.CopyFileTo(L"G:\\Boot\\BCD", L"C:\\BCD_backup", false));
    ASSERT_TRUE(files.RemoveFile(L"G:\\Boot\\BCD"));
    EXPECT_THAT(machine->Boot().problem, testing::HasSubstr(L"\\Boot\\BCD missing"));
    ASSERT_TRUE(files.CopyFileTo(L"C:\\BCD_backup", L"G:\\Boot\\BCD", false));
    EXPECT_EQ(VerdictJson(machine->Boot()), healthy);
    // A damaged copy is a store that cannot be read, for the firmware as for bcdedit.
    std::vector<std::uint8_t> damaged = *machine->Files().FileBytes(L"G:\\Boot\\BCD");
    damaged.resize(damaged.size() / 2);
    ASSERT_TRUE(machine->Files().StoreBytes(L"G:\\Boot\\BCD", damaged));
    EXPECT_THAT(machine->Boot().problem, testing::HasSubstr(L"cannot be read"));
}

}  // namespace
}  // namespace qn::sim
