#pragma once

// The work the program does while a user waits on it, for comparing optimisation levels.
// opt_level_workloads.cpp is built twice: into qn_bench with the build's own flags (-O2), and
// with the product's code into a copy built with -Os whose symbols carry the suffix _Os
// (tests/bench/CMakeLists.txt). Each entry point below then exists once per level.
#include <benchmark/benchmark.h>

extern "C" {
// Parsing the skin's main window with its included pages and laying it out, as start-up does.
void qn_opt_markup_build(benchmark::State& state);
// Laying the built window out again at another size, as a resize or a DPI change does.
void qn_opt_layout(benchmark::State& state);
// The JSON report of the demo machine's automatic repair (/auto /json).
void qn_opt_report_json(benchmark::State& state);
// A Chinese bcdedit enumeration of a multi-boot store, in GBK.
void qn_opt_bcd_parse(benchmark::State& state);
// Start-up on the demo machine: mount pass, inventory, start summary, installation scan.
void qn_opt_start_up(benchmark::State& state);
// The automatic repair of the demo machine, its stand-in tools answering at once.
void qn_opt_repair(benchmark::State& state);

void qn_opt_markup_build_Os(benchmark::State& state);
void qn_opt_layout_Os(benchmark::State& state);
void qn_opt_report_json_Os(benchmark::State& state);
void qn_opt_bcd_parse_Os(benchmark::State& state);
void qn_opt_start_up_Os(benchmark::State& state);
void qn_opt_repair_Os(benchmark::State& state);
}
