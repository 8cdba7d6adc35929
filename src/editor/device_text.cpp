#include "editor/device_text.h"

#include <vector>

#include "boot/text_helpers.h"

namespace qn {
namespace {

constexpr std::size_t kShownChars = 4;

// The second non-empty piece of text cut at every "=", each piece trimmed of blanks.
std::wstring_view SecondPiece(std::wstring_view text) {
    int found = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L'=', start);
        if (end == std::wstring_view::npos) {
            end = text.size();
        }
        const std::wstring_view piece = TrimSpaces(text.substr(start, end - start));
        if (!piece.empty() && ++found == 2) {
            return piece;
        }
        start = end + 1;
    }
    return {};
}

std::wstring First(std::wstring_view text, std::size_t count) {
    return std::wstring(text.substr(0, count));
}

}  // namespace

std::wstring DeviceText(std::wstring_view device, bool fromBcd) {
    if (fromBcd) {
        if (device == L"boot") {
            return L"boot";
        }
        const std::wstring_view value = SecondPiece(device);
        return First(value.empty() ? device : value, kShownChars);
    }
    constexpr std::wstring_view kPartition = L"partition(";
    const std::size_t partition = device.find(kPartition);
    if (partition != std::wstring_view::npos) {
        const std::size_t after = partition + kPartition.size();
        return L"P" + First(device.substr(after), 1);
    }
    if (device.find(L':') != std::wstring_view::npos) {
        return First(device, 2);
    }
    return First(device, kShownChars);
}

}  // namespace qn
