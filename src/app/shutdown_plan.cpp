#include "app/shutdown_plan.h"

namespace qn {

ShutdownPlan PlanShutdown(int stillRunning, const WorkerFootprint& inUse,
                          const std::set<char>& temporaryLetters,
                          const std::wstring& workDirectory) {
    ShutdownPlan plan;
    if (stillRunning <= 0) {
        plan.removeLetters = temporaryLetters;
        return plan;
    }
    for (const char letter : temporaryLetters) {
        (inUse.UsesLetter(letter) ? plan.keepLetters : plan.removeLetters).insert(letter);
    }
    plan.deleteWorkDirectory = !inUse.workDirectory;

    std::wstring left;
    for (const char letter : plan.keepLetters) {
        left += std::wstring(left.empty() ? L"" : L", ") + L"drive letter " +
                static_cast<wchar_t>(letter) + L":";
    }
    if (!plan.deleteWorkDirectory && !workDirectory.empty()) {
        left += std::wstring(left.empty() ? L"" : L", ") + L"work folder " + workDirectory;
    }
    if (inUse.registryHive) {
        left += std::wstring(left.empty() ? L"" : L", ") + L"the hive at HKU\\Software";
    }
    plan.diagnostic =
        std::to_wstring(stillRunning) + (stillRunning == 1 ? L" worker was" : L" workers were") +
        L" still running at exit; left in place for " + (stillRunning == 1 ? L"it: " : L"them: ") +
        (left.empty() ? std::wstring(L"nothing") : left) + L"\n";
    return plan;
}

}  // namespace qn
