#include "boot/arc_path.h"

#include "boot/field_text.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

std::optional<std::uint32_t> ArcNumber(const std::wstring& arc, std::wstring_view key,
                                       std::size_t& at) {
    if (arc.compare(at, key.size(), key) != 0) {
        return std::nullopt;
    }
    at += key.size();
    const std::size_t close = arc.find(L')', at);
    if (close == std::wstring::npos) {
        return std::nullopt;
    }
    const auto number = ParseDecimalDigits(std::wstring_view(arc).substr(at, close - at), 3);
    if (!number) {
        return std::nullopt;
    }
    at = close + 1;
    return static_cast<std::uint32_t>(*number);
}

}  // namespace

std::wstring ArcKey(std::int32_t rdisk, std::uint32_t partition) {
    return L"multi(0)disk(0)rdisk(" + std::to_wstring(rdisk) + L")partition(" +
           std::to_wstring(partition) + L")\\WINDOWS";
}

std::optional<ArcPath> ParseArc(std::wstring_view text) {
    const std::wstring arc = LowerCase(text);
    std::size_t at = 0;
    const auto multi = ArcNumber(arc, L"multi(", at);
    const auto controller = multi ? ArcNumber(arc, L"disk(", at) : std::nullopt;
    const auto rdisk = controller ? ArcNumber(arc, L"rdisk(", at) : std::nullopt;
    const auto partition = rdisk ? ArcNumber(arc, L"partition(", at) : std::nullopt;
    if (!partition || *multi != 0 || *controller != 0) {
        return std::nullopt;
    }
    return ArcPath{*rdisk, *partition, arc.substr(at)};
}

}  // namespace qn
