// A run's last row follows the diagnosis after it, not the tools' exit codes: a repair whose
// tools all "succeed" without making the machine boot is not complete, and boot files written on
// purpose to a disk this machine does not start are judged as that disk would start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

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
    // The store the run wrote is right; the check still says what the machine starts.
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_FALSE(outcome.checks[0].bootable);
    EXPECT_TRUE(outcome.checks[0].certain);
    EXPECT_THAT(outcome.rows, Contains(AllOf(StartsWith(L"验证: C: Windows 7 Home Premium"),
                                             HasSubstr(L"无法启动"), HasSubstr(L"GRUB"))))
        << WideToUtf8(outcome.logText);
}

// Boot code alone: the run is judged by whether the firmware's road then reaches a Windows.
TEST(RunJudgment, ABootCodeRepairIsJudgedByWhatTheMachineStarts) {
    struct Case {
        const char* scenario;
        char letter;
        const wchar_t* completion;
        bool passed;
    };
    // A second disk with its own Windows and no boot code; the machine starts disk 0.
    const char* secondDisk = R"(<machine firmware="bios" winpe="true">
  <disk number="0" style="mbr" size="100G" mbr="nt60">
    <partition offset="1M" length="90G" active="true" letter="C" pbr="bootmgr">
      <file path="\bootmgr"/>
      <bcd>
        <bootmgr device="self" default="w10" displayorder="w10" timeout="30"/>
        <osloader name="w10" description="Windows 10" device="0:1"
                  path="\Windows\system32\winload.exe" osdevice="0:1" systemroot="\Windows"/>
      </bcd>
      <windows product="Windows 10 Pro" version="6.3" arch="x64"/>
    </partition>
  </disk>
  <disk number="1" style="mbr" size="100G" mbr="none">
    <partition offset="1M" length="90G" active="true" letter="E" pbr="bootmgr">
      <file path="\bootmgr"/>
      <bcd>
        <bootmgr device="self" default="w7" displayorder="w7" timeout="30"/>
        <osloader name="w7" description="Windows 7" device="1:1"
                  path="\Windows\system32\winload.exe" osdevice="1:1" systemroot="\Windows"/>
      </bcd>
      <windows product="Windows 7 Ultimate" version="6.1" arch="x64"/>
    </partition>
  </disk>
</machine>)";
    const Case cases[] = {
        {"wiped_mbr.xml", 'D', L"修复完成!", true},
        // The second disk's code, on purpose: judged as that disk would start.
        {secondDisk, 'E', L"引导代码已写入磁盘1；本机固件不从该磁盘启动", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const bool inline_ = c.scenario[0] == '<';
        test::SimProgram program(inline_ ? test::ScenarioText(c.scenario)
                                         : test::ScenarioFile(c.scenario));
        const RepairOutcome outcome = program.RunMbr(MbrRepairRequest{
            program.BootPartitionOf(c.letter), MbrRepairKind::Mbr, program.Machine().WinPE()});
        ASSERT_EQ(outcome.failedSteps, 0) << WideToUtf8(outcome.logText);
        ASSERT_TRUE(outcome.judgment.has_value());
        EXPECT_EQ(outcome.rows[outcome.rows.size() - 2].rfind(c.completion, 0), 0u)
            << WideToUtf8(outcome.logText);
        EXPECT_EQ(RunPassed(outcome), c.passed);
    }
}

TEST(RunJudgment, FilesForAnotherDiskAreJudgedAsThatDiskWouldStart) {
    test::SimProgram program(test::ScenarioFile("usb_stick_bios.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.boot = program.BootPartitionOf('D');  // the stick, chosen on purpose
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
    onStick.boot = again.BootPartitionOf('D');
    const RepairOutcome failed = again.Run(onStick);
    EXPECT_EQ(failed.completion.rfind(L"修复未完成：", 0), 0u) << WideToUtf8(failed.completion);
    EXPECT_FALSE(RunPassed(failed));
}

}  // namespace
}  // namespace qn::sim
