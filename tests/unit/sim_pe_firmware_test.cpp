// Windows PE started the other way than the machine starts its disks: the diagnosis goes by the
// disks and says why, the repair asks which way the machine starts before it writes, and what it
// writes is for the firmware the machine really has.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "diagnosis/diagnosis_log.h"
#include "diagnosis/firmware_judgment.h"
#include "diagnosis_sim_support.h"
#include "run/repair_guards.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

DiskDiagnosis Disk(std::uint32_t number, PartitionStyle style, bool removable, bool esp,
                   char active = 0) {
    DiskDiagnosis disk;
    disk.number = number;
    disk.style = style;
    disk.removable = removable;
    disk.hasEsp = esp;
    disk.activeLetter = active;
    return disk;
}

VolumeDiagnosis Loader(char letter, std::int32_t disk, bool bootmgr, bool ntldr = false) {
    VolumeDiagnosis volume;
    volume.letter = letter;
    volume.disk = disk;
    volume.active = true;
    volume.files.bootmgr = bootmgr ? FilePresence::Present : FilePresence::Missing;
    volume.files.ntldr = ntldr ? FilePresence::Present : FilePresence::Missing;
    return volume;
}

TEST(FirmwareJudgment, TheDisksOverruleTheRunningSystemOnlyWhenTheyArePlain) {
    constexpr auto Mbr = PartitionStyle::Mbr;
    constexpr auto Gpt = PartitionStyle::Gpt;
    struct Case {
        const char* what;
        FirmwareMode running;
        std::vector<DiskDiagnosis> disks;
        std::vector<VolumeDiagnosis> volumes;
        FirmwareMode judged;
    };
    const Case cases[] = {
        {"BIOS-started, GPT boot disk with an ESP",
         FirmwareMode::Bios,
         {Disk(0, Gpt, false, true)},
         {},
         FirmwareMode::Uefi},
        {"BIOS-started, the stick first, the GPT disk behind it",
         FirmwareMode::Bios,
         {Disk(0, Mbr, true, false, 'D'), Disk(1, Gpt, false, true)},
         {Loader('D', 0, true)},
         FirmwareMode::Uefi},
        {"BIOS-started, another fixed disk's active partition holds ntldr",
         FirmwareMode::Bios,
         {Disk(0, Gpt, false, true), Disk(1, Mbr, false, false, 'E')},
         {Loader('E', 1, false, true)},
         FirmwareMode::Bios},
        {"BIOS-started, GPT boot disk without an ESP",
         FirmwareMode::Bios,
         {Disk(0, Gpt, false, false)},
         {},
         FirmwareMode::Bios},
        {"BIOS-started, only a stick",
         FirmwareMode::Bios,
         {Disk(0, Gpt, true, true)},
         {},
         FirmwareMode::Bios},
        {"unknown, GPT boot disk with an ESP",
         FirmwareMode::Unknown,
         {Disk(0, Gpt, false, true)},
         {},
         FirmwareMode::Uefi},
        {"UEFI-started, only MBR disks, bootmgr active",
         FirmwareMode::Uefi,
         {Disk(0, Mbr, false, false, 'D'), Disk(1, Gpt, true, true)},
         {Loader('D', 0, true)},
         FirmwareMode::Bios},
        {"UEFI-started, an MBR disk's own ESP (type 0xEF)",
         FirmwareMode::Uefi,
         {Disk(0, Mbr, false, true, 'D')},
         {Loader('D', 0, true)},
         FirmwareMode::Uefi},
        {"UEFI-started, a second fixed disk with an ESP",
         FirmwareMode::Uefi,
         {Disk(0, Mbr, false, false, 'D'), Disk(1, Gpt, false, true)},
         {Loader('D', 0, true)},
         FirmwareMode::Uefi},
        {"UEFI-started, the active partition holds no loader",
         FirmwareMode::Uefi,
         {Disk(0, Mbr, false, false, 'D')},
         {Loader('D', 0, false)},
         FirmwareMode::Uefi},
        {"UEFI-started, the active partition has no letter",
         FirmwareMode::Uefi,
         {Disk(0, Mbr, false, false)},
         {},
         FirmwareMode::Uefi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BootDiagnosis read;
        read.disks = c.disks;
        read.volumes = c.volumes;
        const FirmwareJudgment judged = JudgeFirmware(c.running, read);
        EXPECT_EQ(judged.mode, c.judged);
        EXPECT_EQ(judged.reason.empty(), judged.mode == c.running);
    }
}

struct PeCase {
    const char* file;
    FirmwareMode machine;
    FirmwareMode running;
    const wchar_t* choice;   // the start of the automatic choice's text
    const wchar_t* bcdboot;  // what bcdboot is told
    std::uint32_t stick;
};

const PeCase kPeCases[] = {
    {"pe_csm_gpt.xml", FirmwareMode::Uefi, FirmwareMode::Bios, L"磁盘0 EFI 系统分区 ", L"/f UEFI",
     1},
    {"pe_uefi_mbr.xml", FirmwareMode::Bios, FirmwareMode::Uefi, L"磁盘0 激活分区 D:", L"/f BIOS",
     1},
};

TEST(PeStartedTheOtherWay, TheDiagnosisGoesByTheDisksAndSaysWhy) {
    for (const PeCase& c : kPeCases) {
        SCOPED_TRACE(c.file);
        test::DiagnosisSession session(test::ScenarioFile(c.file));
        const BootDiagnosis diagnosis = session.Diagnose();
        EXPECT_EQ(diagnosis.firmware, c.machine);
        EXPECT_EQ(diagnosis.runningFirmware, c.running);
        EXPECT_FALSE(diagnosis.firmwareConfirmed);
        ASSERT_FALSE(diagnosis.chain.empty());
        EXPECT_THAT(diagnosis.chain.front(), HasSubstr(L"按磁盘判断："));
        EXPECT_THAT(diagnosis.chain.front(),
                    HasSubstr(std::wstring(L"当前系统以 ") + FirmwareModeText(c.running)));
        EXPECT_FALSE(diagnosis.boots);
        EXPECT_THAT(DiagnosisLogLines(diagnosis)[1], HasSubstr(L"按磁盘判断"));
    }
}

TEST(PeStartedTheOtherWay, TheRepairAsksWritesForTheMachinesFirmwareAndTheMachineBoots) {
    for (const PeCase& c : kPeCases) {
        SCOPED_TRACE(c.file);
        test::SimProgram program(test::ScenarioFile(c.file));
        const auto entries = program.Machine().FirmwareEntries().size();
        const RepairRequest request = program.AutomaticRequest();
        EXPECT_EQ(request.bootReason.rfind(c.choice, 0), 0u) << WideToUtf8(request.bootReason);
        const RepairOutcome outcome = program.Run(request);
        EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::FirmwareDoubt));
        EXPECT_THAT(outcome.guardLines, Contains(HasSubstr(L"确定(Y)：按 ")));
        EXPECT_THAT(program.ToolCommands(), Contains(HasSubstr(c.bcdboot)));
        EXPECT_EQ(program.Machine().FirmwareEntries().size(), entries)
            << "the firmware's entries are the machine's own";
        if (c.machine == FirmwareMode::Uefi) {
            EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"无法检查固件的 Windows Boot Manager")));
        }
        const BootVerdict verdict = program.Machine().Boot();
        EXPECT_TRUE(verdict.boots) << WideToUtf8(verdict.problem);
        // Judged the way the user confirmed: the machine boots, and the run says so.
        EXPECT_TRUE(outcome.after.firmwareConfirmed);
        EXPECT_EQ(outcome.after.firmware, c.machine);
        EXPECT_TRUE(outcome.after.boots) << WideToUtf8(outcome.after.problem);
        EXPECT_EQ(outcome.completion, L"修复完成!") << WideToUtf8(outcome.logText);
        EXPECT_THAT(outcome.rows, Not(Contains(HasSubstr(L"无法确认"))));
    }
}

