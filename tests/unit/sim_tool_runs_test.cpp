#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/bcd_ids.h"
#include "sim/store_access.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr wchar_t kBcdedit[] = L"C:\\Windows\\System32\\bcdedit.exe";

TEST(ToolRuns, BothWaysOfRunningReachTheStandInsAndEveryRunIsJournaled) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    const auto captured = machine.Capture(L"\"" + std::wstring(kBcdedit) + L"\" /timeout 7");
    EXPECT_EQ(captured.exitCode, 0u);
    EXPECT_EQ(captured.output,
              machine.CodePage().FromWide(L"操作成功完成。\r\n", CodePageKind::Oem))
        << "Chinese, in code page 936";
    const ProcessResult shell =
        machine.Shell(kBcdedit, L"/set {bootmgr} description \"Boot \\\"menu\\\"\"");
    EXPECT_TRUE(shell.started && shell.exitCodeKnown);
    EXPECT_EQ(shell.exitCode, 0u);

    const std::vector<ToolRun> runs = machine->ToolRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].captured);
    EXPECT_THAT(runs[0].arguments, ElementsAre(L"/timeout", L"7"));
    EXPECT_FALSE(runs[1].captured);
    EXPECT_EQ(runs[1].program, kBcdedit);
    EXPECT_THAT(runs[1].arguments,
                ElementsAre(L"/set", L"{bootmgr}", L"description", L"Boot \"menu\""));
    EXPECT_EQ(runs[1].exitCode, 0u);
    const BcdStoreData store = OpenStoreFile(machine->Files(), L"C:\\Boot\\BCD").data;
    EXPECT_EQ(FindElement(*FindObject(store, kBootmgrGuid), L"description")->text,
              L"Boot \"menu\"");
    const auto journal = machine->Journal();
    EXPECT_THAT(journal, Contains(L"run " + std::wstring(kBcdedit) +
                                  L" /set {bootmgr} description \"Boot \\\"menu\\\"\" -> 0"));
    EXPECT_THAT(journal, Contains(L"  > 操作成功完成。"));
    EXPECT_THAT(journal, Contains(HasSubstr(L"/timeout 7 -> 0")));
}

// A description passed without quotes arrives as several arguments: the real bcdedit refuses
// it, and so does the stand-in, so a quoting fault in the program shows.
TEST(ToolRuns, AnUnquotedDescriptionIsAParameterError) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    EXPECT_EQ(machine.Shell(kBcdedit, L"/set {bootmgr} description Windows 7 Ultimate").exitCode,
              1u);
    EXPECT_THAT(machine.LastText(), HasSubstr(L"参数错误。"));
}

TEST(ToolRuns, AToolRunsOnlyWhereItsFileIs) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    EXPECT_FALSE(machine.Capture(L"C:\\Temp\\bcdedit.exe /enum").started);
    EXPECT_FALSE(machine.Shell(L"C:\\Windows\\System32\\bootsect.exe", L"/nt60 C:").started)
        << "an installed Windows has no bootsect";
    EXPECT_TRUE(machine.Capture(L"bcdboot C:\\Windows /s C:").started) << "System32's";
    EXPECT_FALSE(machine.Capture(L"C:\\Windows\\System32\\diskpart.exe").started);
    EXPECT_THAT(machine->Journal(),
                Contains(L"capture C:\\Temp\\bcdedit.exe /enum -> not started"));
    machine->Files().AddFile(L"C:\\Temp\\BCDEDIT.EXE", {'x'});
    EXPECT_TRUE(machine.Capture(L"C:\\Temp\\bcdedit.exe /enum").started) << "any case";

    test::Machine pe(test::ScenarioFile("uefi_winpe.xml"));
    for (const wchar_t* tool : {L"bcdedit", L"bcdboot", L"bootsect"}) {
        EXPECT_TRUE(pe->Files().IsFile(L"X:\\Windows\\System32\\" + std::wstring(tool) + L".exe"))
            << testing::PrintToString(tool);
    }
    Scenario vista = test::ScenarioFile("deleted_bcd.xml");
    vista.disks[0].partitions[1].install->currentVersion = L"6.0";
    test::Machine old(vista);
    EXPECT_TRUE(old->Files().IsFile(L"C:\\Windows\\System32\\bcdedit.exe"));
    EXPECT_FALSE(old->Files().IsFile(L"C:\\Windows\\System32\\bcdboot.exe")) << "from 7 on";
    vista.systemTools = std::vector<std::wstring>{L"bootsect"};
    test::Machine chosen(vista);
    EXPECT_FALSE(chosen->Files().IsFile(L"C:\\Windows\\System32\\bcdedit.exe"));
    EXPECT_TRUE(chosen->Files().IsFile(L"C:\\Windows\\System32\\bootsect.exe"));
}

