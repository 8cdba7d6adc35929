#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ui/skin_source.h"

namespace qn::fake {

// Skin files held in memory, by name.
class MemorySkinSource : public SkinSource {
public:
    void Add(const std::wstring& name, std::string text) {
        files_[name] = std::vector<std::uint8_t>(text.begin(), text.end());
    }
    void AddBytes(const std::wstring& name, std::vector<std::uint8_t> bytes) {
        files_[name] = std::move(bytes);
    }
    bool ReadFile(const std::wstring& name, std::vector<std::uint8_t>& bytes,
                  std::wstring& error) const override {
        auto it = files_.find(name);
        if (it == files_.end()) {
            error = L"no file \"" + name + L"\"";
            return false;
        }
        bytes = it->second;
        return true;
    }

private:
    std::map<std::wstring, std::vector<std::uint8_t>> files_;
};

}  // namespace qn::fake
