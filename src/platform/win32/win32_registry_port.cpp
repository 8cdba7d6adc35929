#include "platform/win32/win32_registry_port.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/unique_reg_key.h"

namespace qn::win32 {
namespace {

// Longer than any product name or version; larger values are read at their own size.
constexpr DWORD kValueBuffer = 1024;

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(UniqueRegKey key) : key_(std::move(key)) {}

    std::wstring ReadString(const std::wstring& valueName) override {
        std::vector<BYTE> buffer(kValueBuffer, 0);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(buffer.size());
        LSTATUS status =
            RegQueryValueExW(key_.Get(), valueName.c_str(), nullptr, &type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.assign(size, 0);
            status = RegQueryValueExW(key_.Get(), valueName.c_str(), nullptr, &type, buffer.data(),
                                      &size);
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return {};
        }
        // The stored text need not be terminated, and may carry more than one terminator: take
        // the returned bytes, then stop at the first zero.
        std::wstring text(size / sizeof(wchar_t), L'\0');
        std::copy_n(buffer.data(), text.size() * sizeof(wchar_t),
                    reinterpret_cast<BYTE*>(text.data()));
        const std::size_t end = text.find(L'\0');
        if (end != std::wstring::npos) {
            text.resize(end);
        }
        return text;
    }

private:
    UniqueRegKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32RegistryPort::OpenKey(RegistryRoot root,
                                                        const std::wstring& subKey) {
    const HKEY predefined = root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
    HKEY key = nullptr;
    if (RegOpenKeyExW(predefined, subKey.c_str(), 0, kRegistryReadAccess, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(UniqueRegKey(key));
}

}  // namespace qn::win32
