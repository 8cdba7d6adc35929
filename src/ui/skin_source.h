#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/module_resources.h"
#include "ui/zip_archive.h"

namespace qn {

// Where a window's skin files (markup and images) come from.
class SkinSource {
public:
    virtual ~SkinSource() = default;
    // The file's bytes; false with a reason in error when it is missing or unreadable.
    virtual bool ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes,
                          std::wstring& error) const = 0;
};

// Skin files inside a zip archive held in memory (the program's "ZIPRES" resource).
class ZipSkinSource : public SkinSource {
public:
    explicit ZipSkinSource(ZipArchive archive) : archive_(std::move(archive)) {}
    bool ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes,
                  std::wstring& error) const override;

private:
    ZipArchive archive_;
};

// The skin resource of the program: type and id.
struct SkinResourceId {
    int id = 129;
    std::wstring type = L"ZIPRES";
};

// Opens the zip resource as a skin; null with a reason in error when the resource is missing or
// is not a readable zip archive.
std::shared_ptr<SkinSource> OpenSkinResource(ModuleResources& resources, const SkinResourceId& id,
                                             std::wstring& error);

}  // namespace qn
