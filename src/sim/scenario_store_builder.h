#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sim/bcd_model.h"
#include "sim/scenario.h"

namespace qn::sim {

// What a scenario's store is built with: the identity of the volume it lives on, the identity
// of any partition it names, and new identifiers for objects without a fixed one.
struct StoreBuildContext {
    std::wstring selfVolume;
    std::function<std::optional<std::wstring>(const ScenarioPartitionRef&)> volumeOf;
    std::function<std::wstring()> newGuid;
};

// The store a scenario describes, or the reason it cannot be built. Devices are written
// "self" (the store's own partition), "D:P" (disk D, the P-th partition of its table), "boot",
// or "missing" (a partition that is no longer on the machine); identifiers are an object's
// local name, a well-known name or a GUID; other values as bcdedit takes them.
std::variant<BcdStoreData, std::string> BuildScenarioStore(const ScenarioStore& store,
                                                           const StoreBuildContext& context);

std::optional<ScenarioPartitionRef> ParsePartitionRef(std::wstring_view text);

// The object tags a scenario may use ("bootmgr", "osloader", ...), with their type; 0 for
// another tag.
std::uint32_t ObjectTypeOfTag(std::wstring_view tag);

// The identity devices that name a partition no longer on the machine carry.
inline constexpr wchar_t kMissingVolume[] = L"missing";

}  // namespace qn::sim
