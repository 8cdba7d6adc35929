// Tool runs with a time limit: each layer between the editor and the launcher passes the limit
// on, a run that outlives it is told as "没有响应", and the simulated machine's slow runs are
// read from the scenario and end as the limit says.
#include <gtest/gtest.h>

#include <chrono>
#include <variant>

#include "boot/bcd_store.h"
#include "editor/editor_bcdedit.h"
#include "editor/editor_load.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_process_launcher.h"
#include "run/recording_processes.h"
#include "run/repair_run.h"
#include "run/time_limited_processes.h"
#include "sim/bcd_ids.h"
#include "sim/store_access.h"
#include "sim_test_support.h"

namespace qn {
namespace {

using fake::FakeProcessLauncher;

TEST(ToolTimeLimit, EveryLayerPassesTheShorterLimitOn) {
    struct Case {
        const char* what;
        std::uint32_t layerLimit;  // kNoTimeLimit: the recording layer alone
        std::optional<std::uint32_t> callerLimit;
        std::uint32_t expected;
    } cases[] = {
        {"recording, no limit", kNoTimeLimit, std::nullopt, kNoTimeLimit},
        {"recording, caller's", kNoTimeLimit, 300, 300},
        {"limited, no caller limit", 500, std::nullopt, 500},
        {"limited, shorter caller", 500, 100, 100},
        {"limited, longer caller", 500, 900, 500},
    };
    for (const Case& c : cases) {
        FakeProcessLauncher fake;
        fake::FakeCodePage codePage;
        fake.Script({});
        TimeLimitedProcesses limited(fake, c.layerLimit);
        RecordingProcesses recording(limited, codePage);
        std::string output;
        if (c.callerLimit) {
            recording.RunCapturedWithin(L"tool.exe", output, *c.callerLimit);
        } else {
            recording.RunCaptured(L"tool.exe", output);
        }
        ASSERT_EQ(fake.Calls().size(), 1u) << c.what;
        EXPECT_EQ(fake.Calls()[0].timeoutMs, c.expected) << c.what;
    }
}

TEST(ToolTimeLimit, ARunPastItsLimitIsRecordedAndToldAsNoAnswer) {
    FakeProcessLauncher fake;
    fake::FakeCodePage codePage;
    fake.Script({true, 0, "half a line", 5000});
    fake.Script({true, 0, "done", 40});
    RecordingProcesses recording(fake, codePage);
    std::string output;
    const ProcessResult late = recording.RunCapturedWithin(L"bcdedit.exe /enum", output, 50);
    EXPECT_TRUE(late.started);
    EXPECT_TRUE(late.timedOut);
    EXPECT_FALSE(late.exitCodeKnown);
    EXPECT_EQ(output, "half a line");  // what it wrote before it was ended stays
    EXPECT_FALSE(recording.Last().Succeeded());
    EXPECT_EQ(DescribeFailedRun(recording.Last(), L"bcdedit.exe"), L"bcdedit.exe 没有响应");
    // A run within its limit is an ordinary run.
    const ProcessResult inTime = recording.RunCapturedWithin(L"bcdedit.exe /enum", output, 50);
    EXPECT_FALSE(inTime.timedOut);
    EXPECT_TRUE(recording.Last().Succeeded());
}

TEST(ToolTimeLimit, TheEditorsBcdeditLimitsItsRunsAndItsEnumerations) {
    FakeProcessLauncher fake;
    fake::FakeCodePage codePage;
    {
        EditorBcdedit bcdedit(fake, codePage, L"C:\\work\\bcdedit.exe");
        fake.Script({});
        EXPECT_EQ(bcdedit.Run(L"/timeout 5"), std::nullopt);
        EXPECT_EQ(fake.Calls().back().timeoutMs, kToolRunTimeoutMs);
    }
    EditorBcdedit bcdedit(fake, codePage, L"C:\\work\\bcdedit.exe", 250);
    fake.Script({true, 0, "", 1000});
    EXPECT_EQ(bcdedit.Run(L"/timeout 5"), L"bcdedit.exe 没有响应");
    fake.Script({true, 0, "", 1000});
    BcdListing listing;
    EnumAllEntries(bcdedit.Tool(), L"F:\\Boot\\BCD", listing);
    EXPECT_EQ(fake.Calls().back().timeoutMs, 250u);
    EXPECT_EQ(bcdedit.LastFailure(), L"bcdedit.exe 没有响应");
}

// --- The simulated machine's slow runs ----------------------------------------------------------

TEST(SimSlowRun, TheScenarioNamesTheToolTheRunsAndHowLong) {
    const sim::Scenario scenario = sim::test::ScenarioText(
        "<machine><slow tool='bcdedit' args='*/timeout *' ms='3000' times='2'/>"
        "<slow tool='bootsect' ms='10'/></machine>");
    ASSERT_EQ(scenario.slowRuns.size(), 2u);
    EXPECT_EQ(scenario.slowRuns[0].tool, L"bcdedit");
    EXPECT_EQ(scenario.slowRuns[0].pattern, L"*/timeout *");
    EXPECT_EQ(scenario.slowRuns[0].ms, 3000u);
    EXPECT_EQ(scenario.slowRuns[0].times, 2);
    EXPECT_EQ(scenario.slowRuns[1].pattern, L"*");
    EXPECT_EQ(scenario.slowRuns[1].times, 1);
    struct Case {
        const char* xml;
        const char* expected;
    } cases[] = {
        {"<machine><slow tool='diskpart' ms='5'/></machine>", "tool"},
        {"<machine><slow tool='bcdedit'/></machine>", "needs ms"},
        {"<machine><slow tool='bcdedit' ms='600001'/></machine>", "out of range"},
        {"<machine><slow tool='bcdedit' ms='5' exit='1'/></machine>",
         "unknown attribute \"exit\" in <slow>"},
        {"<machine><slow tool='bcdedit' ms='5' times='-1'/></machine>", "times"},
    };
    for (const Case& c : cases) {
        const auto result = sim::ReadScenario(c.xml);
        const auto* error = std::get_if<sim::ScenarioError>(&result);
        ASSERT_NE(error, nullptr) << c.xml;
        EXPECT_NE(error->message.find(c.expected), std::string::npos)
            << c.xml << ": " << error->message;
    }
}

class SimSlowRunOnMachine : public ::testing::Test {
protected:
    static constexpr wchar_t kTimeout[] = L"bcdedit /store C:\\Boot\\BCD /timeout 7";

