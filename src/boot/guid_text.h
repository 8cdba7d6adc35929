#pragma once

#include <string>

#include "platform/random_source.h"

namespace qn {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hex, 38 characters.
std::string FormatGuid(const Guid& guid);
std::string NewGuidText(RandomSource& random);

}  // namespace qn
