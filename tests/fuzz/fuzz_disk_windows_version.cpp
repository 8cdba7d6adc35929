// CurrentVersion texts come from offline hives that anyone could have written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "disk/windows_version_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Registry strings are UTF-16: two bytes a character.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const float version = qn::ParseWindowsVersion(text);
    if (!std::isfinite(version) || version < 0.0f) {
        std::abort();
    }
    return 0;
}
