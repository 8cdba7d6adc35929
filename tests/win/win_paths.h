#pragma once

#include <windows.h>

#include <string>

namespace qn::test {

inline std::wstring ThisExecutable() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

// A fresh folder under the prefix's temp folder for one test.
inline std::wstring FreshTempFolder(const wchar_t* tag) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"qn_" + tag + L"_" +
                        std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(GetTickCount());
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

}  // namespace qn::test
