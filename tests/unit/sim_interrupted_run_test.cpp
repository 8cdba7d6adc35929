// A repair that does not reach its end: killed between two steps (power cut, task manager, a
// crash), or stopped with Ctrl+C at the console. Either way the undo record written so far gives
// the machine of before back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <set>

#include "boot/cleanup_journal.h"
#include "boot/resource_ids.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "disk/leftover_cleanup.h"
#include "sim_machine_state.h"
#include "sim_program.h"
#include "sim_test_support.h"
#include "undo/undo_run.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct Killed {};

// The tools as the run starts them; what a step writes. At the chosen step the process "dies"
// before the tool starts (thrown past every frame, as a kill leaves no code to run); or, with a
// flag, the user presses Ctrl+C while that step runs.
class StepLauncher final : public ProcessLauncher {
public:
    StepLauncher(ProcessLauncher& inner, int step) : inner_(inner), step_(step) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override {
        return inner_.StartThroughShell(request);
    }
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override {
        const bool writes = commandLine.find(L"/enum") == std::wstring::npos;
        if (writes && ++steps_ == step_) {
            if (interrupt_ == nullptr) {
                throw Killed{};
            }
            ProcessResult result = inner_.RunCaptured(commandLine, output);
            interrupt_->store(true);
            return result;
        }
        return inner_.RunCaptured(commandLine, output);
    }

    int steps_ = 0;
    std::atomic<bool>* interrupt_ = nullptr;

private:
    ProcessLauncher& inner_;
    int step_;
};

RepairPorts WithLauncher(const RepairPorts& ports, ProcessLauncher& processes) {
    return RepairPorts{ports.files,       processes,       ports.profile,  ports.resources,
                       ports.clock,       ports.random,    ports.codePage, ports.storage,
                       ports.redirection, ports.inventory, ports.firmware, ports.interrupt};
}

std::wstring TheRecord(test::SimProgram& program) {
    const std::wstring desktop = program.Machine().Files().FolderPath(KnownFolder::Desktop);
    const auto found = FindUndoRecords(program.Machine().FilesForProgram(), {desktop});
    return found.empty() ? std::wstring() : found.front().path;
}

// How many steps a whole repair of the scenario takes.
int StepsOf(const char* file) {
    test::SimProgram program(test::ScenarioFile(file));
    RepairPorts base = program.Ports();
    StepLauncher count(program.Machine().Processes(), 0);
    RepairPorts ports = WithLauncher(base, count);
    test::RowList rows;
    RunRepair(program.AutomaticRequest(), ports, rows, RunLabel{L"自动修复", L"test"},
              program.asker);
    return count.steps_;
}

TEST(InterruptedRun, KilledBeforeAnyStepTheRecordGivesTheMachineBack) {
    for (const char* file : {"xp_and_7.xml", "deleted_bcd.xml", "uefi_installed.xml"}) {
        const int steps = StepsOf(file);
        ASSERT_GT(steps, 1) << file;
        for (int step = 1; step <= steps; ++step) {
            SCOPED_TRACE(std::string(file) + " killed before step " + std::to_string(step));
            test::SimProgram program(test::ScenarioFile(file));
            const test::MachineState before = test::StateOf(program.Machine());
            StepLauncher killer(program.Machine().Processes(), step);
            RepairPorts ports = WithLauncher(program.Ports(), killer);
            test::RowList rows;
            const RepairRequest request = program.AutomaticRequest();
            EXPECT_THROW(
                RunRepair(request, ports, rows, RunLabel{L"自动修复", L"test"}, program.asker),
                Killed);
            const std::wstring record = TheRecord(program);
            ASSERT_FALSE(record.empty()) << "no record after a kill";
            const LoadedUndoRecord loaded =
                LoadUndoRecord(program.Machine().FilesForProgram(), record);
            ASSERT_TRUE(loaded.record) << WideToUtf8(loaded.error);
            EXPECT_FALSE(loaded.record->complete);
            const RepairOutcome undo = program.Undo(record);
            EXPECT_THAT(undo.rows, Contains(HasSubstr(L"修复被中断，撤销记录不完整")));
            EXPECT_EQ(test::Differences(before, test::StateOf(program.Machine())), "");
        }
    }
}

// What the program writes and removes again within a run, found anywhere on the machine.
std::vector<std::wstring> LeftBehind(test::SimProgram& program) {
    std::vector<std::wstring> found;
    for (const std::wstring& path : program.Machine().Files().AllPaths()) {
        if (EqualsIgnoringCase(std::wstring_view(path).substr(path.find(L'\\') + 1),
                               std::wstring(L"Windows") + kMessageModuleInWindows) ||
            path.find(L"\\AppData\\Local\\Temp\\") != std::wstring::npos ||
            path.find(L"\\QNBootRepair\\leftovers") != std::wstring::npos) {
            found.push_back(path);
        }
    }
    return found;
}

