#include "boot/guid_text.h"

#include <cstdio>

namespace qn {

std::string FormatGuid(const Guid& g) {
    char buffer[40] = {};
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                  static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                  g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return buffer;
}

std::string NewGuidText(RandomSource& random) {
    return FormatGuid(random.NewGuid());
}

}  // namespace qn
