// The guards asked by the repair runs themselves, before their first write: what each answer
// does to the run and to what the machine boots afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "sim/mbr_code.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// A run that stopped must not have written anything: no file change, no tool but the
// diagnosis's read-only enumerations.
void ExpectNothingWritten(SimMachine& machine, std::size_t journalBefore) {
    const auto journal = machine.Journal();
    for (std::size_t i = journalBefore; i < journal.size(); ++i) {
        const std::wstring& line = journal[i];
        const bool readOnly = line.find(L"/enum") != std::wstring::npos ||
                              line.rfind(L"  > ", 0) == 0 ||
                              line.find(L"\\Temp") != std::wstring::npos ||
                              line.find(L"QNBootRepair_") != std::wstring::npos;
        EXPECT_TRUE(readOnly) << "written after the stop: " << WideToUtf8(line);
    }
}

TEST(RepairGuardsRun, KeepingAnotherLoadersMbrLeavesItAndRepairsTheRest) {
    test::SimProgram program(test::ScenarioFile("syslinux_mbr.xml"));
    program.asker.answers = {GuardAnswer::No};
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::ForeignMbrCode));
    for (const std::wstring& line : program.ToolCommands()) {
        EXPECT_THAT(line, Not(HasSubstr(L"/mbr"))) << WideToUtf8(line);
    }
    EXPECT_THAT(program.ToolCommands(), Contains(HasSubstr(L"bootsect.exe\" /nt60 ")));
    EXPECT_EQ(program.Machine().DiskMbrCode(0), MbrCode::Syslinux);
    EXPECT_TRUE(program.Machine().Boot().boots);
    EXPECT_EQ(outcome.failedSteps, 0);
    EXPECT_THAT(outcome.guardLines, Contains(HasSubstr(L"取消(C)")));
}

TEST(RepairGuardsRun, OverwritingGrubMakesWindowsStartAndKeepingItKeepsGrub) {
    for (GuardAnswer answer : {GuardAnswer::Yes, GuardAnswer::No}) {
        SCOPED_TRACE(answer == GuardAnswer::Yes ? "确定" : "取消");
        test::SimProgram program(test::ScenarioFile("grub_mbr.xml"));
        program.asker.answers = {answer};
        program.Run(program.AutomaticRequest());
        EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::ForeignMbrCode));
        EXPECT_EQ(program.Machine().DiskMbrCode(0),
                  answer == GuardAnswer::Yes ? MbrCode::Nt60 : MbrCode::Grub);
        EXPECT_EQ(program.Machine().Boot().boots, answer == GuardAnswer::Yes);
    }
}

TEST(RepairGuardsRun, BitLockerGoesOnOnlyWhenConfirmed) {
    for (GuardAnswer answer : {GuardAnswer::No, GuardAnswer::Yes}) {
        SCOPED_TRACE(answer == GuardAnswer::Yes ? "确定" : "取消");
        test::SimProgram program(test::ScenarioFile("bitlocker.xml"));
        const std::string before = VerdictJson(program.Machine().Boot());
        const std::size_t journal = program.Machine().Journal().size();
        program.asker.answers = {answer};
        const RepairOutcome outcome = program.Run(program.AutomaticRequest());
        EXPECT_THAT(program.asker.asked, Contains(GuardKind::BitLocker));
        if (answer == GuardAnswer::No) {
            EXPECT_TRUE(outcome.stoppedByGuard);
            EXPECT_FALSE(outcome.engineRan);
            EXPECT_THAT(program.ToolCommands(), IsEmpty());
            EXPECT_EQ(outcome.rows[outcome.rows.size() - 2], kStoppedByGuardRow);
            EXPECT_EQ(VerdictJson(program.Machine().Boot()), before);
            ExpectNothingWritten(program.Machine(), journal);
        } else {
            EXPECT_FALSE(outcome.stoppedByGuard);
            EXPECT_TRUE(program.Machine().Boot().boots);
        }
    }
}

TEST(RepairGuardsRun, AFirmwareTheDisksCannotTellStopsWhenTheUserSaysSo) {
    test::SimProgram program(test::ScenarioFile("firmware_mismatch.xml"));
    const std::size_t journal = program.Machine().Journal().size();
    program.asker.answers = {GuardAnswer::No};
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::FirmwareDoubt));
    EXPECT_TRUE(outcome.stoppedByGuard);
    ExpectNothingWritten(program.Machine(), journal);
}

TEST(RepairGuardsRun, AnotherSystemFirstInTheUefiOrderStaysFirst) {
    test::SimProgram program(test::ScenarioFile("uefi_grub_first.xml"));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_THAT(program.asker.asked, IsEmpty()) << "the boot order asks nothing";
    EXPECT_THAT(program.ToolCommands(), Contains(HasSubstr(L"/f UEFI /l zh-CN /p -> 0")));
    ASSERT_FALSE(program.Machine().FirmwareEntries().empty());
    EXPECT_EQ(program.Machine().FirmwareEntries()[0].description, L"ubuntu");
    EXPECT_THAT(outcome.guardLines, Contains(HasSubstr(L"/p")));
}

TEST(RepairGuardsRun, TheMbrPageStopsWhenTheOtherLoaderIsKept) {
    test::SimProgram program(test::ScenarioFile("grub_mbr.xml"));
    const std::size_t journal = program.Machine().Journal().size();
    program.asker.answers = {GuardAnswer::No};
    const RepairOutcome outcome =
        program.RunMbr(MbrRepairRequest{program.BootPartitionOf('C'), MbrRepairKind::Mbr, false});
    EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::ForeignMbrCode));
    EXPECT_TRUE(outcome.stoppedByGuard);
    EXPECT_EQ(program.Machine().DiskMbrCode(0), MbrCode::Grub);
    ExpectNothingWritten(program.Machine(), journal);
}

TEST(RepairGuardsRun, TheLogShowsTheDiagnosisBeforeAndAfterAndTheGuards) {
    test::SimProgram program(test::ScenarioFile("grub_mbr.xml"));
    program.asker.answers = {GuardAnswer::Yes};
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    const auto* bytes = program.Machine().Files().FileBytes(outcome.logPath);
    ASSERT_NE(bytes, nullptr);
    const std::wstring log = Utf8ToWide(std::string(bytes->begin(), bytes->end()));
    EXPECT_THAT(log, HasSubstr(L"== 修复前的诊断 =="));
    EXPECT_THAT(log, HasSubstr(L"== 安全检查 =="));
    EXPECT_THAT(log, HasSubstr(L"== 修复后的诊断 =="));
    EXPECT_LT(log.find(L"修复前的诊断"), log.find(L"== 步骤 =="));
    EXPECT_FALSE(outcome.before.boots);
    EXPECT_TRUE(outcome.after.boots);
}

}  // namespace
}  // namespace qn::sim