TEST(PeStartedTheOtherWay, CancelChangesNothingAndTheWrongGuessIsNeverCalledBooting) {
    for (const PeCase& c : kPeCases) {
        SCOPED_TRACE(c.file);
        test::SimProgram program(test::ScenarioFile(c.file));
        const auto boot = VerdictJson(program.Machine().Boot());
        const std::size_t journal = program.Machine().Journal().size();
        program.asker.answers = {GuardAnswer::No};
        const RepairOutcome outcome = program.Run(program.AutomaticRequest());
        EXPECT_TRUE(outcome.stoppedByGuard);
        EXPECT_EQ(VerdictJson(program.Machine().Boot()), boot);
        const auto& lines = program.Machine().Journal();
        for (std::size_t i = journal; i < lines.size(); ++i) {
            const bool readOnly = lines[i].find(L"/enum") != std::wstring::npos ||
                                  lines[i].rfind(L"  > ", 0) == 0 ||
                                  lines[i].find(L"\\Temp") != std::wstring::npos ||
                                  lines[i].find(L"QNBootRepair_") != std::wstring::npos;
            EXPECT_TRUE(readOnly) << "written after 取消: " << WideToUtf8(lines[i]);
        }
    }
    // The same disks on a firmware set to UEFI only: the intact BIOS road is not "boots".
    test::DiagnosisSession mismatch(test::ScenarioFile("firmware_mismatch.xml"));
    const BootDiagnosis diagnosis = mismatch.Diagnose();
    EXPECT_FALSE(diagnosis.boots);
    EXPECT_TRUE(diagnosis.unseen);
    EXPECT_THAT(diagnosis.problem, HasSubstr(L"兼容模式"));
    ASSERT_FALSE(diagnosis.installations.empty());
    EXPECT_FALSE(diagnosis.installations.front().bootable);
}

TEST(PeStartedTheOtherWay, AChoiceOfTheRunningSystemsKindIsAMismatchInTheDisksWords) {
    test::DiagnosisSession session(test::ScenarioFile("pe_uefi_mbr.xml"));
    const BootDiagnosis diagnosis = session.Diagnose();
    RepairRequest manual = session.Program().AutomaticRequest();
    manual.boot = session.Program().BootPartitionOf('E');  // the stick's EFI system partition
    ASSERT_EQ(manual.boot.style, PartitionStyle::Gpt);
    const auto guards = DecideRepairGuards(diagnosis, WorkOfRepair(manual, diagnosis));
    ASSERT_EQ(guards.size(), 1u);
    EXPECT_EQ(guards[0].kind, GuardKind::FirmwareMismatch);
    EXPECT_THAT(guards[0].finding,
                HasSubstr(L"磁盘表明这台电脑以 BIOS 方式启动（当前系统以 UEFI 方式启动）"));
    EXPECT_FALSE(guards[0].yesByDefault);
    // The question that follows the disks starts on 确定(Y) and names the partition.
    manual.boot = session.Program().BootPartitionOf('D');
    ASSERT_EQ(manual.boot.style, PartitionStyle::Mbr);
    const auto doubt = DecideRepairGuards(diagnosis, WorkOfRepair(manual, diagnosis));
    ASSERT_EQ(doubt.size(), 1u);
    EXPECT_TRUE(doubt[0].yesByDefault);
    EXPECT_EQ(doubt[0].firmware, FirmwareMode::Bios);
    EXPECT_THAT(doubt[0].question, HasSubstr(L"本次修复按 BIOS 方式写入引导分区 D:"));
}

}  // namespace
}  // namespace qn::sim
