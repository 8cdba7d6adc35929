#include "listing_json.h"

#include "boot/utf8_text.h"

namespace qn::inspect {

nlohmann::ordered_json ListingToJson(const BcdListing& listing) {
    nlohmann::ordered_json json;
    json["fromBcd"] = listing.FromBcd;
    nlohmann::ordered_json bootmgr;
    bootmgr["identifier"] = WideToUtf8(listing.bootManager.identifier);
    bootmgr["default"] = WideToUtf8(listing.bootManager.defaultId);
    bootmgr["displayorder"] = nlohmann::ordered_json::array();
    for (const std::wstring& id : listing.bootManager.displayorder) {
        bootmgr["displayorder"].push_back(WideToUtf8(id));
    }
    bootmgr["timeout"] = WideToUtf8(listing.bootManager.timeout);
    json["bootmgr"] = std::move(bootmgr);
    json["entries"] = nlohmann::ordered_json::array();
    for (const BootEntry& entry : listing.entries) {
        nlohmann::ordered_json e;
        e["identifier"] = WideToUtf8(entry.identifier);
        e["device"] = WideToUtf8(entry.device);
        e["path"] = WideToUtf8(entry.path);
        e["description"] = WideToUtf8(entry.description);
        e["locale"] = WideToUtf8(entry.locale);
        e["osdevice"] = WideToUtf8(entry.osdevice);
        e["isDefault"] = entry.isDefault;
        json["entries"].push_back(std::move(e));
    }
    return json;
}

}  // namespace qn::inspect
