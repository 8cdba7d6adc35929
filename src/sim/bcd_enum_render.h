#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/bcd_model.h"
#include "sim/tool_language.h"

namespace qn::sim {

struct EnumStyle {
    ToolLanguage language = ToolLanguage::ZhCn;
    // "partition=C:", "partition=\Device\HarddiskVolume1", "boot", "unknown".
    std::function<std::wstring(const BcdDevice&)> device;
    // How an identifier is shown: the GUID under /v, otherwise its well-known or store-given
    // name ({bootmgr}, {current}, {default}).
    std::function<std::wstring(const std::wstring&)> id;
};

// The text of a bcdedit enumeration of these objects, wide (the caller encodes it in the
// console code page): for each object a blank line, its title, a line of dashes as wide as the
// title, the identifier and then its elements in type-code order, names padded to column 24,
// list values continued on indented lines, CR LF line ends.
std::wstring RenderEnumeration(const std::vector<BcdObject>& objects, const EnumStyle& style);

// Columns a text takes on the console (CJK characters take two).
std::size_t DisplayWidth(std::wstring_view text);

}  // namespace qn::sim
