#include "ui/skin_source.h"

#include "boot/utf8_text.h"

namespace qn {

bool ZipSkinSource::ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes,
                             std::wstring& error) const {
    const ZipArchive::Entry* entry = archive_.Find(WideToUtf8(name));
    if (entry == nullptr) {
        error = L"no file \"" + name + L"\" in the skin";
        return false;
    }
    return archive_.Extract(*entry, bytes, error);
}

std::shared_ptr<SkinSource> OpenSkinResource(ModuleResources& resources, const SkinResourceId& id,
                                             std::wstring& error) {
    const auto bytes = resources.Find(id.id, id.type);
    if (bytes.empty()) {
        error = L"the program has no skin resource " + id.type + L" " + std::to_wstring(id.id);
        return nullptr;
    }
    ZipArchive archive;
    if (!archive.Open(bytes, error)) {
        return nullptr;
    }
    return std::make_shared<ZipSkinSource>(std::move(archive));
}

}  // namespace qn
