#include "platform/fake/fake_registry.h"

#include <cwctype>

namespace qn::fake {
namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    }
    return text;
}

std::wstring Trimmed(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

FakeRegistry::KeyId IdOf(RegistryRoot root, const std::wstring& key) {
    return {root, Trimmed(Lower(key))};
}

// Whether id is the key at path under root, or below it.
bool InTree(const FakeRegistry::KeyId& id, RegistryRoot root, const std::wstring& path) {
    return id.first == root && (id.second == path || id.second.starts_with(path + L'\\'));
}

std::wstring RootText(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKU\\";
}

class FakeRegistryKey final : public RegistryKey {
public:
    FakeRegistryKey(std::shared_ptr<FakeRegistry::State> state, FakeRegistry::KeyId id)
        : state_(std::move(state)), id_(std::move(id)) {
        state_->open.insert(id_);
    }
    ~FakeRegistryKey() override { state_->open.erase(state_->open.find(id_)); }

    std::wstring ReadString(const std::wstring& valueName) override {
        const auto key = state_->keys.find(id_);
        if (key == state_->keys.end()) {
            return {};
        }
        const auto value = key->second.find(Lower(valueName));
        if (value == key->second.end() || !value->second) {
            return {};
        }
        return *value->second;
    }

private:
    std::shared_ptr<FakeRegistry::State> state_;
    FakeRegistry::KeyId id_;
};

}  // namespace

// A hive LoadHive loaded; tries to unload it when destroyed.
class FakeLoadedHive final : public LoadedHive {
public:
    FakeLoadedHive(FakeRegistry& registry, RegistryRoot root, std::wstring keyName)
        : registry_(registry), root_(root), keyName_(std::move(keyName)) {}
    ~FakeLoadedHive() override { Unload(); }

    std::uint32_t Unload() override {
        if (!loaded_) {
            return 0;
        }
        const std::uint32_t error = registry_.UnloadHive(root_, keyName_);
        loaded_ = error != 0;
        return error;
    }

private:
    FakeRegistry& registry_;
    RegistryRoot root_;
    std::wstring keyName_;
    bool loaded_ = true;
};

FakeRegistry::FakeRegistry() : state_(std::make_shared<State>()) {}

void FakeRegistry::AddKey(RegistryRoot root, const std::wstring& key) {
    const KeyId id = IdOf(root, key);
    for (std::size_t end = id.second.find(L'\\'); end != std::wstring::npos;
         end = id.second.find(L'\\', end + 1)) {
        state_->keys[{root, id.second.substr(0, end)}];
    }
    state_->keys[id];
}

void FakeRegistry::SetString(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                             std::wstring value) {
    AddKey(root, key);
    state_->keys[IdOf(root, key)][Lower(name)] = std::move(value);
}

void FakeRegistry::SetNonString(RegistryRoot root, const std::wstring& key,
                                const std::wstring& name) {
    AddKey(root, key);
    state_->keys[IdOf(root, key)][Lower(name)] = std::nullopt;
}

void FakeRegistry::FailOpen(RegistryRoot root, const std::wstring& key) {
    AddKey(root, key);
    state_->failOpen.insert(IdOf(root, key));
}

void FakeRegistry::RemoveTree(RegistryRoot root, const std::wstring& key) {
    const KeyId id = IdOf(root, key);
    for (auto it = state_->keys.begin(); it != state_->keys.end();) {
        it = InTree(it->first, root, id.second) ? state_->keys.erase(it) : std::next(it);
    }
}

bool FakeRegistry::HasKey(RegistryRoot root, const std::wstring& key) const {
    return state_->keys.contains(IdOf(root, key));
}

std::size_t FakeRegistry::OpenKeysUnder(RegistryRoot root, const std::wstring& key) const {
    const KeyId id = IdOf(root, key);
    std::size_t count = 0;
    for (const KeyId& open : state_->open) {
        count += InTree(open, root, id.second) ? 1 : 0;
    }
    return count;
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegistryRoot root, const std::wstring& subKey) {
    const KeyId id = IdOf(root, subKey);
    if (!state_->keys.contains(id) || state_->failOpen.contains(id)) {
        return nullptr;
    }
    opens_.push_back(RootText(root) + subKey);
    return std::make_unique<FakeRegistryKey>(state_, id);
}

void FakeRegistry::AddHiveKey(const std::wstring& hivePath, const std::wstring& key) {
    auto& hive = hiveFiles_[Lower(hivePath)];
    const std::wstring path = Trimmed(Lower(key));
    hive[L""];
    for (std::size_t end = path.find(L'\\'); end != std::wstring::npos;
         end = path.find(L'\\', end + 1)) {
        hive[path.substr(0, end)];
    }
    hive[path];
}

void FakeRegistry::SetHiveString(const std::wstring& hivePath, const std::wstring& key,
                                 const std::wstring& name, std::wstring value) {
    AddHiveKey(hivePath, key);
    hiveFiles_[Lower(hivePath)][Trimmed(Lower(key))][Lower(name)] = std::move(value);
}

void FakeRegistry::RefuseHiveLoads(HiveLoadStatus status, std::uint32_t error) {
    refusal_ = status;
    refusalError_ = error;
}

HiveLoad FakeRegistry::LoadHive(RegistryRoot root, const std::wstring& keyName,
                                const std::wstring& hivePath) {
    const std::wstring call = L"load " + RootText(root) + keyName + L" " + hivePath + L" -> ";
    if (refusal_ != HiveLoadStatus::Loaded) {
        hiveCalls_.push_back(call + std::to_wstring(refusalError_));
        return HiveLoad{refusal_, refusalError_, nullptr};
    }
    const std::uint32_t error = PlaceHive(root, keyName, hivePath);
    hiveCalls_.push_back(call + std::to_wstring(error));
    if (error != 0) {
        return HiveLoad{HiveLoadStatus::LoadRefused, error, nullptr};
    }
    ++loadedHives_;
    return HiveLoad{HiveLoadStatus::Loaded, 0,
                    std::make_unique<FakeLoadedHive>(*this, root, keyName)};
}

std::uint32_t FakeRegistry::UnloadHive(RegistryRoot root, const std::wstring& keyName) {
    const std::uint32_t error = RemoveHive(root, keyName);
    hiveCalls_.push_back(L"unload " + RootText(root) + keyName + L" -> " + std::to_wstring(error));
    if (error == 0) {
        --loadedHives_;
    }
    return error;
}

std::uint32_t FakeRegistry::PlaceHive(RegistryRoot root, const std::wstring& keyName,
                                      const std::wstring& hivePath) {
    const auto file = hiveFiles_.find(Lower(hivePath));
    if (file == hiveFiles_.end()) {
        return kFileNotFound;
    }
    if (HasKey(root, keyName)) {
        return kAlreadyExists;
    }
    AddKey(root, keyName);
    const std::wstring top = IdOf(root, keyName).second;
    for (const auto& [key, values] : file->second) {
        state_->keys[{root, key.empty() ? top : top + L'\\' + key}] = values;
    }
    return 0;
}

std::uint32_t FakeRegistry::RemoveHive(RegistryRoot root, const std::wstring& keyName) {
    if (!HasKey(root, keyName)) {
        return kFileNotFound;
    }
    if (OpenKeysUnder(root, keyName) != 0) {
        return kAccessDenied;
    }
    RemoveTree(root, keyName);
    return 0;
}

}  // namespace qn::fake
