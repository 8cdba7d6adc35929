// The program without its window, over the simulated machine: /plan, /auto and the report.
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>

#include "app/unattended_run.h"
#include "boot/fake/fake_profile_file.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

class Lines final : public ConsoleOutput {
public:
    void Line(const std::wstring& text) override { lines.push_back(text); }
    std::vector<std::wstring> lines;
};

// The process the command line starts: nothing prepared beforehand, the machine as it is.
class Unattended {
public:
    explicit Unattended(const Scenario& scenario)
        : machine(scenario),
          clock({2026, 12, 8, 10, 30, 0, 0}),
          profile(machine->Files(), machine.CodePage()) {
        resources.Add(kResBcdboot, kBinResourceType, test::MarkerBytes("bcdboot"));
        resources.Add(kResBcdedit, kBinResourceType, test::MarkerBytes("bcdedit"));
        resources.Add(kResBootsect, kBinResourceType, test::MarkerBytes("bootsect"));
        resources.Add(kResNtldr, kBinResourceType, test::MarkerBytes("ntldr"));
        resources.Add(kResNtdetect, kBinResourceType, test::MarkerBytes("NTDETECT.COM"));
    }

    int Run(const std::vector<std::wstring>& arguments) {
        CommandLineError error;
        auto options = ParseCommandLine(arguments, error);
        if (!options) {
            return RefuseCommandLine(error.message, console);
        }
        UnattendedPorts ports{
            RepairPorts{machine->FilesForProgram(), machine->Processes(), profile, resources, clock,
                        random, machine.CodePage(), machine->Storage(), machine->Redirection(),
                        Inventory(false), machine->FirmwareForProgram()},
            MountPorts{machine->VolumePortForProgram(), machine->Storage(), machine->Processes(),
                       diagnostics,
                       [this](bool refresh) -> DiskInfo& { return Inventory(refresh); },
                       [](std::chrono::milliseconds) {}},
            InstallationScanPorts{machine->FilesForProgram(), machine->Registry(),
                                  machine->Redirection(), machine->Processes()},
            output,
            console,
            L"test"};
        return RunUnattended(*options, ports);
    }

    DiskInfo& Inventory(bool refresh) {
        if (!inventory) {
            inventory = std::make_unique<DiskInfo>(machine->Storage(), machine.CodePage());
        } else if (refresh) {
            inventory->Refresh();
        }
        return *inventory;
    }

