#include "report/repair_report.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "boot/utf8_text.h"
#include "diagnosis/boot_code_classifier.h"
#include "run/machine_description.h"

namespace qn {
namespace {

using json = nlohmann::ordered_json;

std::string U(const std::wstring& text) {
    return WideToUtf8(text);
}

std::string LetterText(char letter) {
    return std::string(1, letter) + ":";
}

json Machine(const MachineFacts& facts) {
    json disks = json::array();
    for (const MachineFacts::Disk& disk : facts.disks) {
        json partitions = json::array();
        for (const MachineFacts::Partition& p : disk.partitions) {
            partitions.push_back({{"letter", LetterText(p.letter)},
                                  {"label", U(p.label)},
                                  {"fileSystem", U(p.fileSystem)},
                                  {"size", p.size},
                                  {"number", p.number},
                                  {"active", p.active},
                                  {"esp", p.esp}});
        }
        disks.push_back({{"number", disk.number},
                         {"style", U(PartitionStyleName(disk.style))},
                         {"size", disk.size},
                         {"model", U(disk.model)},
                         {"partitions", partitions}});
    }
    json installations = json::array();
    for (const auto& [letter, system] : facts.installations) {
        char version[16] = {};
        std::snprintf(version, sizeof version, "%.1f", static_cast<double>(system.version));
        installations.push_back({{"letter", LetterText(letter)},
                                 {"name", U(system.displayName)},
                                 {"version", version},
                                 {"bits", system.archBits},
                                 {"selected", system.selected != 0}});
    }
    return {{"disks", disks}, {"installations", installations}};
}

json Steps(const std::vector<RunRecordEntry>& record) {
    json steps = json::array();
    for (const RunRecordEntry& entry : record) {
        if (!entry.run) {
            steps.push_back({{"note", U(entry.note)}});
            continue;
        }
        const ToolRun& run = *entry.run;
        json step = {{"commandLine", U(run.commandLine)},
                     {"started", run.result.started},
                     {"output", U(run.decodedOutput)}};
        step["exitCode"] = run.result.exitCodeKnown ? json(run.result.exitCode) : json(nullptr);
        steps.push_back(step);
    }
    return steps;
}

json Verification(const std::vector<SystemCheck>& checks) {
    json out = json::array();
    for (const SystemCheck& check : checks) {
        out.push_back({{"letter", LetterText(check.letter)},
                       {"name", U(check.name)},
                       {"bootable", check.bootable},
                       {"certain", check.certain},
                       {"reason", U(check.reason)},
                       {"default", check.isDefault}});
    }
    return out;
}

json Diagnosis(const BootDiagnosis& diagnosis) {
    json disks = json::array();
    for (const DiskDiagnosis& disk : diagnosis.disks) {
        disks.push_back(
            {{"number", disk.number},
             {"style", U(PartitionStyleName(disk.style))},
             {"mbrCode", disk.sectorRead ? json(U(MbrCodeText(disk.mbrCode))) : json(nullptr)},
             {"active",
              disk.activeLetter != 0 ? json(LetterText(disk.activeLetter)) : json(nullptr)},
             {"esp", disk.espLetter != 0 ? json(LetterText(disk.espLetter)) : json(nullptr)}});
    }
    json menu = json::array();
    for (const MenuEntryDiagnosis& entry : diagnosis.menu) {
        menu.push_back(
            {{"description", U(entry.description)},
             {"target", entry.target != 0 ? json(LetterText(entry.target)) : json(nullptr)},
             {"reaches", entry.reaches},
             {"default", entry.isDefault},
             {"problem", U(entry.problem)}});
    }
    json installations = json::array();
    for (const InstallationDiagnosis& system : diagnosis.installations) {
        installations.push_back({{"letter", LetterText(system.letter)},
                                 {"name", U(system.name)},
                                 {"bootable", system.bootable},
                                 {"default", system.isDefault},
                                 {"reason", U(system.reason)}});
    }
    json chain = json::array();
    for (const std::wstring& link : diagnosis.chain) {
        chain.push_back(U(link));
    }
    return {{"status", U(DiagnosisStatus(diagnosis))},
            {"boots", diagnosis.boots},
            {"problem", U(diagnosis.problem)},
            {"firmware", U(FirmwareModeText(diagnosis.firmware))},
            {"runningFirmware", U(FirmwareModeText(diagnosis.runningFirmware))},
            {"timeout", diagnosis.timeout ? json(*diagnosis.timeout) : json(nullptr)},
            {"menuFile", U(diagnosis.menuFile)},
            {"chain", chain},
            {"disks", disks},
            {"menu", menu},
            {"installations", installations}};
}

json Strings(const std::vector<std::wstring>& texts) {
    json out = json::array();
    for (const std::wstring& text : texts) {
        out.push_back(U(text));
    }
    return out;
}

}  // namespace

std::string RepairReportJson(const RepairReportInput& input) {
    const std::string time = U(FormatLogTime(input.time));
    const RepairRequest& request = input.request;
    json report = {
        {"program", {{"name", "QNBootRepair"}, {"version", U(input.version)}}},
        {"time", time},
        {"operation", U(input.operation)},
        {"inputs",
         {{"boot",
           request.boot.IsUnletteredEsp() ? std::string("ESP") : LetterText(request.boot.letter)},
          {"timeout", U(request.timeoutText)},
          {"clear", request.clearExisting},
          {"winpe", request.isWinPE}}},
        {"diagnosisBefore", nullptr},
        {"diagnosisAfter", nullptr},
        {"exitCode", input.exitCode},
    };
    if (const RepairOutcome* outcome = input.outcome) {
        report["diagnosisBefore"] = Diagnosis(outcome->before);
        if (outcome->engineRan) {
            report["diagnosisAfter"] = Diagnosis(outcome->after);
        }
        report["guards"] = Strings(outcome->guardLines);
        report["stoppedByGuard"] = outcome->stoppedByGuard;
        report["machine"] = Machine(outcome->machine);
        report["steps"] = Steps(outcome->record);
        report["rows"] = Strings(outcome->rows);
        report["verification"] = Verification(outcome->checks);
        report["backups"] = Strings(outcome->backups);
        report["failedSteps"] = outcome->failedSteps;
        report["log"] = outcome->logPath.empty() ? json(nullptr) : json(U(outcome->logPath));
        report["undoRecord"] =
            outcome->undoRecord.empty() ? json(nullptr) : json(U(outcome->undoRecord));
    }
    // Invalid text never stops the report: it is replaced, as everywhere in the program.
    return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string DiagnosisReportJson(const std::wstring& version, const SystemTime& time,
                                const MachineFacts& machine, const BootDiagnosis& diagnosis) {
    const json report = {
        {"program", {{"name", "QNBootRepair"}, {"version", U(version)}}},
        {"time", U(FormatLogTime(time))},
        {"operation", "diagnose"},
        {"machine", Machine(machine)},
        {"diagnosis", Diagnosis(diagnosis)},
    };
    return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace qn
