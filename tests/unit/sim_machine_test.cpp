#include "sim/sim_machine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/start_summary.h"
#include "boot/work_dir.h"
#include "disk/disk_info.h"
#include "disk/installation_scan.h"
#include "disk/mount_pass.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_random_source.h"
#include "sim/scenario_reader.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

Scenario Demo() {
    std::ifstream file(QN_SOURCE_DIR "/sim/scenarios/demo.xml", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    auto result = ReadScenario(text.str());
    return std::get<Scenario>(result);
}

// The program's start-up and scan, run over the simulated demo machine.
class DemoMachine : public ::testing::Test {
protected:
    DemoMachine() : machine(Demo()) {}

    // Built on first use, as the program's process-wide inventory is.
    DiskInfo& Inventory(bool refresh) {
        if (!inventory) {
            inventory.emplace(machine.Storage(), codePage);
        } else if (refresh) {
            inventory->Refresh();
        }
        return *inventory;
    }

    MountPorts Ports() {
        return MountPorts{machine.VolumePortForProgram(),
                          machine.Storage(),
                          machine.Processes(),
                          diagnostics,
                          [this](bool refresh) -> DiskInfo& { return Inventory(refresh); },
                          [](std::chrono::milliseconds) {}};
    }

    fake::FakeCodePage codePage{936, 936};
    fake::FakeDiagnostics diagnostics;
    SimMachine machine;
    std::optional<DiskInfo> inventory;
};

TEST_F(DemoMachine, LetterlessBootPartitionsGetLettersThatGoAgainAtShutdown) {
    EspMountTable table;
    MountLetterlessVolumes(table, Ports());
    // F: is the first free letter after C, D, E: the system reserved partition takes it, the
    // ESP the next one.
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{1, 'G'}}));
    EXPECT_EQ(table.temporaryLetters, (std::set<char>{'F', 'G'}));
    EXPECT_TRUE(machine.Files().IsFile(L"F:\\Boot\\BCD"));
    EXPECT_TRUE(machine.Files().IsFile(L"G:\\EFI\\Microsoft\\Boot\\BCD"));

    const StartSummary summary = BuildStartSummary(
        SummaryInputFrom(Inventory(false), machine.Storage()), table.espLetters, false);
    EXPECT_EQ(summary.diskText, L"磁盘0:MBR    磁盘1:GPT    ");
    EXPECT_EQ(summary.activeText, L"磁盘0:     F:    磁盘1:     G:    ");

    RemoveEspMountPoints(table, machine.VolumePortForProgram(), diagnostics);
    EXPECT_FALSE(machine.Files().PathExists(L"F:\\"));
    EXPECT_FALSE(machine.Files().PathExists(L"G:\\"));
    const auto journal = machine.Journal();
    EXPECT_THAT(journal, Contains(HasSubstr(L"unmount F:\\")));
    EXPECT_THAT(journal, Contains(HasSubstr(L"unmount G:\\")));
}

TEST_F(DemoMachine, ScanFindsEveryInstallationAndUnloadsEachHive) {
    DetectStatus status;
    auto claim = DetectionClaim::TryTake(status);
    ASSERT_TRUE(claim);
    const InstallationTable table = ScanInstallations(
        *claim, InstallationScanPorts{machine.Files(), machine.Registry(), machine.Redirection(),
                                      machine.Processes()});
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.at('C').displayName, L"Windows 7 Ultimate x64");
    EXPECT_EQ(table.at('D').displayName, L"Microsoft Windows XP x86");
    EXPECT_EQ(table.at('E').displayName, L"Windows 10 Pro x64");
    EXPECT_FLOAT_EQ(table.at('E').version, 6.3f);
    EXPECT_FALSE(machine.Registry().HasKey(RegistryRoot::Users, L"Software"));
    const auto journal = machine.Journal();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::wstring& l) { return l.find(L"reg load") != l.npos; }),
              2);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::wstring& l) { return l.find(L"reg unload") != l.npos; }),
              2);
}