    std::string Output(const std::wstring& path) {
        const auto* bytes = output.FileBytes(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }

    test::Machine machine;
    fake::FakeClock clock;
    fake::FakeProfileFile profile;
    fake::FakeModuleResources resources;
    fake::FakeRandomSource random;
    fake::FakeDiagnostics diagnostics;
    fake::FakeFileSystem output;  // the real disk the report goes to, not the machine's
    Lines console;
    std::unique_ptr<DiskInfo> inventory;
};

TEST(Unattended, AutomaticRepairOfTheDemoMachineReportsEverything) {
    Unattended program(test::ScenarioFile("demo.xml"));
    program.output.AddDirectory(L"Z:\\out");
    EXPECT_EQ(program.Run({L"/auto", L"/json", L"Z:\\out\\r.json", L"/log", L"Z:\\out\\r.log"}),
              kExitDone);
    EXPECT_TRUE(program.machine->Boot().boots);
    EXPECT_THAT(program.console.lines, Contains(L"修复完成!"));
    EXPECT_THAT(program.console.lines, Contains(L"正在修复: C: Windows 7 Ultimate x64......成功"));
    EXPECT_THAT(program.console.lines, Not(Contains(L"正在修复: C: Windows 7 Ultimate x64...")))
        << "a progress row reached the console";
    const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["failedSteps"], 0);
    EXPECT_EQ(report["inputs"]["boot"], "F:");
    EXPECT_EQ(report["machine"]["disks"].size(), 2u);
    EXPECT_EQ(report["machine"]["installations"][0]["name"], "Windows 7 Ultimate x64");
    EXPECT_EQ(report["verification"].size(), 3u);
    EXPECT_EQ(report["backups"][0], "F:\\Boot\\BCD_20261208103000");
    bool sawBcdboot = false;
    for (const auto& step : report["steps"]) {
        if (step.contains("commandLine") && step["commandLine"].get<std::string>().find(
                                                "bcdboot.exe\" C:\\Windows") != std::string::npos) {
            sawBcdboot = true;
            EXPECT_EQ(step["exitCode"], 0);
        }
    }
    EXPECT_TRUE(sawBcdboot);
    EXPECT_FALSE(report["diagnosisBefore"]["boots"]);
    EXPECT_TRUE(report["diagnosisAfter"]["boots"]);
    EXPECT_TRUE(report["undoRecord"].is_string());
    // QN_REPORT_FIXTURE=path writes this report as the README's example and the report
    // reader's fixture (tests/fixtures/report/demo_auto.json).
    if (const char* fixture = std::getenv("QN_REPORT_FIXTURE")) {
        std::ofstream(fixture, std::ios::binary) << program.Output(L"Z:\\out\\r.json");
    }
    EXPECT_EQ(program.Output(L"Z:\\out\\r.log").substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_THAT(program.Output(L"Z:\\out\\r.log"), HasSubstr("修复完成!"));
    // The letters the run gave are gone again.
    EXPECT_FALSE(program.machine->Files().PathExists(L"F:\\"));
}

TEST(Unattended, AFailedStepGivesOneAndTheReportNamesIt) {
    Scenario scenario = test::ScenarioFile("demo.xml");
    scenario.failures.push_back({L"bcdboot", L"E:\\Windows*", 1, L"Failure.", 1});
    Unattended program(scenario);
    program.output.AddDirectory(L"Z:\\out");
    EXPECT_EQ(program.Run({L"/auto", L"/json", L"Z:\\out\\r.json"}), kExitStepFailed);
    const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
    EXPECT_EQ(report["exitCode"], 1);
    bool named = false;
    for (const auto& row : report["rows"]) {
        named = named ||
                row.get<std::string>().find("E: Windows 10 Pro x64......失败") != std::string::npos;
    }
    EXPECT_TRUE(named);
}

TEST(Unattended, PlanChangesNothing) {
    Unattended program(test::ScenarioFile("xp_and_7.xml"));
    const auto boot = VerdictJson(program.machine->Boot());
    EXPECT_EQ(program.Run({L"/plan", L"/timeout", L"5"}), kExitDone);
    EXPECT_EQ(VerdictJson(program.machine->Boot()), boot);
    // The diagnosis that chooses the boot partition runs bcdedit from a work folder of its own,
    // which is gone again at the end; nothing else is touched.
    const std::wstring temp = L"C:\\Users\\Administrator\\AppData\\Local\\Temp\\";
    for (const std::wstring& line : program.machine->Journal()) {
        EXPECT_TRUE(line.rfind(L"mount ", 0) == 0 || line.rfind(L"unmount ", 0) == 0 ||
                    line.find(L"reg load") != std::wstring::npos ||
                    line.find(L"reg unload") != std::wstring::npos ||
                    line.find(L" " + temp.substr(0, temp.size() - 1)) != std::wstring::npos)
            << "the plan did " << WideToUtf8(line);
    }
    const auto left = program.machine->Files().ListDirectory(temp.substr(0, temp.size() - 1));
    EXPECT_TRUE(!left || left->empty()) << "the work folder was left behind";
    EXPECT_THAT(program.console.lines,
                Contains(HasSubstr(L"引导文件将写入: 磁盘0 激活分区 C: (BIOS 启动盘)")));
    EXPECT_THAT(program.console.lines, Contains(HasSubstr(L"/store C:\\Boot\\BCD /timeout 5")));
}

TEST(Unattended, AutoRepairsTheDiskTheBiosStartsAndSaysWhichOne) {
    Unattended program(test::ScenarioFile("usb_stick_bios.xml"));
    EXPECT_EQ(program.Run({L"/auto"}), kExitDone);
    EXPECT_THAT(program.console.lines, Contains(HasSubstr(L"引导文件将写入: 磁盘1 激活分区 ")));
    EXPECT_TRUE(program.machine->Boot().boots) << WideToUtf8(program.machine->Boot().problem);
    // /boot still overrides the choice: the stick, if the user says so.
    Unattended chosen(test::ScenarioFile("usb_stick_bios.xml"));
    EXPECT_EQ(chosen.Run({L"/plan", L"/boot", L"D"}), kExitDone);
    EXPECT_THAT(chosen.console.lines, Not(Contains(HasSubstr(L"引导文件将写入"))));
    EXPECT_THAT(chosen.console.lines, Contains(HasSubstr(L"/nt60 D: /mbr")));
}

TEST(Unattended, RefusesWhatItMustNotDoBeforeChangingAnything) {
    struct Case {
        const char* scenario;
        std::vector<std::wstring> arguments;
        int exitCode;
        const wchar_t* line;
    } cases[] = {
        {"demo.xml",
         {L"/auto", L"/boot", L"C:"},
         kExitRefused,
         L"参数 /boot 的值 C: 不是本机的激活分区或 EFI 系统分区"},
        {"demo.xml", {L"/auto", L"/speed"}, kExitRefused, L"无法识别的参数: /speed"},
        {"gpt_x86.xml", {L"/auto", L"/boot", L"D:"}, kExitStepFailed, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Unattended program(test::ScenarioFile(c.scenario));
        const auto boot = VerdictJson(program.machine->Boot());
        EXPECT_EQ(program.Run(c.arguments), c.exitCode);
        if (c.line != nullptr) {
            EXPECT_EQ(program.console.lines.front(), c.line);
            EXPECT_EQ(VerdictJson(program.machine->Boot()), boot);
        }
    }
}

// BitLocker, and Windows PE started the other way than the machine starts (which way it starts is
// the user's word, even where the disks are plain).
TEST(Unattended, AGuardRefusesWithoutYesAndGoesOnWithIt) {
    for (const char* file : {"bitlocker.xml", "pe_csm_gpt.xml", "pe_uefi_mbr.xml"}) {
        for (bool yes : {false, true}) {
            SCOPED_TRACE(std::string(file) + (yes ? " /yes" : " no /yes"));
            Unattended program(test::ScenarioFile(file));
            program.output.AddDirectory(L"Z:\\out");
            const auto boot = VerdictJson(program.machine->Boot());
            std::vector<std::wstring> arguments = {L"/auto", L"/json", L"Z:\\out\\r.json"};
            if (yes) {
                arguments.push_back(L"/yes");
            }
            EXPECT_EQ(program.Run(arguments), yes ? kExitDone : kExitRefused);
            EXPECT_THAT(program.console.lines, Contains(HasSubstr(L"需要确认: ")));
            const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
            EXPECT_EQ(report["stoppedByGuard"], !yes);
            EXPECT_FALSE(report["diagnosisBefore"].is_null());
            EXPECT_EQ(report["diagnosisAfter"].is_null(), !yes);
            if (!yes) {
                EXPECT_EQ(VerdictJson(program.machine->Boot()), boot);
                EXPECT_TRUE(report["undoRecord"].is_null());
                // A run that saved nothing leaves no empty undo folder behind.
                for (const std::wstring& path : program.machine->Files().AllPaths()) {
                    EXPECT_EQ(LowerCase(path).find(L"qnbootrepair_undo_"), std::wstring::npos)
                        << WideToUtf8(path);
                }
            } else {
                EXPECT_TRUE(program.machine->Boot().boots);
            }
        }
    }
}

TEST(Unattended, DiagnoseChangesNothingAndTellsWhetherTheMachineBoots) {
    for (const char* scenario : {"wiped_mbr.xml", "uefi_installed.xml", "editor_menu.xml"}) {
        SCOPED_TRACE(scenario);
        Unattended program(test::ScenarioFile(scenario));
        program.output.AddDirectory(L"Z:\\out");
        const bool boots = program.machine->Boot().boots;
        EXPECT_EQ(program.Run({L"/diagnose", L"/json", L"Z:\\out\\d.json"}),
                  boots ? kExitDone : kExitStepFailed);
        for (const std::wstring& line : program.machine->Journal()) {
            EXPECT_TRUE(line.rfind(L"mount ", 0) == 0 || line.rfind(L"unmount ", 0) == 0 ||
                        line.find(L"reg load") != std::wstring::npos ||
                        line.find(L"reg unload") != std::wstring::npos ||
                        line.find(L"/enum") != std::wstring::npos || line.rfind(L"  > ", 0) == 0 ||
                        line.find(L"\\Temp") != std::wstring::npos)
                << "the diagnosis did " << WideToUtf8(line);
        }
        const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\d.json"));
        EXPECT_EQ(report["operation"], "diagnose");
        EXPECT_EQ(report["diagnosis"]["boots"], boots);
        EXPECT_EQ(report["diagnosis"]["problem"].get<std::string>().empty(), boots);
        EXPECT_FALSE(report["machine"]["disks"].empty());
        EXPECT_THAT(program.console.lines, Contains(HasSubstr(L"未做任何更改")));
    }
}

// The only Windows is on a locked BitLocker volume: /auto says so and how to unlock it, exits 1
// and changes nothing on the machine's disks (its log goes to Windows PE's own drive).
TEST(Unattended, ALockedBitLockerVolumeIsNamedWithHowToUnlockItAndNothingChanges) {
    const std::wstring advice =
        L"C: 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：manage-bde -unlock C: "
        L"-RecoveryPassword <48 位恢复密钥>，然后重新检测";
    Unattended program(test::ScenarioFile("bitlocker_locked.xml"));
    const auto boot = VerdictJson(program.machine->Boot());
    const auto sector0 = program.machine->DiskSector0(0);
    const auto reserved = program.machine->VolumeAt(0, 1)->bootSector;
    EXPECT_EQ(program.Run({L"/auto", L"/yes"}), kExitStepFailed);
    EXPECT_THAT(program.console.lines, Contains(advice));
    EXPECT_THAT(program.console.lines, Not(Contains(HasSubstr(L"没有找到系统分区"))));
    EXPECT_EQ(VerdictJson(program.machine->Boot()), boot);
    EXPECT_EQ(program.machine->DiskSector0(0), sector0);
    EXPECT_EQ(program.machine->VolumeAt(0, 1)->bootSector, reserved);
    for (const std::wstring& line : program.machine->Journal()) {
        const bool change = line.rfind(L"write ", 0) == 0 || line.rfind(L"copy ", 0) == 0 ||
                            line.rfind(L"move ", 0) == 0 || line.rfind(L"del ", 0) == 0 ||
                            line.rfind(L"attrib ", 0) == 0 || line.rfind(L"mkdir ", 0) == 0;
        EXPECT_TRUE(!change || line.find(L" X:\\") != std::wstring::npos)
            << "the run did " << WideToUtf8(line);
        const bool run = line.rfind(L"run ", 0) == 0 || line.rfind(L"capture ", 0) == 0;
        EXPECT_FALSE(run && (line.find(L"bcdboot") != std::wstring::npos ||
                             line.find(L"bootsect") != std::wstring::npos))
            << WideToUtf8(line);
    }
    // /diagnose tells the same, and that the machine does not boot as it is.
    Unattended diagnose(test::ScenarioFile("bitlocker_locked.xml"));
    EXPECT_EQ(diagnose.Run({L"/diagnose"}), kExitStepFailed);
    EXPECT_THAT(diagnose.console.lines, Contains(advice));
}

TEST(Unattended, UndoFromTheRecordTheRepairNamedBringsTheMachineBack) {
    Unattended program(test::ScenarioFile("xp_and_7.xml"));
    program.output.AddDirectory(L"Z:\\out");
    const auto boot = VerdictJson(program.machine->Boot());
    ASSERT_EQ(program.Run({L"/auto", L"/clear", L"/json", L"Z:\\out\\r.json"}), kExitDone);
    EXPECT_NE(VerdictJson(program.machine->Boot()), boot);
    const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
    ASSERT_TRUE(report["undoRecord"].is_string());
    const std::wstring record = Utf8ToWide(report["undoRecord"].get<std::string>());
    program.console.lines.clear();
    // Typed relative to the folder the technician is in: the record there is used up, so the
    // same command a second time changes nothing.
    const std::size_t slash = record.find_last_of(L'\\');
    program.machine->Files().SetFolder(KnownFolder::Current, record.substr(0, slash));
    EXPECT_EQ(program.Run({L"/undo", L".\\undo.txt"}), kExitDone);
    EXPECT_THAT(program.console.lines, Contains(L"撤销完成!"));
    EXPECT_EQ(VerdictJson(program.machine->Boot()), boot);
    program.console.lines.clear();
    EXPECT_EQ(program.Run({L"/undo", L"undo.txt"}), kExitRefused);
    EXPECT_THAT(program.console.lines, Contains(HasSubstr(L"已经撤销过了")));
}

// A report that cannot be written fails the run, whichever run asked for it: a script must not
// read an old file as this run's.
TEST(Unattended, AReportThatCannotBeWrittenGivesOne) {
    struct Case {
        std::vector<std::wstring> arguments;
        const wchar_t* said;
    };
    const Case cases[] = {
        {{L"/auto", L"/log", L"Z:\\gone\\r.log"}, L"无法写入日志文件 Z:\\gone\\r.log（退出码 1）"},
        {{L"/auto", L"/json", L"Z:\\gone\\r.json"},
         L"无法写入报告文件 Z:\\gone\\r.json（退出码 1）"},
        {{L"/diagnose", L"/json", L"Z:\\gone\\r.json"},
         L"无法写入报告文件 Z:\\gone\\r.json（退出码 1）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.arguments[1]));
        Unattended program(test::ScenarioFile("wiped_mbr.xml"));
        EXPECT_EQ(program.Run(c.arguments), kExitStepFailed);
        EXPECT_THAT(program.console.lines, Contains(c.said));
    }
    // The undo of a run writes its own reports, and fails as the run does when it cannot.
    Unattended program(test::ScenarioFile("xp_and_7.xml"));
    program.output.AddDirectory(L"Z:\\out");
    ASSERT_EQ(program.Run({L"/auto", L"/json", L"Z:\\out\\r.json"}), kExitDone);
    const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
    const std::wstring record = Utf8ToWide(report["undoRecord"].get<std::string>());
    EXPECT_EQ(
        program.Run({L"/undo", record, L"/json", L"Z:\\out\\u.json", L"/log", L"Z:\\out\\u.log"}),
        kExitDone);
    const auto undone = nlohmann::json::parse(program.Output(L"Z:\\out\\u.json"));
    EXPECT_EQ(undone["operation"], "undo");
    EXPECT_EQ(undone["exitCode"], 0);
    EXPECT_THAT(program.Output(L"Z:\\out\\u.log"), HasSubstr("撤销完成!"));
}

// Writes that would lose their safety net stop first: a script without /yes changes nothing.
TEST(Unattended, WritesWithoutTheirSafetyNetAreRefusedWithoutYes) {
    struct Case {
        const char* name;
        std::function<void(Unattended&)> spoil;
        const wchar_t* said;
    };
    const Case cases[] = {
        {"undo folder",
         [](Unattended& p) {
             p.machine->Files().FailMakeDirectory(
                 p.machine->Files().FolderPath(KnownFolder::Desktop) +
                 L"\\QNBootRepair_undo_20261208103000");
         },
         L"需要确认: 无法建立撤销所需的备份文件夹，本次修复将无法撤销"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Unattended refused(test::ScenarioFile("wiped_mbr.xml"));
        c.spoil(refused);
        const auto before = VerdictJson(refused.machine->Boot());
        const auto sector0 = refused.machine->DiskSector0(0);
        EXPECT_EQ(refused.Run({L"/auto"}), kExitRefused);
        EXPECT_EQ(VerdictJson(refused.machine->Boot()), before);
        EXPECT_EQ(refused.machine->DiskSector0(0), sector0);
        EXPECT_THAT(refused.console.lines, Contains(HasSubstr(c.said)));

        Unattended yes(test::ScenarioFile("wiped_mbr.xml"));
        c.spoil(yes);
        EXPECT_EQ(yes.Run({L"/auto", L"/yes"}), kExitDone);
        EXPECT_TRUE(yes.machine->Boot().boots);
    }
    // A master boot record the program cannot read may hold another system's loader.
    Scenario scenario = test::ScenarioFile("wiped_mbr.xml");
    scenario.disks[0].sectorsUnreadable = true;
    Unattended unreadable(scenario);
    const auto sector0 = unreadable.machine->DiskSector0(0);
    EXPECT_EQ(unreadable.Run({L"/auto"}), kExitRefused);
    EXPECT_EQ(unreadable.machine->DiskSector0(0), sector0);
    EXPECT_THAT(unreadable.console.lines, Contains(HasSubstr(L"无法读取磁盘0 的主引导记录")));
}

TEST(Unattended, AnUnusableUndoRecordChangesNothing) {
    Unattended program(test::ScenarioFile("demo.xml"));
    program.machine->Files().AddFile(L"C:\\notes.txt", test::MarkerBytes("[boot loader]\r\n"));
    for (const wchar_t* path : {L"C:\\missing\\undo.txt", L"C:\\notes.txt"}) {
        program.console.lines.clear();
        EXPECT_EQ(program.Run({L"/undo", path}), kExitRefused);
        ASSERT_FALSE(program.console.lines.empty());
        EXPECT_THAT(
            program.console.lines.front(),
            ::testing::AnyOf(HasSubstr(L"无法读取撤销记录"), HasSubstr(L"不是本程序的撤销记录")));
    }
    EXPECT_TRUE(program.machine->Journal().empty())
        << WideToUtf8(program.machine->Journal().front());
}

// The report's schema as the README documents it: every key there, of its type.
void ExpectDiagnosisSchema(const nlohmann::json& d) {
    ASSERT_TRUE(d.is_object());
    EXPECT_TRUE(d["status"].is_string());
    EXPECT_TRUE(d["boots"].is_boolean());
    EXPECT_TRUE(d["problem"].is_string());
    EXPECT_TRUE(d["firmware"].is_string());
    for (const char* list : {"chain", "disks", "menu", "installations"}) {
        EXPECT_TRUE(d[list].is_array()) << list;
    }
    for (const auto& system : d["installations"]) {
        EXPECT_TRUE(system["letter"].is_string());
        EXPECT_TRUE(system["bootable"].is_boolean());
        EXPECT_TRUE(system["reason"].is_string());
    }
}

void ExpectReportSchema(const nlohmann::json& r) {
    EXPECT_EQ(r["program"]["name"], "QNBootRepair");
    EXPECT_TRUE(r["time"].is_string());
    EXPECT_EQ(r["operation"], "auto");
    EXPECT_TRUE(r["inputs"]["boot"].is_string());
    EXPECT_TRUE(r["inputs"]["timeout"].is_string());
    EXPECT_TRUE(r["inputs"]["clear"].is_boolean());
    EXPECT_TRUE(r["inputs"]["winpe"].is_boolean());
    ExpectDiagnosisSchema(r["diagnosisBefore"]);
    if (!r["diagnosisAfter"].is_null()) {
        ExpectDiagnosisSchema(r["diagnosisAfter"]);
    }
    EXPECT_TRUE(r["guards"].is_array());
    EXPECT_TRUE(r["stoppedByGuard"].is_boolean());
    for (const auto& disk : r["machine"]["disks"]) {
        EXPECT_TRUE(disk["number"].is_number_integer());
        EXPECT_TRUE(disk["style"].is_string());
        EXPECT_TRUE(disk["partitions"].is_array());
    }
    EXPECT_TRUE(r["machine"]["installations"].is_array());
    for (const auto& step : r["steps"]) {
        if (step.contains("note")) {
            EXPECT_TRUE(step["note"].is_string());
            continue;
        }
        EXPECT_TRUE(step["commandLine"].is_string());
        EXPECT_TRUE(step["started"].is_boolean());
        EXPECT_TRUE(step["exitCode"].is_number_integer() || step["exitCode"].is_null());
        EXPECT_TRUE(step["output"].is_string());
    }
    for (const auto& row : r["rows"]) {
        EXPECT_TRUE(row.is_string());
    }
    for (const auto& check : r["verification"]) {
        for (const char* flag : {"bootable", "certain", "default"}) {
            EXPECT_TRUE(check[flag].is_boolean()) << flag;
        }
        EXPECT_TRUE(check["letter"].is_string());
        EXPECT_TRUE(check["reason"].is_string());
    }
    EXPECT_TRUE(r["backups"].is_array());
    EXPECT_TRUE(r["failedSteps"].is_number_integer());
    EXPECT_TRUE(r["log"].is_string() || r["log"].is_null());
    EXPECT_TRUE(r["undoRecord"].is_string() || r["undoRecord"].is_null());
    // The exit code says what the rest of the report says.
    // A run passes when nothing failed and the diagnosis after it reaches every system: its
    // last row before the log's then says so.
    const auto& rows = r["rows"];
    const std::string last = rows.size() >= 2 ? rows[rows.size() - 2].get<std::string>() : "";
    const bool passed =
        r["failedSteps"] == 0 && !r["stoppedByGuard"].get<bool>() &&
        !r["diagnosisAfter"].is_null() &&
        (last == "修复完成!" || last.find("本机固件不从该磁盘启动") != std::string::npos);
    EXPECT_EQ(r["exitCode"] == 0, passed);
}

TEST(Unattended, EveryScenariosReportHasTheDocumentedSchema) {
    for (const char* name :
         {"demo.xml", "bitlocker.xml", "deleted_bcd.xml", "editor_boot_ini.xml", "editor_menu.xml",
          "firmware_mismatch.xml", "full_esp.xml", "grub_mbr.xml", "missing_entry.xml",
          "ntfs_esp.xml", "raw_volume.xml", "syslinux_mbr.xml", "two_active.xml",
          "uefi_grub_first.xml", "uefi_installed.xml", "uefi_winpe.xml", "wiped_mbr.xml",
          "xp_and_7.xml", "xp_only.xml"}) {
        SCOPED_TRACE(name);
        Unattended program(test::ScenarioFile(name));
        program.output.AddDirectory(L"Z:\\out");
        const int exitCode = program.Run({L"/auto", L"/yes", L"/json", L"Z:\\out\\r.json"});
        const std::string text = program.Output(L"Z:\\out\\r.json");
        if (text.empty()) {
            EXPECT_NE(exitCode, kExitDone) << "a repair without a report";
            continue;  // refused before the run (no boot partition, a 32-bit system on GPT)
        }
        const auto report = nlohmann::json::parse(text);
        ExpectReportSchema(report);
        EXPECT_EQ(report["exitCode"], exitCode);
    }
}

// An unattended undo has no one to ask: what changed since the repair stays, the rest comes back,
// and the exit code says the undo is not complete (the record stays for a run with someone there).
TEST(Unattended, AnUndoWithoutYesKeepsWhatChangedSinceTheRepair) {
    Unattended program(test::ScenarioFile("xp_and_7.xml"));
    program.output.AddDirectory(L"Z:\\out");
    auto bytes = [&](const wchar_t* path) {
        const auto* file = program.machine->Files().FileBytes(path);
        return file != nullptr ? *file : std::vector<std::uint8_t>{};
    };
    const auto store = bytes(L"C:\\Boot\\BCD");
    ASSERT_EQ(program.Run({L"/auto", L"/clear", L"/json", L"Z:\\out\\r.json"}), kExitDone);
    ASSERT_NE(bytes(L"C:\\Boot\\BCD"), store);
    const auto report = nlohmann::json::parse(program.Output(L"Z:\\out\\r.json"));
    const std::wstring record = Utf8ToWide(report["undoRecord"].get<std::string>());
    // A later update of the boot manager.
    const auto attributes = program.machine->Files().Attributes(L"C:\\bootmgr");
    program.machine->Files().AddFile(L"C:\\bootmgr", test::MarkerBytes("a later bootmgr"));
    program.machine->Files().SetAttributes(L"C:\\bootmgr", attributes.value_or(0));
    program.console.lines.clear();

    EXPECT_EQ(program.Run({L"/undo", record}), kExitStepFailed);
    const std::vector<std::wstring>& lines = program.console.lines;
    const auto asked = std::find_if(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.starts_with(L"需要确认: ");
    });
    ASSERT_NE(asked, lines.end());
    EXPECT_THAT(*asked, HasSubstr(L"\n    C:\\bootmgr\n"));
    EXPECT_TRUE(
        asked->ends_with(L"\n\n确定(Y)：仍然还原这些文件\n取消(C)：保留这些文件，只还原其余的"))
        << WideToUtf8(*asked);
    EXPECT_THAT(lines, Contains(L"没有 /yes，保留这些文件，只还原其余的"));
    EXPECT_THAT(lines, Contains(L"已在修复后被改动，保留未还原: C:\\bootmgr"));
    EXPECT_THAT(lines, Contains(L"撤销未完成：1 个步骤失败"));
    EXPECT_EQ(bytes(L"C:\\bootmgr"), test::MarkerBytes("a later bootmgr"));
    EXPECT_EQ(bytes(L"C:\\Boot\\BCD"), store);
    EXPECT_TRUE(program.machine->Files().IsFile(record));
}

}  // namespace
}  // namespace qn::sim