TEST(InterruptedRun, TheNextStartRemovesWhatAKilledRunLeftWithoutUndo) {
    const char* file = "xp_and_7.xml";
    const int steps = StepsOf(file);
    bool moduleLeft = false;
    for (int step = 1; step <= steps; ++step) {
        SCOPED_TRACE(std::string(file) + " killed before step " + std::to_string(step));
        test::SimProgram program(test::ScenarioFile(file));
        StepLauncher killer(program.Machine().Processes(), step);
        RepairPorts ports = WithLauncher(program.Ports(), killer);
        {
            CleanupJournal journal(program.Machine().FilesForProgram());
            ports.leftovers = &journal;
            test::RowList rows;
            EXPECT_THROW(RunRepair(program.AutomaticRequest(), ports, rows,
                                   RunLabel{L"自动修复", L"test"}, program.asker),
                         Killed);
        }
        moduleLeft = moduleLeft || !LeftBehind(program).empty();

        CleanupJournal next(program.Machine().FilesForProgram());
        ClearEarlierLeftovers(next, program.Machine().FilesForProgram(),
                              program.Machine().VolumePortForProgram());
        EXPECT_THAT(LeftBehind(program), IsEmpty());
    }
    EXPECT_TRUE(moduleLeft) << "no step was killed while bcdboot's module was in place";
}

// The machine a killed run left on an installed Windows: the next start takes back the letter it
// gave, its work folder and the message module, and only those.
TEST(InterruptedRun, TheNextStartClearsTheKilledRunsLetterFolderAndModule) {
    test::Machine machine(test::ScenarioFile("killed_run.xml"));
    // Keyed without the drive (D:'s files stay where they are once D: has no letter) and in lower
    // case, as the sim keys folders.
    auto paths = [&machine] {
        std::multiset<std::wstring> keys;
        for (const std::wstring& path : machine->Files().AllPaths()) {
            if (const std::size_t slash = path.find(L'\\'); slash != std::wstring::npos) {
                keys.insert(LowerCase(path.substr(slash)));
            }
        }
        return keys;
    };
    const std::multiset<std::wstring> before = paths();
    CleanupJournal journal(machine->FilesForProgram());
    const LeftoverCleanup done =
        ClearEarlierLeftovers(journal, machine->FilesForProgram(), machine->VolumePortForProgram());
    EXPECT_THAT(done.kept, IsEmpty());
    EXPECT_THAT(machine->Journal(), Contains(L"unmount D:\\"));
    const std::multiset<std::wstring> after = paths();
    std::vector<std::wstring> gone;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    EXPECT_THAT(gone, ::testing::UnorderedElementsAre(
                          L"\\users\\administrator\\appdata\\local\\qnbootrepair",
                          L"\\users\\administrator\\appdata\\local\\qnbootrepair\\leftovers.txt",
                          L"\\users\\administrator\\appdata\\local\\temp\\k1lled0ne",
                          L"\\users\\administrator\\appdata\\local\\temp\\k1lled0ne\\bcdboot.exe",
                          L"\\windows\\system32\\kwo_fix.dll"));
}

TEST(InterruptedRun, CtrlCStopsBeforeTheNextStepAndFinishesTheRecord) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const test::MachineState before = test::StateOf(program.Machine());
    std::atomic<bool> interrupt{false};
    StepLauncher launcher(program.Machine().Processes(), 1);
    launcher.interrupt_ = &interrupt;
    RepairPorts ports = WithLauncher(program.Ports(), launcher);
    ports.interrupt = &interrupt;
    test::RowList rows;
    const RepairOutcome outcome = RunRepair(program.AutomaticRequest(), ports, rows,
                                            RunLabel{L"自动修复", L"test"}, program.asker);
    EXPECT_EQ(launcher.steps_, 1) << "a step started after Ctrl+C";
    EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"已中断（Ctrl+C），未运行 ")));
    EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"已按 Ctrl+C 中断")));
    EXPECT_NE(outcome.completion, L"修复完成!");
    EXPECT_FALSE(outcome.logPath.empty());
    ASSERT_FALSE(outcome.undoRecord.empty());
    const LoadedUndoRecord loaded =
        LoadUndoRecord(program.Machine().FilesForProgram(), outcome.undoRecord);
    ASSERT_TRUE(loaded.record);
    EXPECT_TRUE(loaded.record->complete);
    const RepairOutcome undo = program.Undo(outcome.undoRecord);
    EXPECT_THAT(undo.rows, Not(Contains(HasSubstr(L"撤销记录不完整"))));
    EXPECT_EQ(test::Differences(before, test::StateOf(program.Machine())), "");
}

}  // namespace
}  // namespace qn::sim
