#include "win32_inspect_environment.h"

#include <windows.h>

#include "boot/utf8_text.h"
#include "platform/win32/unique_handle.h"

namespace qn::inspect {
namespace {

// One code page for every kind, through the system's own conversion.
class Win32NumberedCodePage : public CodePage {
public:
    explicit Win32NumberedCodePage(UINT number) : number_(number) {}

    std::string FromWide(std::wstring_view text, CodePageKind) override {
        const int length = static_cast<int>(text.size());
        const int needed =
            WideCharToMultiByte(number_, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        if (text.empty() || needed <= 0) {
            return {};
        }
        std::string out(static_cast<std::size_t>(needed), '\0');
        WideCharToMultiByte(number_, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
        return out;
    }
    std::wstring ToWide(std::string_view text, CodePageKind) override {
        const int length = static_cast<int>(text.size());
        const int needed = MultiByteToWideChar(number_, 0, text.data(), length, nullptr, 0);
        if (text.empty() || needed <= 0) {
            return {};
        }
        std::wstring out(static_cast<std::size_t>(needed), L'\0');
        MultiByteToWideChar(number_, 0, text.data(), length, out.data(), needed);
        return out;
    }
    unsigned Number(CodePageKind) override { return number_; }

private:
    UINT number_;
};

}  // namespace

std::optional<std::string> Win32InspectEnvironment::ReadFile(const std::string& utf8Path) {
    win32::UniqueHandle file(CreateFileW(NativePath(utf8Path).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(buffer, read);
    }
}

std::unique_ptr<CodePage> Win32InspectEnvironment::NumberedCodePage(unsigned number) {
    if (!IsValidCodePage(number)) {
        return nullptr;
    }
    return std::make_unique<Win32NumberedCodePage>(number);
}

std::wstring Win32InspectEnvironment::NativePath(const std::string& utf8Path) {
    return Utf8ToWide(utf8Path);
}

}  // namespace qn::inspect
