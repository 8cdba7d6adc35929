#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/firmware_architecture.h"
#include "sim/boot_code_kind.h"

namespace qn::sim {

// The content the simulated machine gives its boot files: a short text of the sim's own per kind
// (never a real loader's bytes). Copies keep it, so the verdict can tell what a file at the
// firmware's fallback path really is.
std::vector<std::uint8_t> ImageBytes(FileImage image);

// The kind of these bytes: Empty for none, Other when they are no kind's exactly.
FileImage ClassifyImage(std::span<const std::uint8_t> bytes);

// What a file of that path holds when the scenario does not say: loaders by their names, every
// other file empty.
FileImage DefaultImageFor(std::wstring_view path);

// Where a UEFI firmware of that architecture looks for its fallback loader, and where bcdboot
// puts a copy of Windows Boot Manager for it: \EFI\Boot\bootx64.efi, bootia32.efi, bootaa64.efi.
std::wstring FallbackLoaderFor(FirmwareArchitecture architecture);

}  // namespace qn::sim
