#pragma once

#include "platform/module_resources.h"

namespace qn::win32 {

class Win32ModuleResources : public ModuleResources {
public:
    std::span<const std::uint8_t> Find(int id, const std::wstring& type) override;
};

}  // namespace qn::win32