TEST(SimMachine, WinPeRunsFromXAndSeesNoRunningInstallation) {
    auto result = ReadScenario(
        "<machine winpe='true'><disk number='0' style='gpt' size='100G'>"
        "<partition offset='1M' length='100M' gpttype='esp' fs='FAT32'/>"
        "<partition offset='200M' length='50G' letter='C'>"
        "<windows product='Windows 11 Pro' version='6.3'/></partition></disk></machine>");
    SimMachine machine(std::get<Scenario>(result));
    EXPECT_EQ(machine.Files().FolderPath(KnownFolder::System), L"X:\\Windows\\System32");
    EXPECT_TRUE(machine.Files().PathExists(L"X:\\Windows\\System32\\cmd.exe"));
    EXPECT_FALSE(machine.Registry().HasKey(RegistryRoot::LocalMachine, kCurrentVersionKey));
    ShellRequest load{L"\"X:\\Windows\\System32\\cmd.exe\"",
                      L"/c reg load hku\\Software C:\\Windows\\System32\\config\\SOFTWARE"};
    EXPECT_EQ(machine.Processes().StartThroughShell(load).exitCode, 0u);
    EXPECT_EQ(machine.Processes().StartThroughShell(load).exitCode, 1u) << "loaded twice";
    ShellRequest unknown{L"\"X:\\tools\\pecmd.exe\"", L"show"};
    EXPECT_FALSE(machine.Processes().StartThroughShell(unknown).started);
}

TEST_F(DemoMachine, AFileTheProgramWroteIsHandedOverWhenClosedNotBefore) {
    std::vector<std::pair<std::wstring, std::string>> closed;
    machine.SetFileSink([&](const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
        closed.emplace_back(path, std::string(bytes.begin(), bytes.end()));
    });
    const std::wstring path = L"C:\\Users\\Administrator\\Desktop\\x.log";
    {
        auto file = machine.FilesForProgram().CreateFileForWrite(path);
        ASSERT_NE(file, nullptr);
        const std::string text = "first\r\nsecond";
        for (std::size_t at = 0; at < text.size(); at += 5) {
            const std::size_t size = std::min<std::size_t>(5, text.size() - at);
            ASSERT_EQ(file->Write(reinterpret_cast<const std::uint8_t*>(text.data() + at), size),
                      size);
        }
        EXPECT_TRUE(closed.empty()) << "handed over while still open";
    }
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].first, path);
    EXPECT_EQ(closed[0].second, "first\r\nsecond");
    EXPECT_EQ(machine.FilesForProgram().CreateFileForWrite(L"Q:\\nowhere\\x.log"), nullptr);
    EXPECT_EQ(closed.size(), 1u);
}

}  // namespace
}  // namespace qn::sim

namespace qn::sim {
namespace {

TEST_F(DemoMachine, WorkDirectoryLivesOnTheRunningSystemAndIsJournaled) {
    fake::FakeRandomSource random;
    std::wstring path;
    {
        WorkDir dir(machine.FilesForProgram(), random);
        ASSERT_TRUE(dir.Valid());
        path = dir.Path();
        EXPECT_EQ(path.rfind(L"C:\\Users\\Administrator\\AppData\\Local\\Temp\\", 0), 0u) << path;
    }
    const auto journal = machine.Journal();
    EXPECT_THAT(journal, Contains(L"mkdir " + path));
    EXPECT_THAT(journal, Contains(L"rmdir " + path));
}

}  // namespace
}  // namespace qn::sim

