#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/module_resources.h"

namespace qn::fake {

// Resources by (id, type), as the test puts them in.
class FakeModuleResources : public ModuleResources {
public:
    void Add(int id, const std::wstring& type, std::vector<std::uint8_t> bytes) {
        resources_[{id, type}] = std::move(bytes);
    }
    std::span<const std::uint8_t> Find(int id, const std::wstring& type) override {
        auto it = resources_.find({id, type});
        if (it == resources_.end()) {
            return {};
        }
        return it->second;
    }

private:
    std::map<std::pair<int, std::wstring>, std::vector<std::uint8_t>> resources_;
};

}  // namespace qn::fake
