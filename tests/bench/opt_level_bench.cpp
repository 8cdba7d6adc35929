// -O2 against -Os on the program's own code, each workload twice in a row in one run, so the two
// rows share the machine's state. What is chosen from it: cmake/release_flags.cmake.
//
//   build/linux/tests/qn_bench --benchmark_filter=OptLevel --benchmark_repetitions=9
//       --benchmark_report_aggregates_only=true
#include <string>

#include "opt_level_workloads.h"

namespace {

struct Workload {
    const char* name;
    void (*o2)(benchmark::State&);
    void (*os)(benchmark::State&);
};

// Builds without the -Os copy (the sanitizer build) still run the rows of their own level.
#ifdef QN_BENCH_OS_COPY
#define QN_OS(function) function##_Os
#else
#define QN_OS(function) nullptr
#define QN_BENCH_LEVEL "build"
#endif

const Workload kWorkloads[] = {
    {"MarkupBuild", qn_opt_markup_build, QN_OS(qn_opt_markup_build)},
    {"Layout", qn_opt_layout, QN_OS(qn_opt_layout)},
    {"ReportJson", qn_opt_report_json, QN_OS(qn_opt_report_json)},
    {"BcdParse", qn_opt_bcd_parse, QN_OS(qn_opt_bcd_parse)},
    {"StartUp", qn_opt_start_up, QN_OS(qn_opt_start_up)},
    {"Repair", qn_opt_repair, QN_OS(qn_opt_repair)},
};

[[maybe_unused]] const bool kRegistered = [] {
    for (const Workload& workload : kWorkloads) {
        const std::string name = std::string("OptLevel/") + workload.name;
        benchmark::RegisterBenchmark((name + "/" QN_BENCH_LEVEL).c_str(), workload.o2)
            ->Unit(benchmark::kMicrosecond);
        if (workload.os != nullptr) {
            benchmark::RegisterBenchmark((name + "/-Os").c_str(), workload.os)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    return true;
}();

}  // namespace
