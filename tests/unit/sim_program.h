#pragma once

// The program on a simulated machine, as its window runs it but without one: the start-up mount
// pass and start summary, the installation scan, then repair runs with the machine's ports.

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/boot_partition_choice.h"
#include "app/start_summary.h"
#include "boot/fake/fake_profile_file.h"
#include "boot/resource_ids.h"
#include "disk/detect_status.h"
#include "disk/disk_info.h"
#include "disk/installation_scan.h"
#include "disk/mount_pass.h"
#include "disk/storage_queries.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"
#include "repair/mbr_repair_run.h"
#include "repair/repair_engine.h"
#include "repair/repair_start.h"
#include "sim_test_support.h"
#include "undo/undo_run.h"

namespace qn::sim::test {

// The user at the confirmation dialog: answers in order (then 确定 to every further question),
// and keeps what was asked. The technician knows how the firmware is set: asked which way the
// machine starts, they answer by the machine's firmware unless a script says otherwise.
class ScriptedAsker : public GuardAsker {
public:
    GuardAnswer Ask(const RepairGuard& guard) override {
        asked.push_back(guard.kind);
        if (answers.empty() && guard.kind == GuardKind::FirmwareDoubt) {
            const FirmwareMode real =
                machineStarts == Firmware::Uefi ? FirmwareMode::Uefi : FirmwareMode::Bios;
            return guard.firmware == real ? GuardAnswer::Yes : GuardAnswer::No;
        }
        if (answers.empty()) {
            return GuardAnswer::Yes;
        }
        const GuardAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<GuardAnswer> answers;
    std::vector<GuardKind> asked;
    Firmware machineStarts = Firmware::Bios;
};

// Rows as the result list would show them.
class RowList : public RepairSink {
public:
    void Append(const std::wstring& text) override { rows.push_back(text); }
    void ReplaceLast(const std::wstring& text) override {
        if (!rows.empty()) {
            rows.back() = text;
        }
    }
    std::vector<std::wstring> rows;
};

inline std::vector<std::uint8_t> MarkerBytes(const char* text) {
    return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

class SimProgram {
public:
    explicit SimProgram(const Scenario& scenario)
        : machine_(scenario),
          clock_({2026, 12, 8, 10, 30, 0, 0}),
          profile_(machine_->Files(), machine_.CodePage()) {
        asker.machineStarts = scenario.firmware;
        resources_.Add(kResBcdboot, kBinResourceType, MarkerBytes("stand-in bcdboot.exe"));
        resources_.Add(kResBcdedit, kBinResourceType, MarkerBytes("stand-in bcdedit.exe"));
        resources_.Add(kResBootsect, kBinResourceType, MarkerBytes("stand-in bootsect.exe"));
        resources_.Add(kResNtldr, kBinResourceType, MarkerBytes("stand-in ntldr"));
        resources_.Add(kResNtdetect, kBinResourceType, MarkerBytes("stand-in NTDETECT.COM"));
        resources_.Add(kResMessageModule, kBinResourceType, MarkerBytes("MZ message table"));
        resources_.Add(kResBootIniTemplate, kBinResourceType,
                       MarkerBytes("[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)"
                                   "rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n"));
        MountLetterlessVolumes(mounts_, MountPortsOf());
        const StartSummary summary =
            BuildStartSummary(SummaryInputFrom(Inventory(false), machine_->Storage()),
                              mounts_.espLetters, machine_->WinPE());
        bootPartitions = summary.bootPartitions;
        DetectStatus status;
        auto claim = DetectionClaim::TryTake(status);
        installations = ScanInstallations(
            *claim, InstallationScanPorts{machine_->FilesForProgram(), machine_->Registry(),
                                          machine_->Redirection(), machine_->Processes()});
    }
    ~SimProgram() { RemoveEspMountPoints(mounts_, machine_->VolumePortForProgram(), diagnostics_); }

    SimMachine& Machine() { return *machine_; }
    fake::FakeModuleResources& Resources() { return resources_; }
    fake::FakeClock& Clock() { return clock_; }

    RepairPorts Ports() {
        return RepairPorts{machine_->FilesForProgram(),
                           machine_->Processes(),
                           profile_,
                           resources_,
                           clock_,
                           random_,
                           machine_.CodePage(),
                           machine_->Storage(),
                           machine_->Redirection(),
                           Inventory(false),
                           machine_->FirmwareForProgram()};
    }

    // The automatic start: the boot partition the firmware starts as the diagnosis reads it,
    // every system (not 32-bit ones on GPT).
    RepairRequest AutomaticRequest() {
        RepairRequest request;
        RepairPorts ports = Ports();
        const BootDiagnosis diagnosis = DiagnoseMachine(ports, &installations);
        const BootPartitionChoice choice =
            ChooseBootPartition(bootPartitions, &diagnosis, installations);
        request.boot = choice.partition;
        request.bootReason = choice.text;
        request.isWinPE = machine_->WinPE();
        request.installations = installations;
        SelectForAutomaticRepair(request.installations, request.boot.style);
        return request;
    }

    // The start's boot partition with that letter; one the start does not offer (a test that
    // picks another partition on purpose) as the disks describe it now.
    BootPartition BootPartitionOf(char letter) {
        const BootPartition found = FindBootPartition(bootPartitions, letter);
        if (found.Chosen()) {
            return found;
        }
        StoragePort& storage = machine_->Storage();
        return {GetDiskNumberOfLetter(storage, letter), GetPartitionStyleOfLetter(storage, letter),
                letter};
    }

    RepairOutcome Run(const RepairRequest& request) {
        rowList = {};
        RepairPorts ports = Ports();
        last_ = RunRepair(request, ports, rowList, RunLabel{L"自动修复", L"test"}, asker);
        return last_;
    }

    RepairOutcome RunMbr(const MbrRepairRequest& request) {
        rowList = {};
        RepairPorts ports = Ports();
        last_ = RunMbrRepair(request, ports, rowList, RunLabel{L"修复主引导记录", L"test"}, asker);
        return last_;
    }

    // Undoes a run from the record it left; an empty outcome's rows hold the load error.
    RepairOutcome Undo(const std::wstring& recordPath) {
        rowList = {};
        RepairPorts ports = Ports();
        const LoadedUndoRecord loaded = LoadUndoRecord(ports.files, recordPath);
        if (!loaded.record) {
            last_ = {};
            last_.rows = {loaded.error};
            return last_;
        }
        last_ = RunUndo(*loaded.record, ports, rowList, RunLabel{L"撤销修复", L"test"},
                        machine_->WinPE(), asker);
        return last_;
    }

    // The last run's tool command lines with their exit codes (the diagnoses' enumerations
    // before and after are not the run's steps), the work folder's path cut to "W".
    std::vector<std::wstring> ToolCommands() {
        std::vector<std::wstring> lines;
        for (const RunRecordEntry& entry : last_.record) {
            if (!entry.run) {
                continue;
            }
            std::wstring text = entry.run->commandLine;
            const std::size_t temp = text.find(L"\\Temp\\");
            if (temp != std::wstring::npos) {
                const std::size_t start = text.rfind(L'"', temp);
                const std::size_t tool = text.find(L'\\', temp + 6);
                if (start != std::wstring::npos && tool != std::wstring::npos) {
                    text = text.substr(0, start + 1) + L"W" + text.substr(tool);
                } else if (tool != std::wstring::npos && text.find(L' ') > tool) {
                    text = L"W" + text.substr(tool);  // the read-back's own, unquoted
                }
            }
            const ProcessResult& result = entry.run->result;
            text += result.started ? L" -> " + std::to_wstring(result.exitCode)
                                   : std::wstring(L" -> not started");
            lines.push_back(text);
        }
        return lines;
    }

    InstallationTable installations;
    BootPartitionMap bootPartitions;
    RowList rowList;
    ScriptedAsker asker;

private:
    DiskInfo& Inventory(bool refresh) {
        if (!inventory_) {
            inventory_ = std::make_unique<DiskInfo>(machine_->Storage(), machine_.CodePage());
        } else if (refresh) {
            inventory_->Refresh();
        }
        return *inventory_;
    }
    MountPorts MountPortsOf() {
        return MountPorts{machine_->VolumePortForProgram(),
                          machine_->Storage(),
                          machine_->Processes(),
                          diagnostics_,
                          [this](bool refresh) -> DiskInfo& { return Inventory(refresh); },
                          [](std::chrono::milliseconds) {}};
    }

    test::Machine machine_;
    fake::FakeClock clock_;
    fake::FakeProfileFile profile_;
    fake::FakeModuleResources resources_;
    fake::FakeRandomSource random_;
    fake::FakeDiagnostics diagnostics_;
    std::unique_ptr<DiskInfo> inventory_;
    EspMountTable mounts_;
    RepairOutcome last_;
};

}  // namespace qn::sim::test
