// The plan of the automatic repair: made by the run itself over ports that pretend, it lists
// the commands the real run then issues, and changes nothing on the machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "boot/utf8_text.h"
#include "repair/repair_plan.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

// Work folders and entry identifiers differ from run to run; the rest must not.
std::wstring Normalized(std::wstring line) {
    static const std::wregex work(LR"([A-Z]:\\[^" ]*\\Temp\\[a-z0-9]{9}\\)");
    static const std::wregex guid(
        LR"(\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\})");
    static const std::wregex planned(LR"(<[A-Z]: 的新启动项>)");
    line = std::regex_replace(line, work, L"W\\");
    line = std::regex_replace(line, guid, L"<id>");
    line = std::regex_replace(line, planned, L"<id>");
    line = std::regex_replace(
        line, std::wregex(LR"(（(\{ntldr\} 已存在时|读取固件启动项|已是如此时不运行).*$)"), L"");
    line = std::regex_replace(line, std::wregex(LR"( -> \d+$)"), L"");
    line = std::regex_replace(line, std::wregex(L"\""), L"");
    return line;
}

TEST(RepairPlan, ListsTheCommandsTheRunThenIssuesAndChangesNothing) {
    for (const char* file :
         {"demo.xml", "deleted_bcd.xml", "grub_mbr.xml", "missing_entry.xml", "two_active.xml",
          "uefi_installed.xml", "uefi_winpe.xml", "wiped_mbr.xml", "xp_and_7.xml", "xp_only.xml"}) {
        SCOPED_TRACE(file);
        test::SimProgram program(test::ScenarioFile(file));
        const RepairRequest request = program.AutomaticRequest();
        const auto journalBefore = program.Machine().Journal();
        const auto bootBefore = VerdictJson(program.Machine().Boot());
        RepairPorts ports = program.Ports();
        const RepairPlan plan = PlanRepair(request, ports);
        EXPECT_EQ(program.Machine().Journal(), journalBefore) << "the plan changed the machine";
        EXPECT_EQ(VerdictJson(program.Machine().Boot()), bootBefore);

        std::vector<std::pair<std::wstring, bool>> planned;  // and whether it may not run
        for (const std::wstring& step : plan.steps) {
            if (step.rfind(L"运行: ", 0) == 0) {
                planned.push_back({Normalized(step.substr(4)),
                                   step.find(kOnlyWhereNeeded) != std::wstring::npos});
            }
        }
        const RepairOutcome outcome = program.Run(request);
        ASSERT_EQ(outcome.failedSteps, 0);
        std::vector<std::wstring> ran;
        for (const std::wstring& line : program.ToolCommands()) {
            ran.push_back(Normalized(line));
        }
        ASSERT_FALSE(ran.empty());
        // The run issues the plan's commands in its order; it leaves out only those the plan
        // says it leaves out where the store is so already. The check after the run is the
        // diagnosis's, which is no step of the run.
        std::size_t next = 0;
        for (const auto& [command, conditional] : planned) {
            if (next < ran.size() && ran[next] == command) {
                ++next;
            } else {
                EXPECT_TRUE(conditional) << "planned, not run: " << WideToUtf8(command);
            }
        }
        EXPECT_EQ(next, ran.size()) << "run, not planned: " << WideToUtf8(ran[next]);
    }
}

// The firmware's entries cannot be known ahead: the plan names the look at them and what may
// follow, and says nothing of them as if it had read them.
TEST(RepairPlan, NamesTheLookAtTheFirmwaresEntries) {
    test::SimProgram program(test::ScenarioFile("uefi_entries_reset.xml"));
    RepairPorts ports = program.Ports();
    const RepairPlan plan = PlanRepair(program.AutomaticRequest(), ports);
    EXPECT_THAT(plan.steps, Contains(HasSubstr(L"/enum all /v（读取固件启动项：没有 Windows Boot "
                                               L"Manager 启动项时将它加入固件启动顺序）")));
    EXPECT_THAT(plan.rows, testing::Not(Contains(HasSubstr(L"固件"))));
}

TEST(RepairPlan, NamesTheEntryBcdbootWillMakeAndTheFilesItWillChange) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    RepairPorts ports = program.Ports();
    const RepairPlan plan = PlanRepair(program.AutomaticRequest(), ports);
    EXPECT_THAT(plan.steps, Contains(HasSubstr(L"/store C:\\Boot\\BCD /default <C: 的新启动项>" +
                                               std::wstring(kOnlyWhereNeeded))));
    EXPECT_THAT(plan.steps, Contains(HasSubstr(L"/create {ntldr} /d \"Microsoft Windows XP "
                                               L"x86\"（{ntldr} 已存在时改为设置它的描述）")));
    EXPECT_THAT(plan.steps, Contains(L"文件: 复制 C:\\boot.ini 到 C:\\boot.ini_20261208103000"));
    EXPECT_THAT(plan.steps, Contains(L"文件: 写入 C:\\ntldr"));
    EXPECT_THAT(plan.steps,
                Contains(L"文件: C:\\boot.ini [boot loader] default=multi(0)disk(0)rdisk(0)"
                         L"partition(2)\\WINDOWS"));
    EXPECT_THAT(plan.rows, Contains(L"写入 NT6 引导代码至 C: 及其磁盘的主引导记录......成功"));
}

}  // namespace
}  // namespace qn::sim
