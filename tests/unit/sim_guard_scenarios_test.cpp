// The guardrails on the simulated machine: which guards each scenario's automatic repair meets,
// and the boot verdict showing that what a guard keeps is kept (the MBR of another loader, the
// firmware's boot order).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "diagnosis_sim_support.h"
#include "run/boot_target.h"
#include "run/repair_guards.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class Session : public test::DiagnosisSession {
public:
    explicit Session(const std::string& file) : DiagnosisSession(test::ScenarioFile(file)) {}

    std::vector<RepairGuard> AutomaticGuards() {
        const RepairRequest request = Program().AutomaticRequest();
        const BootDiagnosis diagnosis = Diagnose();
        return DecideRepairGuards(diagnosis, WorkOfRepair(request, diagnosis));
    }
};

std::vector<GuardKind> Kinds(const std::vector<RepairGuard>& guards) {
    std::vector<GuardKind> kinds;
    for (const RepairGuard& guard : guards) {
        kinds.push_back(guard.kind);
    }
    return kinds;
}

TEST(GuardsOnScenarios, EachScenariosAutomaticRepairMeetsItsGuards) {
    struct Case {
        const char* file;
        std::vector<GuardKind> kinds;
    };
    const Case cases[] = {
        {"grub_mbr.xml", {GuardKind::ForeignMbrCode}},
        {"syslinux_mbr.xml", {GuardKind::ForeignMbrCode}},
        {"bitlocker.xml", {GuardKind::BitLocker}},
        {"firmware_mismatch.xml", {GuardKind::FirmwareDoubt}},
        {"pe_csm_gpt.xml", {GuardKind::FirmwareDoubt}},
        {"pe_uefi_mbr.xml", {GuardKind::FirmwareDoubt}},
        {"uefi_grub_first.xml", {GuardKind::UefiBootOrder}},
    };
    std::set<std::string> named;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        named.insert(c.file);
        Session session(c.file);
        EXPECT_EQ(Kinds(session.AutomaticGuards()), c.kinds);
    }
    // Every other scenario's automatic repair is asked nothing.
    for (const auto& entry : std::filesystem::directory_iterator(QN_SOURCE_DIR "/sim/scenarios")) {
        const std::string file = entry.path().filename().string();
        if (named.count(file) == 0) {
            SCOPED_TRACE(file);
            Session session(file);
            EXPECT_TRUE(session.AutomaticGuards().empty());
        }
    }
}

// The guards' picture of a run (WorkOfRepair) is what the engine then does, on every scenario.
TEST(GuardsOnScenarios, TheWorkTheGuardsExpectIsTheWorkTheEngineDoes) {
    for (const auto& entry : std::filesystem::directory_iterator(QN_SOURCE_DIR "/sim/scenarios")) {
        const std::string file = entry.path().filename().string();
        SCOPED_TRACE(file);
        Session session(file);
        const RepairRequest request = session.Program().AutomaticRequest();
        const BootDiagnosis diagnosis = session.Diagnose();
        const GuardedWork work = WorkOfRepair(request, diagnosis);
        const RepairOutcome outcome = session.Program().Run(request);
        if (outcome.stoppedByGuard) {
            continue;  // the technician knew better than the disks: nothing was done
        }
        bool mbr = false;
        bool bootRecord = false;
        bool bcdboot = false;
        bool uefiFiles = false;
        for (const std::wstring& line : session.Program().ToolCommands()) {
            if (line.find(L"bootsect.exe") != std::wstring::npos) {
                bootRecord = true;
                mbr = mbr || line.find(L"/mbr") != std::wstring::npos;
            }
            if (line.find(L"bcdboot.exe") != std::wstring::npos) {
                bcdboot = true;
                uefiFiles = uefiFiles || line.find(L"/f UEFI") != std::wstring::npos ||
                            line.find(L" /s ") == std::wstring::npos;
            }
        }
        // A run that repaired no system keeps the old boot code: the guards asked for more.
        const bool keptCode =
            std::any_of(outcome.rows.begin(), outcome.rows.end(), [](const std::wstring& row) {
                return row.find(L"保留原有的引导代码") != std::wstring::npos;
            });
        if (keptCode) {
            EXPECT_FALSE(mbr || bootRecord);
        } else {
            EXPECT_EQ(work.writesMbrCode, mbr);
            EXPECT_EQ(work.writesBootRecord, bootRecord);
        }
        EXPECT_EQ(work.runsBcdboot, bcdboot);
        if (bcdboot) {
            EXPECT_EQ(work.bcdbootUefiFiles, uefiFiles);
        }
    }
}

