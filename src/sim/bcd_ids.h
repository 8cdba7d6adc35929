#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qn::sim {

// Object types as a BCD store numbers them (application class, image type, application type).
inline constexpr std::uint32_t kBcdTypeFwBootmgr = 0x10100001;
inline constexpr std::uint32_t kBcdTypeBootmgr = 0x10100002;
inline constexpr std::uint32_t kBcdTypeOsLoader = 0x10200003;
inline constexpr std::uint32_t kBcdTypeResume = 0x10200004;
inline constexpr std::uint32_t kBcdTypeMemDiag = 0x10200005;
inline constexpr std::uint32_t kBcdTypeNtldr = 0x10300006;
inline constexpr std::uint32_t kBcdTypeFwApplication = 0x101FFFFF;
inline constexpr std::uint32_t kBcdTypeSettings = 0x20100000;
inline constexpr std::uint32_t kBcdTypeLoaderSettings = 0x20200003;
inline constexpr std::uint32_t kBcdTypeResumeSettings = 0x20200004;

// The identifiers bcdedit knows by name, with the GUIDs it shows for them under /v.
struct WellKnownId {
    const wchar_t* alias;  // "{bootmgr}"
    const wchar_t* guid;   // lower case, in braces
    std::uint32_t type;
};

const WellKnownId* WellKnownByAlias(std::wstring_view alias);  // any case
const WellKnownId* WellKnownByGuid(std::wstring_view guid);    // canonical form

inline constexpr wchar_t kBootmgrGuid[] = L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
inline constexpr wchar_t kFwBootmgrGuid[] = L"{a5a30fa2-3d06-4e9f-b5f4-a01df9d1fcba}";
inline constexpr wchar_t kNtldrGuid[] = L"{466f5a88-0af2-4f76-9038-095b170dc21c}";
inline constexpr wchar_t kMemDiagGuid[] = L"{b2721d74-1db4-4c62-bf78-c548a880142d}";
inline constexpr wchar_t kGlobalSettingsGuid[] = L"{7ea2e1ac-2e61-4728-aaa3-896d9d0a9f0e}";
inline constexpr wchar_t kLoaderSettingsGuid[] = L"{6efb52bf-1766-41db-a6b3-0ee5eff72bd7}";
inline constexpr wchar_t kResumeSettingsGuid[] = L"{1afa9c49-16ab-4a5c-901b-212802da9460}";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in any case, as the canonical lower-case text;
// nullopt for anything else.
std::optional<std::wstring> CanonicalGuid(std::wstring_view text);

// An identifier as a command names it: a GUID or a well-known name, as the canonical GUID.
// {current} and {default} depend on the store and are resolved by the caller.
std::optional<std::wstring> ResolveKnownId(std::wstring_view text);

// New identifiers for created objects. A fixed seed gives the same sequence on every run, so
// tests and demos are repeatable.
class GuidSequence {
public:
    explicit GuidSequence(std::uint64_t seed) : state_(seed) {}
    std::wstring Next();

private:
    std::uint64_t NextWord();
    std::uint64_t state_;
};

}  // namespace qn::sim
