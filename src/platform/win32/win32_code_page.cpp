#include "platform/win32/win32_code_page.h"

#include <windows.h>

namespace qn::win32 {
namespace {

UINT ToWin32(CodePageKind kind) {
    switch (kind) {
        case CodePageKind::Ansi:
            return CP_ACP;
        case CodePageKind::ThreadAnsi:
            return CP_THREAD_ACP;
        case CodePageKind::Oem:
            return CP_OEMCP;
    }
    return CP_ACP;
}

}  // namespace

unsigned Win32CodePage::Page(CodePageKind kind) const {
    const unsigned fixed = kind == CodePageKind::Oem ? oem_ : ansi_;
    return fixed != 0 ? fixed : ToWin32(kind);
}

std::string Win32CodePage::FromWide(std::wstring_view text, CodePageKind kind) {
    if (text.empty()) {
        return {};
    }
    const UINT cp = Page(kind);
    const int length = static_cast<int>(text.size());
    int needed = WideCharToMultiByte(cp, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(cp, 0, text.data(), length, out.data(), needed, nullptr, nullptr) !=
        needed) {
        return {};
    }
    return out;
}

std::wstring Win32CodePage::ToWide(std::string_view text, CodePageKind kind) {
    if (text.empty()) {
        return {};
    }
    const UINT cp = Page(kind);
    const int length = static_cast<int>(text.size());
    int needed = MultiByteToWideChar(cp, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring out(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(cp, 0, text.data(), length, out.data(), needed) != needed) {
        return {};
    }
    return out;
}

unsigned Win32CodePage::Number(CodePageKind kind) {
    if (const unsigned fixed = kind == CodePageKind::Oem ? oem_ : ansi_; fixed != 0) {
        return fixed;
    }
    switch (kind) {
        case CodePageKind::Ansi:
            return GetACP();
        case CodePageKind::ThreadAnsi: {
            // CP_THREAD_ACP is the ANSI code page of the thread's locale.
            wchar_t buffer[8] = {};
            if (GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, buffer, 8) > 0) {
                unsigned cp = static_cast<unsigned>(_wtoi(buffer));
                if (cp != 0) {
                    return cp;
                }
            }
            return GetACP();
        }
        case CodePageKind::Oem:
            return GetOEMCP();
    }
    return GetACP();
}

}  // namespace qn::win32
