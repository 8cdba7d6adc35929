#include "listing_json.h"

#include "utf8_text.h"

namespace qn::inspect {

nlohmann::ordered_json ListingToJson(const BcdListing& listing) {
    nlohmann::ordered_json json;
    json["fromBcd"] = listing.FromBcd;
    nlohmann::ordered_json bootmgr;
    bootmgr["identifier"] = ToUtf8(listing.bootManager.identifier);
    bootmgr["default"] = ToUtf8(listing.bootManager.defaultId);
    bootmgr["displayorder"] = nlohmann::ordered_json::array();
    for (const std::wstring& id : listing.bootManager.displayorder) {
        bootmgr["displayorder"].push_back(ToUtf8(id));
    }
    bootmgr["timeout"] = ToUtf8(listing.bootManager.timeout);
    json["bootmgr"] = std::move(bootmgr);
    json["entries"] = nlohmann::ordered_json::array();
    for (const BootEntry& entry : listing.entries) {
        nlohmann::ordered_json e;
        e["identifier"] = ToUtf8(entry.identifier);
        e["device"] = ToUtf8(entry.device);
        e["path"] = ToUtf8(entry.path);
        e["description"] = ToUtf8(entry.description);
        e["locale"] = ToUtf8(entry.locale);
        e["osdevice"] = ToUtf8(entry.osdevice);
        e["isDefault"] = entry.isDefault;
        json["entries"].push_back(std::move(e));
    }
    return json;
}

}  // namespace qn::inspect
