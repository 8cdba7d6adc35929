#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qn {

// Resources linked into the running program. The bytes stay valid for the life of the process.
class ModuleResources {
public:
    virtual ~ModuleResources() = default;

    // Empty span when there is no such resource (or it is empty).
    virtual std::span<const std::uint8_t> Find(int id, const std::wstring& type) = 0;
};

}  // namespace qn
