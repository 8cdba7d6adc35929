#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "sim/boot_code_kind.h"
#include "sim/sector_bytes.h"

namespace qn::sim {

using MbrCodeArea = std::array<std::uint8_t, kMbrCodeBytes>;

// The first 440 bytes of a master boot record for each kind of code. The contents are the sim's
// own: the shape of real boot code (a short start-up routine and the messages such code prints)
// without any real loader's bytes.
MbrCodeArea MbrCodeBytes(MbrCode code);

// The kind whose bytes these are exactly; Other for anything else.
MbrCode ClassifyMbrCode(std::span<const std::uint8_t> code);

}  // namespace qn::sim