TEST(GuardsOnScenarios, AGptBootPartitionOnABiosMachineIsAMismatch) {
    Session demo("demo.xml");  // disk 1 is GPT; its ESP got a letter at start-up
    const BootDiagnosis diagnosis = demo.Diagnose();
    char esp = 0;
    for (const VolumeDiagnosis& volume : diagnosis.volumes) {
        esp = volume.esp ? volume.letter : esp;
    }
    ASSERT_NE(esp, 0);
    RepairRequest manual = demo.Program().AutomaticRequest();
    manual.boot = demo.Program().BootPartitionOf(esp);
    ASSERT_EQ(manual.boot.style, PartitionStyle::Gpt);
    const auto guards = DecideRepairGuards(diagnosis, WorkOfRepair(manual, diagnosis));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::FirmwareMismatch));
    EXPECT_THAT(guards[0].finding, HasSubstr(L"BIOS（传统）"));
}

// Syslinux's MBR starts the active partition: the repair without /mbr (the guard's "keep") fixes
// the store, the MBR stays Syslinux's, and Windows boots through it.
TEST(GuardsOnScenarios, KeepingSyslinuxsMbrStillBootsWindows) {
    Session session("syslinux_mbr.xml");
    const auto guards = session.AutomaticGuards();
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::ForeignMbrCode));
    const GuardOutcome outcome = ApplyGuardAnswers(guards, {GuardAnswer::No});
    ASSERT_TRUE(outcome.keepMbr);
    const std::wstring boot(1,
                            static_cast<wchar_t>(session.Program().AutomaticRequest().boot.letter));
    // What the engine runs, without /mbr.
    EXPECT_EQ(session.Run(CarriedTool::Bootsect, L"/nt60 " + boot + L":"), 0u);
    EXPECT_EQ(session.Run(CarriedTool::Bcdboot, L"C:\\Windows /s " + boot + L": /f BIOS /l zh-CN"),
              0u);
    EXPECT_EQ(session.Machine().DiskMbrCode(0), MbrCode::Syslinux);
    const BootVerdict verdict = session.Machine().Boot();
    EXPECT_TRUE(verdict.boots) << testing::PrintToString(verdict.problem);
    const BootDiagnosis after = session.Diagnose();
    EXPECT_TRUE(after.boots);
    EXPECT_EQ(after.disks[0].mbrCode, MbrCodeKind::Syslinux);
}

// GRUB kept in the MBR: the other system's loader is still what the machine starts.
TEST(GuardsOnScenarios, KeepingGrubsMbrKeepsGrub) {
    Session session("grub_mbr.xml");
    ASSERT_TRUE(ApplyGuardAnswers(session.AutomaticGuards(), {GuardAnswer::No}).keepMbr);
    EXPECT_EQ(session.Run(CarriedTool::Bootsect, L"/nt60 C:"), 0u);
    EXPECT_EQ(session.Machine().DiskMbrCode(0), MbrCode::Grub);
    EXPECT_THAT(session.Machine().Boot().problem, HasSubstr(L"GRUB"));
    // Overwriting it (确定) is what makes Windows start by itself.
    EXPECT_FALSE(ApplyGuardAnswers(session.AutomaticGuards(), {GuardAnswer::Yes}).keepMbr);
    EXPECT_EQ(session.Run(CarriedTool::Bootsect, L"/nt60 C: /mbr"), 0u);
    EXPECT_TRUE(session.Machine().Boot().boots);
}

// With "ubuntu" first, the repair keeps the firmware's boot order: bcdboot (with /s) leaves the
// firmware's entries alone, and Windows Boot Manager, already listed, is not moved. Ubuntu still
// starts first, as the verdict and the diagnosis after the run agree.
TEST(GuardsOnScenarios, TheBootOrderStaysWithUbuntuFirst) {
    Session session("uefi_grub_first.xml");
    test::SimProgram& program = session.Program();
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_EQ(outcome.failedSteps, 0) << testing::PrintToString(outcome.rows);
    EXPECT_THAT(program.ToolCommands(), Not(Contains(HasSubstr(L"{fwbootmgr}"))));
    const auto& entries = session.Machine().FirmwareEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, L"ubuntu");
    const BootVerdict verdict = session.Machine().Boot();
    EXPECT_FALSE(verdict.boots);
    const BootDiagnosis after = session.Diagnose();
    EXPECT_EQ(after.boots, verdict.boots);
    EXPECT_FALSE(after.firmwareOrder.front().windows);
}

}  // namespace
}  // namespace qn::sim
