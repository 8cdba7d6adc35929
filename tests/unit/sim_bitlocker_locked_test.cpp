// A Windows volume BitLocker keeps locked, seen from Windows PE: the simulated machine hides its
// files from the program, and the program says it could not check it, never that it is empty.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/start_diagnosis.h"
#include "diagnosis/diagnosis_log.h"
#include "diagnosis_sim_support.h"
#include "disk/locked_volumes.h"

namespace qn::sim {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

const std::wstring kAdvice =
    L"C: 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：manage-bde -unlock C: "
    L"-RecoveryPassword <48 位恢复密钥>，然后重新检测";

TEST(LockedBitLockerVolume, TheProgramReachesNoneOfItsFilesButTheMachineKeepsThem) {
    test::Machine machine(test::ScenarioFile("bitlocker_locked.xml"));
    const std::wstring hive = L"C:\\Windows\\System32\\config\\SOFTWARE";
    EXPECT_TRUE(machine->Files().PathExists(hive));
    SimFileSystem& files = machine->FilesForProgram();
    EXPECT_FALSE(files.PathExists(hive));
    EXPECT_FALSE(files.ListDirectory(L"C:\\"));
    EXPECT_FALSE(files.Attributes(L"C:\\Windows"));
    EXPECT_FALSE(files.ReadFileBytes(hive, 1 << 20));
    EXPECT_EQ(files.MakeDirectory(L"C:\\Boot"), CreateDirResult::Failed);
    EXPECT_EQ(files.CreateFileForWrite(L"C:\\x.txt"), nullptr);
    EXPECT_FALSE(files.CopyFileTo(hive, L"X:\\SOFTWARE", false));
    EXPECT_FALSE(machine->Files().PathExists(L"C:\\x.txt"));
    const auto info = machine->Storage().VolumeInfo(L"C:\\");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fileSystemName, L"RAW");
    EXPECT_EQ(FindLockedVolumes(machine->Storage(), files).letters, std::vector<char>{'C'});
}

// A running Windows 7 on D:, a locked Windows 10 on E:, an empty active F:.
const char kBesideARunningWindows[] =
    "<machine><disk number='0' size='500G'>"
    "<partition offset='1M' length='100M' active='true' letter='F'/>"
    "<partition offset='101M' length='100G' letter='D'>"
    "<windows product='Windows 7 Ultimate' version='6.1' running='true'/></partition>"
    "<partition offset='101G' length='100G' letter='E' pbr='bitlocker' locked='true'>"
    "<windows product='Windows 10 Pro' version='6.3'/></partition></disk></machine>";

TEST(LockedBitLockerVolume, BcdbootCanNeitherCopyFromItNorWriteToIt) {
    test::Machine machine(test::ScenarioText(kBesideARunningWindows));
    EXPECT_EQ(machine.Capture(L"bcdboot E:\\Windows /s F: /f BIOS").exitCode, 5u);
    EXPECT_EQ(machine.Capture(L"bcdboot D:\\Windows /s E: /f BIOS").exitCode, 5u);
    EXPECT_FALSE(machine->Files().PathExists(L"E:\\bootmgr"));
    EXPECT_FALSE(machine->Files().PathExists(L"F:\\bootmgr"));
    EXPECT_EQ(machine.Capture(L"bcdboot D:\\Windows /s F: /f BIOS").exitCode, 0u);
}

// Systems were found: the start page and the log still name the one that could not be checked.
TEST(LockedBitLockerVolume, BesideAFoundSystemItIsNamedAsNotChecked) {
    test::DiagnosisSession session(test::ScenarioText(kBesideARunningWindows));
    ASSERT_EQ(session.Program().installations.size(), 1u);
    const BootDiagnosis diagnosis = session.Diagnose(true);
    EXPECT_EQ(StartDiagnosisText(diagnosis),
              DiagnosisStatus(diagnosis) + L"；E: 已被 BitLocker 锁定，无法检查");
    EXPECT_THAT(DiagnosisLogLines(diagnosis),
                Contains(L"未检查: E: 已被 BitLocker 锁定，无法检查其中的 Windows"));
}

