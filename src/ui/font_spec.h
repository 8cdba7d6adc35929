#pragma once

#include <string>

namespace qn {

// A font of the skin, addressed by its id ("font" = "2"). size is the pixel height at 100 %.
struct FontSpec {
    int id = 0;
    std::wstring name;
    int size = 12;
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

}  // namespace qn
