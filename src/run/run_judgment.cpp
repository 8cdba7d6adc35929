#include "run/run_judgment.h"

#include "boot/text_helpers.h"
#include "run/run_life_cycle.h"

namespace qn {

bool FirmwareStartsTarget(const BootDiagnosis& after, const BootTarget& target) {
    if (!target.partition.HasLetter()) {
        return true;
    }
    const VolumeDiagnosis* volume = FindVolume(after, target.partition.letter);
    if (volume == nullptr) {
        return true;  // nothing to compare with: judged as it is
    }
    if (after.firmware == FirmwareMode::Uefi) {
        return after.bootLetter == 0 || after.bootLetter == target.partition.letter;
    }
    const DiskDiagnosis* boot = BiosBootDisk(after);
    return boot == nullptr || static_cast<std::int32_t>(boot->number) == volume->disk;
}

RunJudgment JudgeRun(const BootDiagnosis& diagnosis, const InstallationTable& installations) {
    RunJudgment judgment;
    judgment.boots = true;
    for (const auto& [letter, system] : installations) {
        if (system.selected == 0) {
            continue;
        }
        const InstallationDiagnosis* judged = nullptr;
        for (const InstallationDiagnosis& candidate : diagnosis.installations) {
            if (candidate.letter == letter) {
                judged = &candidate;
            }
        }
        if (judged != nullptr && judged->bootable) {
            continue;
        }
        judgment.boots = false;
        if (judgment.problem.empty()) {
            judgment.problem = judged != nullptr && !judged->reason.empty()
                                   ? judged->reason
                                   : DiagnosisStatus(diagnosis);
            if (judged != nullptr && diagnosis.menuReached) {
                judgment.problem =
                    DriveText(letter) + L" " + system.displayName + L" " + judgment.problem;
            }
        }
    }
    return judgment;
}

RunJudgment JudgeStart(const BootDiagnosis& diagnosis) {
    RunJudgment judgment;
    judgment.boots = diagnosis.boots;
    if (!judgment.boots) {
        judgment.problem = DiagnosisStatus(diagnosis);
    }
    return judgment;
}

std::wstring JudgedCompletion(int failedSteps, const RunJudgment& judgment) {
    if (failedSteps > 0) {
        return CompletionText(failedSteps);
    }
    if (!judgment.boots) {
        return L"修复未完成：" + judgment.problem;
    }
    return judgment.elsewhere.empty() ? CompletionText(0) : judgment.elsewhere;
}

}  // namespace qn
