#include "sim/bcd_elements.h"

#include <cwctype>

#include "sim/bcd_ids.h"
#include "sim/lower_case.h"

namespace qn::sim {
namespace {

using K = BcdValueKind;
using S = ElementScope;

// https://learn.microsoft.com/windows-hardware/drivers/bcd/bcd-reference
constexpr ElementDefinition kElements[] = {
    {L"device", 0x11000001, K::Device, S::Any},
    {L"path", 0x12000002, K::Text, S::Any},
    {L"description", 0x12000004, K::Text, S::Any},
    {L"locale", 0x12000005, K::Text, S::Any},
    {L"inherit", 0x14000006, K::IdList, S::Any},
    {L"recoverysequence", 0x14000008, K::IdList, S::Any},
    {L"recoveryenabled", 0x16000009, K::Boolean, S::Any},
    {L"badmemoryaccess", 0x1600000B, K::Boolean, S::Any},
    {L"testsigning", 0x16000049, K::Boolean, S::Any},
    {L"graphicsresolution", 0x15000052, K::Text, S::Any, L"1024x768|800x600|1024x600"},
    {L"displaymessageoverride", 0x15000065, K::Text, S::Any,
     L"Default|Resume|HyperV|Recovery|StartupRepair|SystemImageRecovery|CommandPrompt|"
     L"SystemRestore|PushButtonReset"},
    {L"isolatedcontext", 0x16000060, K::Boolean, S::Any},
    {L"allowedinmemorysettings", 0x17000077, K::Text, S::Any},
    {L"osdevice", 0x21000001, K::Device, S::OsLoader},
    {L"filedevice", 0x21000001, K::Device, S::Resume},
    {L"systemroot", 0x22000002, K::Text, S::OsLoader},
    {L"filepath", 0x22000002, K::Text, S::Resume},
    {L"resumeobject", 0x23000003, K::Id, S::OsLoader},
    {L"default", 0x23000003, K::Id, S::Bootmgr},
    {L"resumeobject", 0x23000006, K::Id, S::Bootmgr},
    {L"displayorder", 0x24000001, K::IdList, S::Bootmgr},
    {L"bootsequence", 0x24000002, K::IdList, S::Bootmgr},
    {L"toolsdisplayorder", 0x24000010, K::IdList, S::Bootmgr},
    {L"timeout", 0x25000004, K::Integer, S::Bootmgr},
    {L"nx", 0x25000020, K::Text, S::OsLoader, L"OptIn|OptOut|AlwaysOff|AlwaysOn"},
    {L"pae", 0x25000021, K::Text, S::OsLoader, L"Default|ForceEnable|ForceDisable"},
    {L"safeboot", 0x25000080, K::Text, S::OsLoader, L"Minimal|Network|DsRepair"},
    {L"bootmenupolicy", 0x250000C2, K::Text, S::OsLoader, L"Legacy|Standard"},
    {L"bootstatuspolicy", 0x250000E0, K::Text, S::OsLoader,
     L"DisplayAllFailures|IgnoreAllFailures|IgnoreShutdownFailures|IgnoreBootFailures"},
    {L"hypervisorlaunchtype", 0x250000F3, K::Text, S::OsLoader, L"Off|Auto"},
    {L"detecthal", 0x26000010, K::Boolean, S::OsLoader},
    {L"displaybootmenu", 0x26000020, K::Boolean, S::Bootmgr},
    {L"bootlog", 0x26000090, K::Boolean, S::OsLoader},
};

bool ScopeFits(ElementScope scope, std::uint32_t type) {
    switch (scope) {
        case S::Any:
            return true;
        case S::Bootmgr:
            return type == kBcdTypeBootmgr || type == kBcdTypeFwBootmgr;
        case S::OsLoader:
            return type == kBcdTypeOsLoader;
        case S::Resume:
            return type == kBcdTypeResume;
    }
    return false;
}

std::optional<std::wstring> Choice(const wchar_t* choices, std::wstring_view word) {
    const std::wstring wanted = LowerCase(word);
    std::wstring_view rest = choices;
    while (!rest.empty()) {
        const std::size_t bar = rest.find(L'|');
        const std::wstring_view option = rest.substr(0, bar);
        if (LowerCase(option) == wanted) {
            return std::wstring(option);
        }
        rest = bar == std::wstring_view::npos ? std::wstring_view() : rest.substr(bar + 1);
    }
    return std::nullopt;
}

std::optional<bool> Flag(std::wstring_view word) {
    const std::wstring lower = LowerCase(word);
    if (lower == L"yes" || lower == L"on" || lower == L"true" || lower == L"1") {
        return true;
    }
    if (lower == L"no" || lower == L"off" || lower == L"false" || lower == L"0") {
        return false;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> Number(std::wstring_view word) {
    if (word.empty() || word.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (wchar_t c : word) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value <= 0xFFFFFFFFull ? std::optional<std::uint64_t>(value) : std::nullopt;
}

}  // namespace

const ElementDefinition* FindElementDefinition(std::wstring_view name, std::uint32_t objectType) {
    const std::wstring lower = LowerCase(name);
    for (const ElementDefinition& definition : kElements) {
        if (lower == definition.name && ScopeFits(definition.scope, objectType)) {
            return &definition;
        }
    }
    return nullptr;
}

const ElementDefinition* FindAnyElementDefinition(std::wstring_view name) {
    const std::wstring lower = LowerCase(name);
    for (const ElementDefinition& definition : kElements) {
        if (lower == definition.name) {
            return &definition;
        }
    }
    return nullptr;
}

std::variant<BcdElement, ValueError> ParseElementValue(const ElementDefinition& definition,
                                                       const std::vector<std::wstring>& words,
                                                       const DeviceResolver& devices,
                                                       const IdResolver& ids) {
    BcdElement element;
    element.name = definition.name;
    element.kind = definition.kind;
    if (words.empty() || words.front().empty()) {
        return ValueError::Malformed;
    }
    if (definition.kind == K::IdList) {
        for (const std::wstring& word : words) {
            const auto id = ids(word);
            if (!id) {
                return ValueError::UnknownId;
            }
            element.ids.push_back(*id);
        }
        return element;
    }
    if (words.size() != 1) {
        return ValueError::Malformed;
    }
    const std::wstring& word = words.front();
    switch (definition.kind) {
        case K::Text:
            if (definition.choices != nullptr) {
                const auto choice = Choice(definition.choices, word);
                if (!choice) {
                    return ValueError::Malformed;
                }
                element.text = *choice;
            } else {
                element.text = word;
            }
            return element;
        case K::Id: {
            const auto id = ids(word);
            if (!id) {
                return ValueError::UnknownId;
            }
            element.text = *id;
            return element;
        }
        case K::Integer: {
            const auto number = Number(word);
            if (!number) {
                return ValueError::Malformed;
            }
            element.number = *number;
            return element;
        }
        case K::Boolean: {
            const auto flag = Flag(word);
            if (!flag) {
                return ValueError::Malformed;
            }
            element.flag = *flag;
            return element;
        }
        case K::Device: {
            const std::wstring lower = LowerCase(word);
            const auto device = lower == L"boot" || lower.rfind(L"partition=", 0) == 0
                                    ? devices(word)
                                    : std::nullopt;
            if (!device) {
                return ValueError::BadDevice;
            }
            element.device = *device;
            return element;
        }
        case K::IdList:
            break;
    }
    return ValueError::Malformed;
}

}  // namespace qn::sim