    static sim::Scenario WithSlowTimeout(std::uint32_t ms, int times) {
        sim::Scenario scenario = sim::test::ScenarioFile("xp_and_7.xml");
        scenario.slowRuns.push_back({L"bcdedit", L"*/timeout *", ms, times});
        return scenario;
    }
    static std::uint64_t StoreTimeout(sim::SimMachine& machine) {
        const auto store = sim::OpenStoreFile(machine.Files(), L"C:\\Boot\\BCD").data;
        const sim::BcdObject* manager = sim::FindObject(store, sim::kBootmgrGuid);
        const sim::BcdElement* timeout =
            manager != nullptr ? sim::FindElement(*manager, L"timeout") : nullptr;
        return timeout != nullptr ? timeout->number : 0;
    }
};

TEST_F(SimSlowRunOnMachine, ARunEndedByItsLimitDoesNothingAndTheNextOneIsNotSlow) {
    sim::test::Machine machine(WithSlowTimeout(2000, 1));
    const std::uint64_t before = StoreTimeout(*machine);
    ASSERT_NE(before, 7u);
    std::string output;
    const ProcessResult late = machine->Processes().RunCapturedWithin(kTimeout, output, 20);
    EXPECT_TRUE(late.started);
    EXPECT_TRUE(late.timedOut);
    EXPECT_FALSE(late.exitCodeKnown);
    EXPECT_EQ(StoreTimeout(*machine), before);
    EXPECT_EQ(machine->Journal().back(), L"capture " + std::wstring(kTimeout) + L" -> timed out");
    EXPECT_EQ(machine->ToolRuns().back().exitCode, kTimedOutExitCode);
    // The slow run is used up: the same command now runs at once, with or without a limit.
    const ProcessResult next = machine->Processes().RunCapturedWithin(kTimeout, output, 20);
    EXPECT_FALSE(next.timedOut);
    EXPECT_TRUE(next.exitCodeKnown);
    EXPECT_EQ(next.exitCode, 0u);
    EXPECT_EQ(StoreTimeout(*machine), 7u);
}

TEST_F(SimSlowRunOnMachine, ARunWithinItsLimitTakesItsTimeAndDoesItsWork) {
    sim::test::Machine machine(WithSlowTimeout(40, 0));
    for (int run = 0; run < 2; ++run) {  // times 0: every run is slow
        std::string output;
        const auto start = std::chrono::steady_clock::now();
        const ProcessResult result = machine->Processes().RunCapturedWithin(kTimeout, output, 5000);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40)) << run;
        EXPECT_FALSE(result.timedOut) << run;
        EXPECT_EQ(result.exitCode, 0u) << run;
    }
    EXPECT_EQ(StoreTimeout(*machine), 7u);
    // Other commands are not slow: a limit of 1 ms does not end them.
    std::string output;
    EXPECT_FALSE(machine->Processes()
                     .RunCapturedWithin(L"bcdedit /store C:\\Boot\\BCD /enum all", output, 1)
                     .timedOut);
    EXPECT_FALSE(output.empty());
}

TEST_F(SimSlowRunOnMachine, ALoadWhoseEnumerationHangsSaysBcdeditDoesNotAnswer) {
    sim::Scenario scenario = sim::test::ScenarioFile("xp_and_7.xml");
    scenario.slowRuns.push_back({L"bcdedit", L"*/enum *", 2000, 1});
    sim::test::Machine machine(scenario);
    TimeLimitedProcesses limited(machine->Processes(), 20);
    const LoadedListing loaded =
        LoadBcdListing(limited, machine.CodePage(), L"bcdedit", L"C:\\Boot\\BCD", 1);
    EXPECT_TRUE(loaded.listing.entries.empty());
    EXPECT_EQ(loaded.problem, L"bcdedit.exe 没有响应");
}

}  // namespace
}  // namespace qn
