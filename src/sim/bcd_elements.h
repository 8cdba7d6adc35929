#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sim/bcd_model.h"

namespace qn::sim {

// The elements the simulated stores know: their names as bcdedit writes them, their type codes
// (which set the order bcdedit lists them in) and the objects they apply to.
enum class ElementScope { Any, Bootmgr, OsLoader, Resume };

struct ElementDefinition {
    const wchar_t* name;
    std::uint32_t code;
    BcdValueKind kind;
    ElementScope scope;
    // For named settings: the words accepted, "|"-separated, in the case bcdedit shows them.
    const wchar_t* choices = nullptr;
};

// The element of that name (any case) for an object of that type; null when it is unknown or
// does not apply there.
const ElementDefinition* FindElementDefinition(std::wstring_view name, std::uint32_t objectType);
// The element of that name for some object type; null when no object has it.
const ElementDefinition* FindAnyElementDefinition(std::wstring_view name);

enum class ValueError {
    Malformed,  // "The parameter is incorrect."
    BadDevice,  // a device that is not one, or a partition=X: whose letter holds nothing
    UnknownId,  // an identifier that is not a GUID or a known name
};

// Turns a partition text ("partition=C:", "partition=\Device\HarddiskVolume2", "boot") into a
// device, or nullopt when no volume is there.
using DeviceResolver = std::function<std::optional<BcdDevice>(std::wstring_view)>;
// Turns an identifier as written into its canonical GUID, or nullopt.
using IdResolver = std::function<std::optional<std::wstring>(std::wstring_view)>;

// The element a "/set ID NAME VALUE" stores, from the words after NAME.
std::variant<BcdElement, ValueError> ParseElementValue(const ElementDefinition& definition,
                                                       const std::vector<std::wstring>& words,
                                                       const DeviceResolver& devices,
                                                       const IdResolver& ids);

}  // namespace qn::sim
