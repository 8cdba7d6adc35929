// The workloads of opt_level_workloads.h. Set-up (the skin's bytes, the simulated machine, a
// finished repair) is not timed; what is timed runs the product's code, which in the -Os copy is
// the -Os code, while the harness (fakes, the simulated machine) is the same -O2 code for both.
#include "opt_level_workloads.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "boot/bcd_enum_parser.h"
#include "platform/fake/fake_code_page.h"
#include "report/repair_report.h"
#include "ui/control_manager.h"
#include "ui/markup_builder.h"
#include "ui/zip_archive.h"
#include "unit/sim_program.h"

namespace qn {
namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::shared_ptr<ZipSkinSource> OpenSkin(benchmark::State& state) {
    // The archive reads from these bytes as long as it lives, as from the program's resource.
    static const std::string bytes = FileBytes(QN_TEST_SKIN_ZIP);
    ZipArchive archive;
    std::wstring error;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!archive.Open({data, bytes.size()}, error)) {
        state.SkipWithError("skin zip unreadable");
        return nullptr;
    }
    return std::make_shared<ZipSkinSource>(std::move(archive));
}

// The main window built from the skin and laid out at the program's size; false when it failed.
bool BuildMainWindow(ControlManager& manager, const std::shared_ptr<ZipSkinSource>& skin) {
    std::wstring error;
    manager.SetSkin(skin);
    auto root = MarkupBuilder(*skin, manager).Build(L"MainFrame.xml", error);
    if (!root) {
        return false;
    }
    manager.AttachRoot(std::move(root));
    manager.SetClientSize({600, 398});
    manager.LayoutIfNeeded();
    return true;
}

}  // namespace

// C names, declared in the header: the same entry points of both copies (qn_opt_..._Os).
extern "C" void qn_opt_markup_build(benchmark::State& state) {
    const auto skin = OpenSkin(state);
    if (!skin) {
        return;
    }
    for (auto _ : state) {
        ControlManager manager;
        if (!BuildMainWindow(manager, skin)) {
            state.SkipWithError("MainFrame.xml did not build");
            return;
        }
        benchmark::DoNotOptimize(manager.FindControl(L"mainframe_tab"));
    }
}

extern "C" void qn_opt_layout(benchmark::State& state) {
    const auto skin = OpenSkin(state);
    ControlManager manager;
    if (!skin || !BuildMainWindow(manager, skin)) {
        state.SkipWithError("MainFrame.xml did not build");
        return;
    }
    bool large = false;
    for (auto _ : state) {
        large = !large;
        manager.SetClientSize(large ? UiSize{900, 597} : UiSize{600, 398});
        manager.LayoutIfNeeded();
        benchmark::DoNotOptimize(manager.FindControl(L"mainframe_tab"));
    }
}

extern "C" void qn_opt_report_json(benchmark::State& state) {
    sim::test::SimProgram program(sim::test::ScenarioFile("demo.xml"));
    const RepairRequest request = program.AutomaticRequest();
    const RepairOutcome outcome = program.Run(request);
    RepairReportInput input{L"auto", L"0.1.0", program.Clock().LocalTime(), request, &outcome, 0};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string json = RepairReportJson(input);
        bytes = json.size();
        benchmark::DoNotOptimize(json.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

extern "C" void qn_opt_bcd_parse(benchmark::State& state) {
    const std::string text = FileBytes(QN_SOURCE_DIR "/tests/fixtures/bcd/uefi_all_zh_cp936.txt");
    fake::FakeCodePage codePage(936, 936);
    for (auto _ : state) {
        BcdListing listing;
        ParseBcdEnum(listing, text, codePage, CodePageKind::Oem);
        benchmark::DoNotOptimize(listing.entries.data());
    }
}

extern "C" void qn_opt_start_up(benchmark::State& state) {
    const sim::Scenario scenario = sim::test::ScenarioFile("demo.xml");
    for (auto _ : state) {
        sim::test::SimProgram program(scenario);
        benchmark::DoNotOptimize(program.installations.size());
    }
}

extern "C" void qn_opt_repair(benchmark::State& state) {
    const sim::Scenario scenario = sim::test::ScenarioFile("demo.xml");
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<sim::test::SimProgram>(scenario);
        const RepairRequest request = program->AutomaticRequest();
        state.ResumeTiming();
        const RepairOutcome outcome = program->Run(request);
        benchmark::DoNotOptimize(outcome.failedSteps);
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

}  // namespace qn
