#pragma once

#include <string>

#include "diagnosis/boot_diagnosis.h"
#include "disk/windows_install.h"
#include "run/boot_target.h"

namespace qn {

// What the diagnosis after a run says of it: whether the firmware reaches a menu that starts
// every repaired system. The run's last row and exit code follow this, never the tools' word
// alone.
struct RunJudgment {
    bool boots = false;    // every selected system is reached
    std::wstring problem;  // the first reason it is not, in the diagnosis's words
    // The boot files went to a partition this machine's firmware does not start (chosen on
    // purpose): the judgment is of what that disk would start; the last row says so.
    std::wstring elsewhere;  // "引导文件已写入磁盘1；本机固件不从该磁盘启动"
};

// Whether the firmware, as after reads it, starts the target partition: on BIOS the disk it
// starts holds it; on UEFI no other boot manager is started first. True when it cannot tell (an
// EFI system partition without a letter).
bool FirmwareStartsTarget(const BootDiagnosis& after, const BootTarget& target);

// Judges the selected installations by a diagnosis (the real one, or the one made as if the
// firmware started the target when it does not).
RunJudgment JudgeRun(const BootDiagnosis& diagnosis, const InstallationTable& installations);

// Judges a run that repaired boot code, not particular systems: the firmware's road must reach a
// menu whose default entry starts a Windows.
RunJudgment JudgeStart(const BootDiagnosis& diagnosis);

// The last row of a run that nothing stopped: "修复完成!", the note that the files went
// elsewhere, or "修复未完成：" and why (steps that failed count first).
std::wstring JudgedCompletion(int failedSteps, const RunJudgment& judgment);

}  // namespace qn
