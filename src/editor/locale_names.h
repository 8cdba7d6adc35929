#pragma once

#include <array>
#include <string_view>

namespace qn {

// The items of every row's locale combo box, in this order.
inline constexpr std::array<std::wstring_view, 35> kLocaleNames{
    L"zh-CN", L"zh-HK", L"zh-TW", L"zh-MO", L"zh-SG", L"en-GB", L"en-US", L"es-ES", L"et-EE",
    L"fi-FI", L"bg-BG", L"cs-CZ", L"da-DK", L"de-DE", L"el-GR", L"fr-FR", L"hr-HR", L"hu-HU",
    L"it-IT", L"ja-JP", L"ko-KR", L"lt-LT", L"lv-LV", L"nb-NO", L"nl-NL", L"pl-PL", L"pt-BR",
    L"pt-PT", L"ro-RO", L"ru-RU", L"sk-SK", L"sl-SI", L"sv-SE", L"tr-TR", L"uk-UA"};

// The index of name among kLocaleNames (exact comparison); -1 when it is not one of them.
int LocaleIndex(std::wstring_view name);

}  // namespace qn
