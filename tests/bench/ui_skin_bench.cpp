// Building the main window from the packed skin, as start-up does: open the zip, parse the
// markup with its six included pages, lay it out; and the first paint (images decoded then).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "ui/control_manager.h"
#include "ui/fake/recording_canvas.h"
#include "ui/markup_builder.h"
#include "ui/zip_archive.h"

namespace qn {
namespace {

std::vector<std::uint8_t> SkinBytes() {
    std::ifstream file(QN_TEST_SKIN_ZIP, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void BM_BuildMainWindow(benchmark::State& state) {
    const auto bytes = SkinBytes();
    for (auto _ : state) {
        ZipArchive archive;
        std::wstring error;
        if (!archive.Open(bytes, error)) {
            state.SkipWithError("skin zip unreadable");
            return;
        }
        auto skin = std::make_shared<ZipSkinSource>(std::move(archive));
        ControlManager manager;
        manager.SetSkin(skin);
        auto root = MarkupBuilder(*skin, manager).Build(L"MainFrame.xml", error);
        if (!root) {
            state.SkipWithError("MainFrame.xml did not build");
            return;
        }
        manager.AttachRoot(std::move(root));
        manager.SetClientSize({600, 398});
        manager.LayoutIfNeeded();
        benchmark::DoNotOptimize(manager.FindControl(L"mainframe_tab"));
    }
}
BENCHMARK(BM_BuildMainWindow)->Unit(benchmark::kMicrosecond);

void BM_FirstPaint(benchmark::State& state) {
    const auto bytes = SkinBytes();
    ZipArchive archive;
    std::wstring error;
    archive.Open(bytes, error);
    auto skin = std::make_shared<ZipSkinSource>(std::move(archive));
    for (auto _ : state) {
        state.PauseTiming();
        ControlManager manager;
        manager.SetSkin(skin);
        manager.AttachRoot(MarkupBuilder(*skin, manager).Build(L"MainFrame.xml", error));
        manager.SetClientSize({600, 398});
        fake::RecordingCanvas canvas;
        state.ResumeTiming();
        // Layout is done and the start page's images are decoded on the first paint.
        manager.Paint(canvas, {0, 0, 600, 398});
        benchmark::DoNotOptimize(canvas.texts.size());
    }
}
BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qn
