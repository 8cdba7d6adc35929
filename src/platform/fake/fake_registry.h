#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry_port.h"

namespace qn::fake {

// An in-memory registry with Windows' rules for key and value names (case-insensitive). Tests
// describe keys and string values, script keys that refuse to open, and check that every key
// opened was closed again:
//
//     FakeRegistry registry;
//     registry.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"ProductName", L"...");
//     ... run code ...
//     EXPECT_EQ(registry.OpenKeys(), 0u);
//
// Keys read their values when asked, so a key whose tree was removed (an unloaded hive) reads
// nothing more.
class FakeRegistry : public RegistryPort {
public:
    FakeRegistry();

    // Creates the key and its parents.
    void AddKey(RegistryRoot root, const std::wstring& key);
    void SetString(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                   std::wstring value);
    // A value that is there but is no string (a DWORD, say).
    void SetNonString(RegistryRoot root, const std::wstring& key, const std::wstring& name);
    // The key exists but opening it fails, as for access denied.
    void FailOpen(RegistryRoot root, const std::wstring& key);
    // Removes the key and everything below it.
    void RemoveTree(RegistryRoot root, const std::wstring& key);

    bool HasKey(RegistryRoot root, const std::wstring& key) const;
    // Keys opened and not yet closed.
    std::size_t OpenKeys() const { return state_->openKeys; }
    // Every successful open, as "HKLM\key" or "HKU\key" in the caller's spelling.
    const std::vector<std::wstring>& Opens() const { return opens_; }

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) override;

    // Map key of a key path: root and lower-case path, without a trailing backslash.
    using KeyId = std::pair<RegistryRoot, std::wstring>;

    struct State {
        // Key -> lower-case value name -> its text (nullopt: not a string).
        std::map<KeyId, std::map<std::wstring, std::optional<std::wstring>>> keys;
        std::set<KeyId> failOpen;
        std::size_t openKeys = 0;
    };

private:
    std::shared_ptr<State> state_;
    std::vector<std::wstring> opens_;
};

}  // namespace qn::fake