namespace qn::sim {
namespace {

TEST(SimMachine, ElevenPartitionsOnOneDiskKeepTheirOwnFiles) {
    std::string xml = "<machine><disk number='0' size='1T'>";
    for (int i = 0; i < 11; ++i) {
        xml += "<partition offset='" + std::to_string(i + 1) + "G' length='512M' letter='" +
               std::string(1, static_cast<char>('C' + i)) + "'><file path='\\p" +
               std::to_string(i) + "'/></partition>";
    }
    xml += "</disk></machine>";
    SimMachine machine(std::get<Scenario>(ReadScenario(xml)));
    for (int i = 0; i < 11; ++i) {
        const std::wstring root(1, static_cast<wchar_t>(L'C' + i));
        EXPECT_TRUE(machine.Files().IsFile(root + L":\\p" + std::to_wstring(i))) << i;
        EXPECT_FALSE(machine.Files().IsFile(root + L":\\p" + std::to_wstring((i + 1) % 11))) << i;
    }
}

// A running Windows holds its system store (with its log) and its hives open: the program can
// see them but not copy, read, replace or delete them; the stand-in bcdedit still reaches the
// store, and nothing is held from Windows PE or when the scenario says so.
TEST(SimHeldFiles, TheRunningSystemsStoreAndHivesAnswerAsInUse) {
    struct Case {
        const char* name;
        bool winPE;
        bool systemFilesOpen;
        bool held;
    };
    for (const Case& c : {Case{"running", false, true, true}, Case{"pe", true, true, false},
                          Case{"not held", false, false, false}}) {
        Scenario scenario = Demo();
        scenario.winPE = c.winPE;
        scenario.systemFilesOpen = c.systemFilesOpen;
        scenario.disks[0].partitions[0].letter = 'F';  // System Reserved, the system partition
        fake::FakeCodePage codePage;
        SimMachine machine(scenario, codePage);
        FileSystem& files = machine.FilesForProgram();
        SCOPED_TRACE(c.name);
        EXPECT_EQ(machine.IsHeldOpen(L"f:\\boot\\bcd"), c.held);
        EXPECT_EQ(machine.IsHeldOpen(L"F:\\Boot\\BCD.LOG"), c.held);
        EXPECT_EQ(machine.IsHeldOpen(L"C:\\Windows\\System32\\config\\SOFTWARE"), c.held);
        EXPECT_FALSE(machine.IsHeldOpen(L"F:\\bootmgr"));
        EXPECT_FALSE(machine.IsHeldOpen(L"D:\\Windows\\System32\\config\\SOFTWARE"));
        EXPECT_TRUE(files.FileSize(L"F:\\Boot\\BCD").has_value());
        EXPECT_TRUE(files.Attributes(L"F:\\Boot\\BCD").has_value());
        EXPECT_EQ(files.ReadFileBytes(L"F:\\Boot\\BCD", 1 << 20).has_value(), !c.held);
        EXPECT_EQ(files.CopyFileTo(L"F:\\Boot\\BCD", L"C:\\BCD.copy", false), !c.held);
        EXPECT_EQ(files.CopyFileTo(L"C:\\BCD.copy", L"F:\\Boot\\BCD", true), !c.held);
        EXPECT_EQ(files.MoveReplacing(L"C:\\BCD.copy", L"F:\\Boot\\BCD"), !c.held);
        EXPECT_EQ(files.CreateFileForWrite(L"F:\\Boot\\BCD") != nullptr, !c.held);
        EXPECT_EQ(files.RemoveFile(L"F:\\Boot\\BCD"), !c.held);
        if (c.held) {
            EXPECT_THAT(machine.Journal(), Contains(L"del F:\\Boot\\BCD failed (in use)"));
            // The store is still there and still the system's, as bcdedit shows.
            std::string output;
            EXPECT_EQ(machine.Processes()
                          .RunCaptured(L"C:\\Windows\\System32\\bcdedit.exe /enum", output)
                          .exitCode,
                      0u);
            EXPECT_THAT(output, HasSubstr("Windows 7"));
        }
    }
}

// A file the scenario names is held wherever it is, with or without a running Windows.
TEST(SimHeldFiles, TheScenarioNamesFilesInUse) {
    Scenario scenario = Demo();
    scenario.winPE = true;
    scenario.disks[0].partitions[2].openFiles.push_back(L"\\BOOT.INI");
    fake::FakeCodePage codePage;
    SimMachine machine(scenario, codePage);
    EXPECT_TRUE(machine.IsHeldOpen(L"D:\\boot.ini"));
    EXPECT_FALSE(machine.FilesForProgram().RemoveFile(L"D:\\boot.ini"));
    EXPECT_TRUE(machine.VolumeInUse(*machine.VolumeAt(0, 3)));
    EXPECT_FALSE(machine.VolumeInUse(*machine.VolumeAt(0, 2)));  // C: runs nothing in PE
}

}  // namespace
}  // namespace qn::sim
