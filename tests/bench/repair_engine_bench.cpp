// The program's own cost in a repair, beside the tools: the engine over the simulated machine,
// whose stand-in tools answer at once. Counters: tool runs per workflow, and per repaired system.
#include <benchmark/benchmark.h>

#include "unit/sim_program.h"

namespace qn::sim {
namespace {

int ToolRuns(const RepairOutcome& outcome) {
    int runs = 0;
    for (const RunRecordEntry& entry : outcome.record) {
        runs += entry.run ? 1 : 0;
    }
    return runs;
}

int Selected(const RepairRequest& request) {
    int count = 0;
    for (const auto& [letter, system] : request.installations) {
        count += system.selected != 0 ? 1 : 0;
    }
    return count;
}

// Each iteration repairs a fresh copy of the machine (its set-up is not timed).
void RepairScenario(benchmark::State& state, const char* file) {
    const Scenario scenario = test::ScenarioFile(file);
    int runs = 0;
    int systems = 0;
    for (auto _ : state) {
        state.PauseTiming();
        test::SimProgram program(scenario);
        const RepairRequest request = program.AutomaticRequest();
        state.ResumeTiming();
        const RepairOutcome outcome = program.Run(request);
        benchmark::DoNotOptimize(outcome.failedSteps);
        runs = ToolRuns(outcome);
        systems = Selected(request);
    }
    state.counters["tool_runs"] = runs;
    state.counters["systems"] = systems;
    state.counters["per_system"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * systems,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RepairDemoMachine(benchmark::State& state) {
    RepairScenario(state, "demo.xml");
}
void BM_RepairSevenAndXp(benchmark::State& state) {
    RepairScenario(state, "xp_and_7.xml");
}
void BM_RepairXpOnly(benchmark::State& state) {
    RepairScenario(state, "xp_only.xml");
}
void BM_RepairUefiWindowsPe(benchmark::State& state) {
    RepairScenario(state, "uefi_winpe.xml");
}

void BM_MbrRepair(benchmark::State& state) {
    const Scenario scenario = test::ScenarioFile("wiped_mbr.xml");
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        test::SimProgram program(scenario);
        state.ResumeTiming();
        const RepairOutcome outcome = program.RunMbr(
            MbrRepairRequest{program.BootPartitionOf('D'), MbrRepairKind::Mbr, false});
        runs = ToolRuns(outcome);
    }
    state.counters["tool_runs"] = runs;
}

BENCHMARK(BM_RepairDemoMachine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepairSevenAndXp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepairXpOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepairUefiWindowsPe)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MbrRepair)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qn::sim
