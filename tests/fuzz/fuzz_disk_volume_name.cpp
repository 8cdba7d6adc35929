// Volume names and path lists as the volume calls return them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "disk/volume_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::wstring device = qn::DosDeviceNameOfVolume(text);
    // "\\?\" and the final backslash are all that is cut off.
    if (qn::IsVolumeName(text) == device.empty() ||
        (!device.empty() && device.size() + 5 != text.size())) {
        std::abort();
    }
    std::size_t total = 0;
    for (const std::wstring& path : qn::SplitMultiString(text)) {
        if (path.empty()) {
            std::abort();
        }
        total += path.size() + 1;
        if (const auto letter = qn::DriveLetterOfMountPath(path);
            letter && (*letter < 'A' || *letter > 'Z')) {
            std::abort();
        }
    }
    if (total > text.size() + 1) {
        std::abort();
    }
    return 0;
}
