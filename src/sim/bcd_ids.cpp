#include "sim/bcd_ids.h"
#include "sim/lower_case.h"

#include <cwchar>
#include <cwctype>

namespace qn::sim {
namespace {

// https://learn.microsoft.com/windows-hardware/drivers/devtest/bcd-boot-options-reference
constexpr WellKnownId kWellKnown[] = {
    {L"{bootmgr}", kBootmgrGuid, kBcdTypeBootmgr},
    {L"{fwbootmgr}", kFwBootmgrGuid, kBcdTypeFwBootmgr},
    {L"{memdiag}", kMemDiagGuid, kBcdTypeMemDiag},
    {L"{ntldr}", kNtldrGuid, kBcdTypeNtldr},
    {L"{legacy}", kNtldrGuid, kBcdTypeNtldr},
    {L"{globalsettings}", kGlobalSettingsGuid, kBcdTypeSettings},
    {L"{dbgsettings}", L"{4636856e-540f-4170-a130-a84776f4c654}", kBcdTypeSettings},
    {L"{emssettings}", L"{0ce4991b-e6b3-4b16-b23c-5e0d9250e5d9}", kBcdTypeSettings},
    {L"{badmemory}", L"{5189b25c-5558-4bf2-bca4-289b11bd29e2}", kBcdTypeSettings},
    {L"{bootloadersettings}", kLoaderSettingsGuid, kBcdTypeLoaderSettings},
    {L"{hypervisorsettings}", L"{7ff607e0-4395-11db-b0de-0800200c9a66}", kBcdTypeLoaderSettings},
    {L"{resumeloadersettings}", kResumeSettingsGuid, kBcdTypeResumeSettings},
};

bool IsHex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

}  // namespace

const WellKnownId* WellKnownByAlias(std::wstring_view alias) {
    const std::wstring lower = LowerCase(alias);
    for (const WellKnownId& known : kWellKnown) {
        if (lower == known.alias) {
            return &known;
        }
    }
    return nullptr;
}

const WellKnownId* WellKnownByGuid(std::wstring_view guid) {
    for (const WellKnownId& known : kWellKnown) {
        // {legacy} is another name for {ntldr}: the first name is the one bcdedit shows.
        if (guid == known.guid) {
            return &known;
        }
    }
    return nullptr;
}

std::optional<std::wstring> CanonicalGuid(std::wstring_view text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') {
        return std::nullopt;
    }
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !IsHex(text[i])) {
            return std::nullopt;
        }
    }
    return LowerCase(text);
}

std::optional<std::wstring> ResolveKnownId(std::wstring_view text) {
    if (const WellKnownId* known = WellKnownByAlias(text)) {
        return std::wstring(known->guid);
    }
    return CanonicalGuid(text);
}

std::uint64_t GuidSequence::NextWord() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::wstring GuidSequence::Next() {
    const std::uint64_t a = NextWord();
    const std::uint64_t b = NextWord();
    wchar_t text[40] = {};
    // Version 4, variant 1, as CoCreateGuid makes them.
    std::swprintf(text, 40, L"{%08x-%04x-4%03x-%04x-%012llx}", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return text;
}

}  // namespace qn::sim
