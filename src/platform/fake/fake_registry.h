#pragma once

#include <cstddef>
#include <cstdint>
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
//
// Hive files are described the same way, by path (any case), and LoadHive puts a copy of one
// below root\keyName with RegLoadKeyW's rules: refused for a file that was not described
// (ERROR_FILE_NOT_FOUND) and where the key exists already (ERROR_ALREADY_EXISTS). Unloading
// removes the tree and is refused while a key in it is open (ERROR_ACCESS_DENIED), as Windows
// refuses it:
//
//     registry.SetHiveString(L"D:\\Windows\\System32\\config\\SOFTWARE",
//                            L"Microsoft\\Windows NT\\CurrentVersion", L"ProductName", L"...");
//     registry.RefuseHiveLoads(HiveLoadStatus::PrivilegeRefused, 1300);  // or script a refusal
//     ... run code ...
//     EXPECT_EQ(registry.LoadedHives(), 0u);
class FakeRegistry : public RegistryPort {
public:
    // The Windows error codes of its refusals.
    static constexpr std::uint32_t kFileNotFound = 2;     // ERROR_FILE_NOT_FOUND
    static constexpr std::uint32_t kAccessDenied = 5;     // ERROR_ACCESS_DENIED
    static constexpr std::uint32_t kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

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
    // Keys opened and not yet closed; those at root\key or below it.
    std::size_t OpenKeys() const { return state_->open.size(); }
    std::size_t OpenKeysUnder(RegistryRoot root, const std::wstring& key) const;
    // Every successful open, as "HKLM\key" or "HKU\key" in the caller's spelling.
    const std::vector<std::wstring>& Opens() const { return opens_; }

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) override;

    // A hive file at hivePath with a key in it (key relative to the hive's root; empty: the
    // root), and a string value in that key.
    void AddHiveKey(const std::wstring& hivePath, const std::wstring& key);
    void SetHiveString(const std::wstring& hivePath, const std::wstring& key,
                       const std::wstring& name, std::wstring value);
    // Every later LoadHive answers status (PrivilegeRefused or LoadRefused) with error, loading
    // nothing; Loaded goes back to loading.
    void RefuseHiveLoads(HiveLoadStatus status, std::uint32_t error);

    HiveLoad LoadHive(RegistryRoot root, const std::wstring& keyName,
                      const std::wstring& hivePath) override;
    // Hives loaded by LoadHive and not yet unloaded.
    std::size_t LoadedHives() const { return loadedHives_; }
    // Every load and unload asked for, with its outcome: "load HKU\Software D:\...\SOFTWARE -> 0",
    // "unload HKU\Software -> 0" (the Windows error code after the arrow).
    const std::vector<std::wstring>& HiveCalls() const { return hiveCalls_; }

    // Map key of a key path: root and lower-case path, without a trailing backslash.
    using KeyId = std::pair<RegistryRoot, std::wstring>;
    // A key's values: lower-case value name -> its text (nullopt: not a string).
    using Values = std::map<std::wstring, std::optional<std::wstring>>;

    struct State {
        std::map<KeyId, Values> keys;
        std::set<KeyId> failOpen;
        std::multiset<KeyId> open;  // keys open now
    };

protected:
    // The load and unload themselves, after a scripted refusal was looked for: 0 or the Windows
    // error code. Here they copy a described hive file in and remove it again; the simulated
    // machine makes hive files from its installations instead.
    virtual std::uint32_t PlaceHive(RegistryRoot root, const std::wstring& keyName,
                                    const std::wstring& hivePath);
    virtual std::uint32_t RemoveHive(RegistryRoot root, const std::wstring& keyName);

private:
    friend class FakeLoadedHive;
    std::uint32_t UnloadHive(RegistryRoot root, const std::wstring& keyName);

    std::shared_ptr<State> state_;
    std::vector<std::wstring> opens_;
    // Hive file (lower-case path) -> its keys relative to its root (lower case, "" the root).
    std::map<std::wstring, std::map<std::wstring, Values>> hiveFiles_;
    HiveLoadStatus refusal_ = HiveLoadStatus::Loaded;
    std::uint32_t refusalError_ = 0;
    std::size_t loadedHives_ = 0;
    std::vector<std::wstring> hiveCalls_;
};

}  // namespace qn::fake
