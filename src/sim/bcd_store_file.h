#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/bcd_model.h"

namespace qn::sim {

// How a simulated store lives in the content of its file (\Boot\BCD, an export, a backup): a
// serialisation of the sim's own, so copying, deleting and restoring the file copies, loses and
// brings back the store. Bytes that do not read back completely and consistently are a store
// that cannot be opened.
//
//   "QNSIMBCD" version:u16 objects:u32 { id:str type:u32 elements:u32 { name:str kind:u8 value } }
//   str: length:u32 and UTF-8 bytes; integers little-endian; value by kind.
std::vector<std::uint8_t> SerializeStore(const BcdStoreData& store);
std::optional<BcdStoreData> DeserializeStore(std::span<const std::uint8_t> bytes);

}  // namespace qn::sim
