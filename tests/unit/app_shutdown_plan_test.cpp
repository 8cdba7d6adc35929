#include "app/shutdown_plan.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

const std::wstring kWork = L"C:\\Users\\a\\AppData\\Local\\Temp\\k3j9x0q2b";

TEST(ShutdownPlan, AfterAllWorkersEndedEverythingGoesSilently) {
    WorkerFootprint scanWasHere;
    scanWasHere.allLetters = true;  // stale: nothing runs any more
    const ShutdownPlan plan = PlanShutdown(0, scanWasHere, {'S', 'T'}, kWork);
    EXPECT_EQ(plan.removeLetters, (std::set<char>{'S', 'T'}));
    EXPECT_TRUE(plan.keepLetters.empty());
    EXPECT_TRUE(plan.deleteWorkDirectory);
    EXPECT_EQ(plan.diagnostic, L"");
}

TEST(ShutdownPlan, KeepsOnlyWhatARunningWorkerUsesAndSaysSo) {
    struct Case {
        const char* what;
        WorkerFootprint inUse;
        std::set<char> keep;
        bool deleteWork;
        std::wstring diagnostic;
    };
    WorkerFootprint repair;
    repair.letters = {'S', 'C'};
    WorkerFootprint scan;
    scan.allLetters = true;
    scan.registryHive = true;
    WorkerFootprint editorLoad;
    editorLoad.letters = {'T'};
    editorLoad.workDirectory = true;
    const Case cases[] = {
        {"repair on the temporary boot letter S",
         repair,
         {'S'},
         true,
         L"1 worker was still running at exit; left in place for it: drive letter S:\n"},
        {"scan stuck in a hive load",
         scan,
         {'S', 'T'},
         true,
         L"1 worker was still running at exit; left in place for it: drive letter S:, drive "
         L"letter T:, the hive at HKU\\Software\n"},
        {"store load running bcdedit from the work folder",
         editorLoad,
         {'T'},
         false,
         L"1 worker was still running at exit; left in place for it: drive letter T:, work "
         L"folder " +
             kWork + L"\n"},
        {"a worker that uses none of it",
         WorkerFootprint{},
         {},
         true,
         L"1 worker was still running at exit; left in place for it: nothing\n"},
    };
    for (const Case& c : cases) {
        const ShutdownPlan plan = PlanShutdown(1, c.inUse, {'S', 'T'}, kWork);
        EXPECT_EQ(plan.keepLetters, c.keep) << c.what;
        std::set<char> removed;
        for (char letter : {'S', 'T'}) {
            if (c.keep.count(letter) == 0) {
                removed.insert(letter);
            }
        }
        EXPECT_EQ(plan.removeLetters, removed) << c.what;
        EXPECT_EQ(plan.deleteWorkDirectory, c.deleteWork) << c.what;
        EXPECT_EQ(plan.diagnostic, c.diagnostic) << c.what;
    }
}

TEST(ShutdownPlan, CountsTheWorkersLeft) {
    EXPECT_EQ(PlanShutdown(2, {}, {}, kWork).diagnostic,
              L"2 workers were still running at exit; left in place for them: nothing\n");
}

}  // namespace
}  // namespace qn
