// Scenario files are read by the demo program from a path a user names.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/scenario_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qn::sim::ReadScenario(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
