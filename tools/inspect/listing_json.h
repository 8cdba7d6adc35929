#pragma once

#include <nlohmann/json.hpp>

#include "boot/bcd_listing.h"

namespace qn::inspect {

// {"fromBcd":1,"bootmgr":{"identifier","default","displayorder","timeout"},
//  "entries":[{"identifier","device","path","description","locale","osdevice","isDefault"}]},
// keys in that order, text in UTF-8.
nlohmann::ordered_json ListingToJson(const BcdListing& listing);

}  // namespace qn::inspect
