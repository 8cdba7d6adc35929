#pragma once

#include <string>

#include "diagnosis/boot_diagnosis.h"

namespace qn {

// The start page's diagnosis line ("lbStDiag", under the summary, after the caption "引导诊断:").
inline constexpr wchar_t kStartDiagnosisLabel[] = L"lbStDiag";
// Shown while the diagnosis runs on its worker.
inline constexpr wchar_t kDiagnosingText[] = L"正在检查引导，请稍候...";
// Shown when no diagnosis could be made (its worker did not start).
inline constexpr wchar_t kNoDiagnosisText[] = L"无法检查引导";

// The line for a finished diagnosis: "引导正常", or the first problem.
inline std::wstring StartDiagnosisText(const BootDiagnosis& diagnosis) {
    return DiagnosisStatus(diagnosis);
}

}  // namespace qn
