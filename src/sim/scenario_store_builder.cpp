#include "sim/scenario_store_builder.h"

#include <map>

#include "boot/utf8_text.h"
#include "sim/bcd_elements.h"
#include "sim/bcd_ids.h"

namespace qn::sim {
namespace {

struct Tag {
    const wchar_t* tag;
    std::uint32_t type;
    const wchar_t* fixedId;  // the well-known identifier such an object has, or null
};

constexpr Tag kTags[] = {
    {L"bootmgr", kBcdTypeBootmgr, kBootmgrGuid},
    {L"osloader", kBcdTypeOsLoader, nullptr},
    {L"resume", kBcdTypeResume, nullptr},
    {L"ntldr", kBcdTypeNtldr, kNtldrGuid},
    {L"memdiag", kBcdTypeMemDiag, kMemDiagGuid},
    {L"globalsettings", kBcdTypeSettings, kGlobalSettingsGuid},
    {L"bootloadersettings", kBcdTypeLoaderSettings, kLoaderSettingsGuid},
    {L"resumeloadersettings", kBcdTypeResumeSettings, kResumeSettingsGuid},
};

const Tag* FindTag(std::wstring_view tag) {
    for (const Tag& known : kTags) {
        if (tag == known.tag) {
            return &known;
        }
    }
    return nullptr;
}

std::vector<std::wstring> Words(std::wstring_view text) {
    std::vector<std::wstring> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(L' ', at);
        if (start == std::wstring_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(L' ', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string Narrow(std::wstring_view text) {
    return WideToUtf8(text);
}

// Every object with its identifier, before any element, so that elements may refer to objects
// further down; names: the objects' local names. Why the store cannot be built, if it cannot.
std::optional<std::string> AddObjects(const ScenarioStore& store, const StoreBuildContext& context,
                                      BcdStoreData& data,
                                      std::map<std::wstring, std::wstring>& names) {
    for (const ScenarioBcdObject& object : store.objects) {
        const Tag* tag = FindTag(object.type);
        if (tag == nullptr) {
            return "unknown store object <" + Narrow(object.type) + ">";
        }
        BcdObject built;
        built.type = tag->type;
        if (!object.id.empty()) {
            const auto id = ResolveKnownId(object.id);
            if (!id) {
                return "store object id \"" + Narrow(object.id) + "\" is not a GUID";
            }
            built.id = *id;
        } else {
            built.id = tag->fixedId != nullptr ? tag->fixedId : context.newGuid();
        }
        if (FindObject(data, built.id) != nullptr) {
            return "store object " + Narrow(built.id) + " is described twice";
        }
        if (!object.name.empty() && !names.emplace(object.name, built.id).second) {
            return "store object name \"" + Narrow(object.name) + "\" is used twice";
        }
        data.objects.push_back(std::move(built));
    }
    return std::nullopt;
}

// A device element: "boot", "self", "missing" or a partition "DISK:N" of the machine.
std::variant<BcdElement, std::string> DeviceElement(const ElementDefinition& definition,
                                                    const std::wstring& value,
                                                    const StoreBuildContext& context) {
    BcdElement element;
    element.name = definition.name;
    element.kind = BcdValueKind::Device;
    if (value == L"boot") {
        element.device.kind = BcdDeviceKind::Boot;
    } else if (value == L"self") {
        element.device.volume = context.selfVolume;
    } else if (value == L"missing") {
        element.device.volume = kMissingVolume;
    } else {
        const auto ref = ParsePartitionRef(value);
        const auto volume = ref ? context.volumeOf(*ref) : std::nullopt;
        if (!volume) {
            return "device \"" + Narrow(value) +
                   "\" is not self, boot, missing or a partition DISK:N on this machine";
        }
        element.device.volume = *volume;
    }
    return element;
}

}  // namespace

std::uint32_t ObjectTypeOfTag(std::wstring_view tag) {
    const Tag* known = FindTag(tag);
    return known != nullptr ? known->type : 0;
}

std::optional<ScenarioPartitionRef> ParsePartitionRef(std::wstring_view text) {
    const std::size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos || colon == 0 || colon + 1 >= text.size() || colon > 2 ||
        text.size() - colon > 4) {
        return std::nullopt;
    }
    ScenarioPartitionRef ref;
    for (std::size_t i = 0; i < colon; ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return std::nullopt;
        }
        ref.disk = ref.disk * 10 + static_cast<std::uint32_t>(text[i] - L'0');
    }
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return std::nullopt;
        }
        ref.position = ref.position * 10 + static_cast<int>(text[i] - L'0');
    }
    if (ref.position < 1) {
        return std::nullopt;
    }
    return ref;
}

std::variant<BcdStoreData, std::string> BuildScenarioStore(const ScenarioStore& store,
                                                           const StoreBuildContext& context) {
    BcdStoreData data;
    std::map<std::wstring, std::wstring> names;
    if (auto error = AddObjects(store, context, data, names)) {
        return *error;
    }
    const IdResolver ids = [&](std::wstring_view word) -> std::optional<std::wstring> {
        const auto named = names.find(std::wstring(word));
        if (named != names.end()) {
            return named->second;
        }
        return ResolveKnownId(word);
    };
    const DeviceResolver noDevices = [](std::wstring_view) { return std::nullopt; };
    for (std::size_t i = 0; i < store.objects.size(); ++i) {
        BcdObject& built = data.objects[i];
        for (const auto& [name, value] : store.objects[i].elements) {
            const ElementDefinition* definition = FindElementDefinition(name, built.type);
            if (definition == nullptr) {
                return "element " + Narrow(name) + " does not apply to <" +
                       Narrow(store.objects[i].type) + ">";
            }
            if (definition->kind == BcdValueKind::Device) {
                auto device = DeviceElement(*definition, value, context);
                if (auto* error = std::get_if<std::string>(&device)) {
                    return *error;
                }
                PutElement(built, std::get<BcdElement>(std::move(device)));
                continue;
            }
            const std::vector<std::wstring> words = definition->kind == BcdValueKind::IdList
                                                        ? Words(value)
                                                        : std::vector<std::wstring>{value};
            auto parsed = ParseElementValue(*definition, words, noDevices, ids);
            if (auto* element = std::get_if<BcdElement>(&parsed)) {
                PutElement(built, std::move(*element));
            } else {
                return "element " + Narrow(name) + " has a value bcdedit would refuse: \"" +
                       Narrow(value) + "\"";
            }
        }
    }
    return data;
}

}  // namespace qn::sim
