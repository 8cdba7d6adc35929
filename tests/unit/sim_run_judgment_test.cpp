// A run's last row follows the diagnosis after it, not the tools' exit codes: a repair whose
// tools all "succeed" without making the machine boot is not complete, and boot files written on
// purpose to a disk this machine does not start are judged as that disk would start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::HasSubstr;

TEST(RunJudgment, StepsThatAllSucceedDoNotMakeARepairComplete) {
    // The user keeps GRUB in the master boot record: every step of the run succeeds, and the
    // machine still starts GRUB, not Windows' boot manager.
    test::SimProgram program(test::ScenarioFile("grub_mbr.xml"));
    program.asker.answers = {GuardAnswer::No};
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    ASSERT_EQ(outcome.failedSteps, 0);
    ASSERT_FALSE(program.Machine().Boot().boots);
    EXPECT_EQ(outcome.completion.rfind(L"修复未完成：", 0), 0u) << WideToUtf8(outcome.completion);
    EXPECT_THAT(outcome.completion, HasSubstr(L"GRUB"));
    EXPECT_FALSE(RunPassed(outcome));
    EXPECT_EQ(outcome.rows[outcome.rows.size() - 2], outcome.completion);
}

TEST(RunJudgment, FilesForAnotherDiskAreJudgedAsThatDiskWouldStart) {
    test::SimProgram program(test::ScenarioFile("usb_stick_bios.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.bootLetter = 'D';  // the stick, chosen on purpose
    request.bootReason.clear();
    const RepairOutcome outcome = program.Run(request);
    EXPECT_EQ(outcome.failedSteps, 0);
    EXPECT_EQ(outcome.completion, L"引导文件已写入磁盘0；本机固件不从该磁盘启动");
    EXPECT_TRUE(RunPassed(outcome));
    // Without the stick the machine still does not boot: the run never claimed it would.
    EXPECT_FALSE(program.Machine().Boot().boots);

    // The same on purpose, but the stick would start nothing: the run is not complete.
    Scenario broken = test::ScenarioFile("usb_stick_bios.xml");
    broken.failures.push_back({L"bcdboot", L"*", 0, L"", 0});
    test::SimProgram again(broken);
    RepairRequest onStick = again.AutomaticRequest();
    onStick.bootLetter = 'D';
    const RepairOutcome failed = again.Run(onStick);
    EXPECT_EQ(failed.completion.rfind(L"修复未完成：", 0), 0u) << WideToUtf8(failed.completion);
    EXPECT_FALSE(RunPassed(failed));
}

}  // namespace
}  // namespace qn::sim