TEST(LockedBitLockerVolume, TheDiagnosisSaysItCouldNotCheckItNotThatItIsEmpty) {
    for (bool withScan : {true, false}) {
        SCOPED_TRACE(withScan ? "with the scan" : "found by files");
        test::DiagnosisSession session(test::ScenarioFile("bitlocker_locked.xml"));
        const BootDiagnosis diagnosis = session.Diagnose(withScan);
        const VolumeDiagnosis* c = FindVolume(diagnosis, 'C');
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->locked);
        EXPECT_TRUE(diagnosis.installations.empty());
        EXPECT_EQ(LockedVolumeLetters(diagnosis), std::vector<char>{'C'});
        // What is broken is still said: the store on the active partition is gone.
        EXPECT_FALSE(diagnosis.boots);
        EXPECT_FALSE(diagnosis.unseen);
        EXPECT_THAT(diagnosis.problem, HasSubstr(L"\\Boot\\BCD"));
        const std::vector<std::wstring> lines = DiagnosisLogLines(diagnosis);
        EXPECT_THAT(lines, Contains(AllOf(HasSubstr(L"卷 C: (磁盘0, RAW)"),
                                          EndsWith(L"；已加密（锁定），无法检查"))));
        EXPECT_THAT(lines, Contains(L"未检查: C: 已被 BitLocker 锁定，无法检查其中的 Windows"));
        EXPECT_THAT(lines, Not(Contains(HasSubstr(L"没有 Windows"))));
        EXPECT_THAT(lines, Not(Contains(AllOf(HasSubstr(L"卷 C:"), HasSubstr(L"引导文件 无")))));
        EXPECT_EQ(StartDiagnosisText(diagnosis), kAdvice);
    }
}

// The store names C:, locked: the boot manager will unlock it and start Windows 10 (the verdict),
// which the diagnosis cannot see. It says so, and does not call the machine broken.
TEST(LockedBitLockerVolume, AnEntryIntoALockedVolumeCannotBeChecked) {
    test::DiagnosisSession session(test::ScenarioFile("bitlocker_locked_menu.xml"));
    ASSERT_TRUE(session.Machine().Boot().boots);
    const BootDiagnosis diagnosis = session.Diagnose(true);
    ASSERT_EQ(diagnosis.menu.size(), 1u);
    EXPECT_FALSE(diagnosis.menu[0].reaches);
    EXPECT_EQ(diagnosis.menu[0].target, 'C');
    EXPECT_EQ(diagnosis.menu[0].problem,
              L"指向的分区 C: 已被 BitLocker 锁定，无法检查其中的 Windows");
    EXPECT_TRUE(diagnosis.unseen);
    EXPECT_EQ(diagnosis.problem,
              L"默认启动项指向的分区 C: 已被 BitLocker 锁定，无法检查其中的 Windows");
    EXPECT_THAT(DiagnosisLogLines(diagnosis), Not(Contains(HasSubstr(L"没有 Windows"))));
}

TEST(LockedBitLockerVolume, TheAutomaticRepairSaysHowToUnlockAndChangesNothing) {
    test::DiagnosisSession session(test::ScenarioFile("bitlocker_locked.xml"));
    test::SimProgram& program = session.Program();
    const std::string before = VerdictJson(session.Machine().Boot());
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_FALSE(outcome.engineRan);
    EXPECT_FALSE(RunPassed(outcome));
    EXPECT_THAT(outcome.rows, Contains(kAdvice));
    EXPECT_THAT(outcome.rows, Not(Contains(HasSubstr(L"没有找到系统分区"))));
    EXPECT_EQ(VerdictJson(session.Machine().Boot()), before);
    EXPECT_TRUE(program.ToolCommands().empty());
}

}  // namespace
}  // namespace qn::sim
