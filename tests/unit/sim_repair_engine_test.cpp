// The repair runs of the program over the simulated machine, judged by the boot verdict.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::ElementsAre;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string Dump(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += "  " + Narrow(line) + "\n";
    }
    return out;
}

TEST(RepairEngine, DemoMachineAutomaticRepairBootsEverySystem) {
    test::SimProgram program(test::ScenarioFile("demo.xml"));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    const BootVerdict verdict = program.Machine().Boot();
    EXPECT_EQ(outcome.failedSteps, 0) << Dump(outcome.rows);
    EXPECT_TRUE(verdict.boots) << Narrow(verdict.problem);
    for (const auto& item : verdict.menu) {
        std::cout << Narrow(item.text) << " " << Narrow(item.product) << " " << item.isDefault
                  << "\n";
    }
    std::cout << Dump(outcome.rows) << Dump(program.ToolCommands());
}

}  // namespace
}  // namespace qn::sim