TEST(ToolRuns, AScenarioMakesChosenRunsFail) {
    Scenario scenario = test::ScenarioFile("demo.xml");
    scenario.failures.push_back({L"bcdboot", L"E:\\Windows*", 5, L"Injected failure", 1});
    scenario.failures.push_back({L"bcdedit", L"*/export*", 1, L"", 0});
    test::Machine machine(scenario);
    ASSERT_EQ(machine->Volumes().SetMountPoint(
                  L"F:\\", fake::FakeVolumePort::NameOf(machine->VolumeAt(0, 1)->id)),
              0u);
    const auto bytes = *machine->Files().FileBytes(L"F:\\Boot\\BCD");
    const auto failed = machine.Capture(L"bcdboot E:\\Windows /s F: /f BIOS");
    EXPECT_EQ(failed.exitCode, 5u);
    EXPECT_EQ(failed.text, L"Injected failure\r\n");
    EXPECT_EQ(*machine->Files().FileBytes(L"F:\\Boot\\BCD"), bytes) << "nothing was done";
    EXPECT_EQ(machine.Capture(L"bcdboot E:\\Windows /s F: /f BIOS").exitCode, 0u) << "once";
    EXPECT_EQ(machine.Capture(L"bcdboot C:\\Windows /s F: /f BIOS").exitCode, 0u);
    for (int i = 0; i < 3; ++i) {
        const auto run = machine.Capture(L"bcdedit /export C:\\copy");
        EXPECT_EQ(run.exitCode, 1u) << "every time";
        EXPECT_EQ(run.output, "");
    }
    EXPECT_FALSE(machine->Files().IsFile(L"C:\\copy"));
    EXPECT_EQ(machine.Capture(L"bcdedit /timeout 4").exitCode, 0u);
}

TEST(ToolRuns, AMachineWithoutACodePageSpeaksAscii) {
    Scenario scenario = test::ScenarioFile("wiped_mbr.xml");
    SimMachine machine(scenario);
    std::string output;
    const ProcessResult result = machine.Processes().RunCaptured(L"bcdedit /timeout 3", output);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(output, "The operation completed successfully.\r\n");
}

TEST(DiskSectors, SectorZeroIsTheCodeThePartitionTableAndTheSignature) {
    test::Machine machine(test::ScenarioFile("demo.xml"));
    const auto mbr = machine->DiskSector0(0);
    const auto code = MbrCodeBytes(MbrCode::Nt60);
    EXPECT_TRUE(std::equal(code.begin(), code.end(), mbr.begin()));
    auto le32 = [&](const auto& s, std::size_t at) {
        return s[at] | (s[at + 1] << 8) | (s[at + 2] << 16) |
               (static_cast<unsigned>(s[at + 3]) << 24);
    };
    // System Reserved: active, NTFS, from 1 MiB, 100 MiB long; then C: and D:.
    EXPECT_EQ(mbr[446], 0x80);
    EXPECT_EQ(mbr[446 + 4], 0x07);
    EXPECT_EQ(le32(mbr, 446 + 8), 2048u);
    EXPECT_EQ(le32(mbr, 446 + 12), 204800u);
    EXPECT_EQ(mbr[462], 0x00);
    EXPECT_EQ(le32(mbr, 462 + 8), 101u * 2048);
    EXPECT_EQ(le32(mbr, 478 + 8), 130149u * 2048);
    EXPECT_EQ(le32(mbr, 494 + 8), 0u) << "three partitions, the fourth slot empty";
    EXPECT_EQ(mbr[510], 0x55);
    EXPECT_EQ(mbr[511], 0xAA);
    const auto gpt = machine->DiskSector0(1);
    EXPECT_EQ(gpt[446 + 4], 0xEE) << "the protective entry";
    EXPECT_EQ(le32(gpt, 446 + 8), 1u);
    const DiskVolume& reserved = *machine->VolumeAt(0, 1);
    EXPECT_EQ(machine->VolumeBootCode(reserved), BootRecordCode::Ntldr);
    EXPECT_EQ(std::string(reserved.bootSector.begin() + 3, reserved.bootSector.begin() + 11),
              "NTFS    ");
    EXPECT_EQ(machine->VolumeBootCode(*machine->VolumeAt(1, 1)), BootRecordCode::Bootmgr)
        << "a FAT32 ESP formatted by Windows";
    EXPECT_EQ(machine->VolumeBootCode(*machine->VolumeAt(1, 2)), BootRecordCode::None)
        << "the MSR has no file system";
}

}  // namespace
}  // namespace qn::sim
