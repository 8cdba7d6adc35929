// Run reports reach qnboot-inspect from files users hand over: anything may be in them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report/repair_report_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text =
        qn::RepairReportText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (text && text->empty()) {
        __builtin_trap();  // a report always says something
    }
    return 0;
}
