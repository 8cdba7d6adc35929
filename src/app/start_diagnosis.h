#pragma once

#include <string>
#include <vector>

#include "app/boot_partition_choice.h"
#include "boot/text_helpers.h"
#include "diagnosis/boot_diagnosis.h"
#include "disk/locked_volumes.h"
#include "run/repair_request.h"

namespace qn {

// The start page's diagnosis line ("lbStDiag", under the summary, after the caption "引导诊断:").
inline constexpr wchar_t kStartDiagnosisLabel[] = L"lbStDiag";
// Shown while the diagnosis runs on its worker.
inline constexpr wchar_t kDiagnosingText[] = L"正在检查引导，请稍候...";
// Shown when no diagnosis could be made (its worker did not start).
inline constexpr wchar_t kNoDiagnosisText[] = L"无法检查引导";

// The line for a finished diagnosis: "引导正常", or the first problem. With locked BitLocker
// volumes and no system found, how to unlock them comes first: there may well be a Windows
// inside; with systems found, the locked ones are named as not checked.
inline std::wstring StartDiagnosisText(const BootDiagnosis& diagnosis) {
    const std::vector<char> locked = LockedVolumeLetters(diagnosis);
    if (locked.empty()) {
        return DiagnosisStatus(diagnosis);
    }
    if (diagnosis.installations.empty()) {
        return BitLockerUnlockAdvice(locked);
    }
    return DiagnosisStatus(diagnosis) + L"；" + LockedNotCheckedText(locked);
}

// "lbStActPt" once the diagnosis is there: the disks' boot partitions, then, short enough for
// the line, where the automatic repair will put the boot files and why.
inline std::wstring StartBootLine(const std::wstring& activeText,
                                  const BootPartitionChoice& choice) {
    const BootPartition& boot = choice.partition;
    if (!boot.Chosen()) {
        return activeText;
    }
    const std::wstring where =
        boot.IsUnletteredEsp() ? std::wstring(L"ESP") : DriveText(boot.letter);
    return activeText + L"→ 引导写入 磁盘" + std::to_wstring(boot.disk) + L" " + where + L" (" +
           choice.why + L")";
}

}  // namespace qn
