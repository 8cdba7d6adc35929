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

FakeRegistry::KeyId IdOf(RegistryRoot root, const std::wstring& key) {
    std::wstring path = Lower(key);
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    return {root, path};
}

class FakeRegistryKey final : public RegistryKey {
public:
    FakeRegistryKey(std::shared_ptr<FakeRegistry::State> state, FakeRegistry::KeyId id)
        : state_(std::move(state)), id_(std::move(id)) {
        ++state_->openKeys;
    }
    ~FakeRegistryKey() override { --state_->openKeys; }

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
    const std::wstring below = id.second + L'\\';
    for (auto it = state_->keys.begin(); it != state_->keys.end();) {
        const bool inTree = it->first.first == root &&
                            (it->first.second == id.second || it->first.second.starts_with(below));
        it = inTree ? state_->keys.erase(it) : std::next(it);
    }
}

bool FakeRegistry::HasKey(RegistryRoot root, const std::wstring& key) const {
    return state_->keys.contains(IdOf(root, key));
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegistryRoot root, const std::wstring& subKey) {
    const KeyId id = IdOf(root, subKey);
    if (!state_->keys.contains(id) || state_->failOpen.contains(id)) {
        return nullptr;
    }
    opens_.push_back((root == RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKU\\") + subKey);
    return std::make_unique<FakeRegistryKey>(state_, id);
}

}  // namespace qn::fake
