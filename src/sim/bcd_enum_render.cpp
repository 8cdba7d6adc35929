#include "sim/bcd_enum_render.h"

#include <algorithm>

#include "sim/bcd_elements.h"
#include "sim/bcd_ids.h"

namespace qn::sim {
namespace {

constexpr std::size_t kValueColumn = 24;

SectionTitle TitleOf(std::uint32_t type) {
    switch (type) {
        case kBcdTypeBootmgr:
            return SectionTitle::BootManager;
        case kBcdTypeFwBootmgr:
            return SectionTitle::FirmwareBootManager;
        case kBcdTypeFwApplication:
            return SectionTitle::FirmwareApplication;
        case kBcdTypeNtldr:
            return SectionTitle::LegacyLoader;
        case kBcdTypeMemDiag:
            return SectionTitle::MemoryTester;
        case kBcdTypeResume:
            return SectionTitle::Resume;
        case kBcdTypeSettings:
            return SectionTitle::GlobalSettings;
        case kBcdTypeLoaderSettings:
            return SectionTitle::LoaderSettings;
        case kBcdTypeResumeSettings:
            return SectionTitle::ResumeSettings;
        default:
            break;
    }
    return SectionTitle::Loader;
}

std::wstring Padded(std::wstring_view name) {
    const std::size_t width = DisplayWidth(name);
    return std::wstring(name) + std::wstring(width < kValueColumn ? kValueColumn - width : 1, L' ');
}

std::vector<std::wstring> Values(const BcdElement& element, const EnumStyle& style) {
    switch (element.kind) {
        case BcdValueKind::Text:
            return {element.text};
        case BcdValueKind::Id:
            return {style.id(element.text)};
        case BcdValueKind::Device:
            return {style.device(element.device)};
        case BcdValueKind::IdList: {
            std::vector<std::wstring> out;
            for (const std::wstring& id : element.ids) {
                out.push_back(style.id(id));
            }
            return out;
        }
        case BcdValueKind::Integer:
            return {std::to_wstring(element.number)};
        case BcdValueKind::Boolean:
            return {element.flag ? L"Yes" : L"No"};
    }
    return {};
}

std::uint32_t Order(const BcdObject& object, const BcdElement& element) {
    const ElementDefinition* definition = FindElementDefinition(element.name, object.type);
    return definition != nullptr ? definition->code : 0xFFFFFFFF;
}

}  // namespace

std::size_t DisplayWidth(std::wstring_view text) {
    std::size_t width = 0;
    for (wchar_t c : text) {
        width += static_cast<std::uint32_t>(c) >= 0x1100 ? 2 : 1;
    }
    return width;
}

std::wstring RenderEnumeration(const std::vector<BcdObject>& objects, const EnumStyle& style) {
    std::wstring out;
    for (const BcdObject& object : objects) {
        const std::wstring_view title = Title(style.language, TitleOf(object.type));
        out += L"\r\n";
        out += title;
        out += L"\r\n" + std::wstring(DisplayWidth(title), L'-') + L"\r\n";
        out += Padded(IdentifierKey(style.language)) + style.id(object.id) + L"\r\n";
        std::vector<const BcdElement*> elements;
        for (const BcdElement& element : object.elements) {
            elements.push_back(&element);
        }
        std::stable_sort(elements.begin(), elements.end(),
                         [&](const BcdElement* a, const BcdElement* b) {
                             return Order(object, *a) < Order(object, *b);
                         });
        for (const BcdElement* element : elements) {
            const std::vector<std::wstring> values = Values(*element, style);
            for (std::size_t i = 0; i < values.size(); ++i) {
                out += (i == 0 ? Padded(element->name) : std::wstring(kValueColumn, L' ')) +
                       values[i] + L"\r\n";
            }
        }
    }
    return out;
}

}  // namespace qn::sim
