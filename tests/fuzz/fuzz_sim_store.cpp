// Store files are read from whatever a simulated machine's files hold: copies, exports and
// backups the program made, or bytes a scenario or test put there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sim/bcd_store_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto store = qn::sim::DeserializeStore(bytes);
    if (store) {
        // What reads back is exactly what was written: a store never changes by a copy.
        const auto again = qn::sim::SerializeStore(*store);
        if (again.size() != size || !std::equal(again.begin(), again.end(), bytes.begin())) {
            std::abort();
        }
    }
    return 0;
}
