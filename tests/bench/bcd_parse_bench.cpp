// ParseBcdEnum over a large enumeration next to a plain line split of the same text, so the cost
// of the parse over merely cutting the lines shows as a ratio.
#include <benchmark/benchmark.h>

#include "../fixtures/bcd/bcd_samples.h"
#include "boot/bcd_enum_parser.h"
#include "boot/text_helpers.h"
#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

// A store of `count` loader sections (and a boot manager listing them all), as Chinese bcdedit
// writes it in GBK.
std::string LargeEnumeration(int count) {
    std::vector<test::BcdSection> sections;
    test::BcdSection manager{L"Windows \u542f\u52a8\u7ba1\u7406\u5668",
                             {{L"\u6807\u8bc6\u7b26", {test::kBootmgrGuid}},
                              {L"default", {L"{00000000-0000-0000-0000-000000000000}"}},
                              {L"displayorder", {}},
                              {L"timeout", {L"30"}}}};
    for (int i = 0; i < count; ++i) {
        wchar_t id[64];
        swprintf(id, 64, L"{%08x-0000-4000-8000-000000000000}", i);
        manager.elements[2].second.push_back(id);
        sections.push_back(
            {L"Windows \u542f\u52a8\u52a0\u8f7d\u5668",
             {{L"\u6807\u8bc6\u7b26", {id}},
              {L"device", {L"partition=C:"}},
              {L"path", {L"\\Windows\\system32\\winload.exe"}},
              {L"description", {L"Windows 7 \u65d7\u8230\u7248 " + std::to_wstring(i)}},
              {L"locale", {L"zh-CN"}},
              {L"inherit", {L"{6efb52bf-1766-41db-a6b3-0ee5eff72bd7}"}},
              {L"osdevice", {L"partition=C:"}},
              {L"systemroot", {L"\\Windows"}},
              {L"nx", {L"OptIn"}}}});
    }
    sections.insert(sections.begin(), manager);
    return test::Encode(test::RenderBcdOutput(sections), 936);
}

void BM_ParseBcdEnum(benchmark::State& state) {
    const std::string text = LargeEnumeration(static_cast<int>(state.range(0)));
    fake::FakeCodePage codePage(936, 936);
    for (auto _ : state) {
        BcdListing listing;
        ParseBcdEnum(listing, text, codePage, CodePageKind::Oem);
        benchmark::DoNotOptimize(listing.entries.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_SplitLines(benchmark::State& state) {
    const std::string text = LargeEnumeration(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto lines = SplitText(text, "\r\n", true);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_ParseBcdEnum)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLines)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qn
