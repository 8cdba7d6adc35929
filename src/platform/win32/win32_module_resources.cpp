#include "platform/win32/win32_module_resources.h"

#include <windows.h>

namespace qn::win32 {

std::span<const std::uint8_t> Win32ModuleResources::Find(int id, const std::wstring& type) {
    // Resources of the running program need no FreeResource: they live as long as the module.
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str());
    if (info == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(nullptr, info);
    const DWORD size = SizeofResource(nullptr, info);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return {};
    }
    return {static_cast<const std::uint8_t*>(data), size};
}

}  // namespace qn::win32
