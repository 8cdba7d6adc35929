#pragma once

#include <string>
#include <vector>

#include "repair/repair_engine.h"
#include "run/repair_request.h"

namespace qn {

// What an unattended run reports, as one JSON document (UTF-8). The schema:
//   {"program": {"name", "version"}, "time": "YYYY-MM-DD hh:mm:ss", "operation": "auto"|"plan",
//    "inputs": {"boot": "C:"|"ESP", "timeout", "clear", "winpe"},
//    "machine": {"disks": [{"number", "style", "size", "model",
//                           "partitions": [{"letter", "label", "fileSystem", "size", "number",
//                                           "active", "esp"}]}],
//                "installations": [{"letter", "name", "version", "bits", "selected"}]},
//    "diagnosisBefore", "diagnosisAfter": {"status", "boots", "problem", "firmware", "timeout",
//        "menuFile", "chain": [...], "disks": [{"number", "style", "mbrCode", "active", "esp"}],
//        "menu": [{"description", "target", "reaches", "default", "problem"}],
//        "installations": [{"letter", "name", "bootable", "default", "reason"}]}
//        (null when there is none: nothing ran, or no run at all),
//    "guards": [...], "stoppedByGuard": bool,
//    "steps": [{"commandLine", "started", "exitCode" (null when unknown), "output"} |
//              {"note"}],
//    "rows": [...], "verification": [{"letter", "name", "bootable", "certain", "reason",
//                                      "default"}],
//    "backups": [...], "failedSteps": N, "log": "path" | null,
//    "undoRecord": "path" | null (what /undo takes), "exitCode": N}
struct RepairReportInput {
    std::wstring operation;
    std::wstring version;
    SystemTime time;
    RepairRequest request;
    const RepairOutcome* outcome = nullptr;
    int exitCode = 0;
};

std::string RepairReportJson(const RepairReportInput& input);

// The report of /diagnose: {"program", "time", "operation": "diagnose", "machine",
// "diagnosis"}, the last two as above.
std::string DiagnosisReportJson(const std::wstring& version, const SystemTime& time,
                                const MachineFacts& machine, const BootDiagnosis& diagnosis);

}  // namespace qn
