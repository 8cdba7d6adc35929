// The test that matters: on every scenario of the simulated machine, the program's own diagnosis
// (read-only, over the machine's ports: sectors, files, bcdedit, boot.ini) agrees with the
// simulation's boot verdict (which reads the machine's truth) — before any repair and after the
// program's automatic repair. A disagreement is a bug in one of the two.
// A volume BitLocker keeps locked is the one place the diagnosis may say "cannot judge" (below).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

#include "diagnosis_sim_support.h"

namespace qn::sim {
namespace {

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {  // UTF-8, so the Chinese reads in the test output
            const auto u = static_cast<std::uint32_t>(c);
            if (u < 0x800) {
                out += static_cast<char>(0xC0 | (u >> 6));
            } else {
                out += static_cast<char>(0xE0 | (u >> 12));
                out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            }
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

using Place = std::pair<int, int>;  // disk, 1-based place in its table

std::optional<Place> PlaceOf(SimMachine& machine, char letter) {
    const DiskVolume* volume = machine.VolumeAtLetter(static_cast<wchar_t>(letter));
    if (volume == nullptr) {
        return std::nullopt;
    }
    return Place{static_cast<int>(volume->disk->number), volume->position};
}

std::string Describe(const BootVerdict& verdict, const BootDiagnosis& diagnosis) {
    std::string out = "verdict: " + VerdictJson(verdict) + "\ndiagnosis: " +
                      (diagnosis.boots ? "boots" : "does not boot: " + Narrow(diagnosis.problem)) +
                      "\n";
    for (const auto& link : diagnosis.chain) {
        out += "  link: " + Narrow(link) + "\n";
    }
    for (const auto& entry : diagnosis.menu) {
        out += "  menu: " + Narrow(entry.description) + " -> " +
               (entry.target ? std::string(1, entry.target) : std::string("-")) +
               (entry.reaches ? " reaches" : " " + Narrow(entry.problem)) +
               (entry.isDefault ? " (default)" : "") + "\n";
    }
    return out;
}

bool LockedOnMachine(SimMachine& machine, char letter) {
    const DiskVolume* volume = machine.VolumeAtLetter(static_cast<wchar_t>(letter));
    return volume != nullptr && machine.VolumeLocked(*volume);
}

// The one place the two may differ: a volume BitLocker keeps locked. The verdict starts what is
// inside (the boot manager unlocks it); the diagnosis cannot look inside, so an entry whose
// Windows is there is "cannot judge" and says so, and a default entry there leaves the machine
// unjudged (unseen, not booting by its word). Everything else must agree.
bool CannotJudge(SimMachine& machine, const MenuEntryDiagnosis& entry) {
    if (entry.reaches || entry.target == 0 || !LockedOnMachine(machine, entry.target)) {
        return false;
    }
    EXPECT_THAT(Narrow(entry.problem),
                ::testing::HasSubstr("已被 BitLocker 锁定，无法检查其中的 Windows"));
    return true;
}

// Boots or not; whether a menu is reached; which installations the menu reaches; the default.
void ExpectAgreement(test::DiagnosisSession& session, const BootDiagnosis& diagnosis) {
    SimMachine& machine = session.Machine();
    const BootVerdict verdict = machine.Boot();
    SCOPED_TRACE(Describe(verdict, diagnosis));
    for (const VolumeDiagnosis& volume : diagnosis.volumes) {
        EXPECT_EQ(volume.locked, LockedOnMachine(machine, volume.letter)) << volume.letter;
    }
    const auto unjudged = std::find_if(diagnosis.menu.begin(), diagnosis.menu.end(),
                                       [&](const MenuEntryDiagnosis& entry) {
                                           return entry.isDefault && CannotJudge(machine, entry);
                                       });
    const std::wstring firmware = diagnosis.firmware == FirmwareMode::Uefi ? L"uefi" : L"bios";
    // The second place: Windows PE started the other way than the disks start. The diagnosis
    // goes by the disks but cannot read how the firmware is set, so it never says "boots"; the
    // guess may be wrong (a firmware set to UEFI only), and then nothing more compares.
    const bool doubt = FirmwareInDoubt(diagnosis);
    if (doubt) {
        EXPECT_FALSE(diagnosis.boots);
        if (firmware != verdict.firmware) {
            return;
        }
        EXPECT_EQ(diagnosis.unseen, verdict.boots);
    } else if (unjudged != diagnosis.menu.end() && !diagnosis.boots) {
        EXPECT_TRUE(diagnosis.unseen);
    } else {
        EXPECT_EQ(diagnosis.boots, verdict.boots);
    }
    EXPECT_EQ(firmware, verdict.firmware);
    if (!verdict.menu.empty()) {
        EXPECT_TRUE(diagnosis.menuReached);
    }
    if (!diagnosis.menuReached) {
        EXPECT_TRUE(verdict.menu.empty());
        return;
    }
    EXPECT_EQ(diagnosis.timeout, verdict.timeout);
    std::set<Place> verdictReaches;
    std::optional<Place> verdictDefault;
    std::set<Place> unjudgedPlaces;
    for (const MenuEntryDiagnosis& entry : diagnosis.menu) {
        if (CannotJudge(machine, entry)) {
            unjudgedPlaces.insert(*PlaceOf(machine, entry.target));
        }
    }
    for (const MenuItem& item : verdict.menu) {
        if (item.product.empty() || unjudgedPlaces.count({*item.disk, *item.partition}) == 1) {
            continue;
        }
        verdictReaches.insert({*item.disk, *item.partition});
        if (item.isDefault) {
            verdictDefault = Place{*item.disk, *item.partition};
        }
    }
    std::set<Place> diagnosisReaches;
    std::optional<Place> diagnosisDefault;
    for (const MenuEntryDiagnosis& entry : diagnosis.menu) {
        if (!entry.reaches) {
            continue;
        }
        const auto place = PlaceOf(machine, entry.target);
        ASSERT_TRUE(place) << entry.target;
        diagnosisReaches.insert(*place);
        if (entry.isDefault) {
            diagnosisDefault = place;
        }
    }
    EXPECT_EQ(diagnosisReaches, verdictReaches);
    EXPECT_EQ(diagnosisDefault, verdictDefault);
    ASSERT_EQ(diagnosis.menu.size(), verdict.menu.size());
    for (std::size_t i = 0; i < verdict.menu.size(); ++i) {
        EXPECT_EQ(diagnosis.menu[i].description, verdict.menu[i].text);
        EXPECT_EQ(diagnosis.menu[i].isDefault, verdict.menu[i].isDefault);
        if (!CannotJudge(machine, diagnosis.menu[i])) {
            EXPECT_EQ(diagnosis.menu[i].reaches, !verdict.menu[i].product.empty());
        }
    }
    // Every installation the menu reaches is bootable, and only those.
    for (const InstallationDiagnosis& system : diagnosis.installations) {
        const auto place = PlaceOf(machine, system.letter);
        ASSERT_TRUE(place);
        EXPECT_EQ(system.bootable, !doubt && verdictReaches.count(*place) == 1) << system.letter;
    }
}

std::vector<std::string> ScenarioFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(QN_SOURCE_DIR "/sim/scenarios")) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(DiagnosisAgreesWithVerdict, EveryScenarioBeforeRepair) {
    for (const std::string& file : ScenarioFiles()) {
        SCOPED_TRACE(file);
        test::DiagnosisSession session(test::ScenarioFile(file));
        ExpectAgreement(session, session.Diagnose(true));
        // Without the installation scan (the start page): found by their files, same verdict.
        ExpectAgreement(session, session.Diagnose(false));
    }
}

TEST(DiagnosisAgreesWithVerdict, EveryScenarioAfterAutomaticRepair) {
    for (const std::string& file : ScenarioFiles()) {
        SCOPED_TRACE(file);
        test::DiagnosisSession session(test::ScenarioFile(file));
        session.Program().Run(session.Program().AutomaticRequest());
        ExpectAgreement(session, session.Diagnose(true));
        ExpectAgreement(session, session.Diagnose(false));
    }
}

// The run's last word is the machine's: "修复完成!" (and /auto's 0) exactly when the verdict after
// it starts a menu that reaches every system the run repaired.
TEST(DiagnosisAgreesWithVerdict, TheRunsOutcomeIsTheVerdictsAfterIt) {
    for (const std::string& file : ScenarioFiles()) {
        SCOPED_TRACE(file);
        test::DiagnosisSession session(test::ScenarioFile(file));
        const RepairRequest request = session.Program().AutomaticRequest();
        const RepairOutcome outcome = session.Program().Run(request);
        SimMachine& machine = session.Machine();
        const BootVerdict verdict = machine.Boot();
        std::set<Place> reached;
        for (const MenuItem& item : verdict.menu) {
            if (!item.product.empty()) {
                reached.insert({*item.disk, *item.partition});
            }
        }
        bool everyOne = verdict.boots;
        for (const auto& [letter, system] : request.installations) {
            const auto place = system.selected != 0 ? PlaceOf(machine, letter) : std::nullopt;
            everyOne = everyOne && (system.selected == 0 || (place && reached.count(*place) == 1));
        }
        EXPECT_EQ(outcome.completion == L"修复完成!", everyOne && outcome.failedSteps == 0)
            << Narrow(outcome.completion) << "\n"
            << VerdictJson(verdict);
        EXPECT_EQ(RunPassed(outcome), everyOne && outcome.failedSteps == 0);
    }
}

TEST(DiagnosisAgreesWithVerdict, TheDiagnosisNeverWrites) {
    for (const std::string& file : ScenarioFiles()) {
        SCOPED_TRACE(file);
        test::DiagnosisSession session(test::ScenarioFile(file));
        session.Tool(CarriedTool::Bcdedit);  // the program's work folder, made before
        SimMachine& machine = session.Machine();
        machine.Storage().ClearRecording();
        const auto journal = machine.Journal().size();
        const std::size_t fileChanges = machine.Files().Journal().size();
        session.Diagnose(false);
        for (const auto& open : machine.Storage().DeviceOpens()) {
            EXPECT_NE(open.access, DeviceAccess::ReadWrite) << Narrow(open.path);
        }
        EXPECT_TRUE(machine.Storage().UnclosedDevices().empty());
        EXPECT_FALSE(machine.Storage().SectorReads().empty());
        // Nothing made, changed or removed but bcdedit in the program's own work folder.
        const auto& changes = machine.Files().Journal();
        for (std::size_t i = fileChanges; i < changes.size(); ++i) {
            EXPECT_NE(changes[i].find(L"\\AppData\\Local\\Temp\\"), std::wstring::npos)
                << Narrow(changes[i]);
        }
        // Only the work folder's tool and bcdedit's enumerations: nothing on the machine's disks.
        const auto lines = machine.Journal();
        for (std::size_t i = journal; i < lines.size(); ++i) {
            const std::wstring& line = lines[i];
            const bool enumeration =
                line.rfind(L"capture ", 0) == 0 && line.find(L"/enum all /v") != std::wstring::npos;
            const bool workFolder = line.find(L"\\AppData\\Local\\Temp") != std::wstring::npos;
            const bool output = line.rfind(L"  > ", 0) == 0;
            EXPECT_TRUE(enumeration || workFolder || output) << Narrow(line);
        }
    }
}

}  // namespace
}  // namespace qn::sim
