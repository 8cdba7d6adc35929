// What Windows itself reads from a program's version resource (GetFileVersionInfoW and
// VerQueryValueW, as Explorer's properties page does), printed as UTF-8 "name=value" lines for
// check_version_resource.py. Exit code 2 when the program has no readable version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Straight to the handle: the C runtime's text mode would turn the UTF-8 bytes into ANSI ones.
void Print(const std::wstring& name, const std::wstring& value) {
    const std::wstring line = name + L"=" + value + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

std::wstring Dotted(DWORD most, DWORD least) {
    return std::to_wstring(HIWORD(most)) + L"." + std::to_wstring(LOWORD(most)) + L"." +
           std::to_wstring(HIWORD(least)) + L"." + std::to_wstring(LOWORD(least));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: qn_version_probe PROGRAM\n", stderr);
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
    if (size == 0) {
        std::fprintf(stderr, "no version resource (error %lu)\n", GetLastError());
        return 2;
    }
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(argv[1], 0, size, data.data())) {
        std::fprintf(stderr, "GetFileVersionInfoW failed (error %lu)\n", GetLastError());
        return 2;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        std::fputs("no fixed file info\n", stderr);
        return 2;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    Print(L"fixedFileVersion", Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    Print(L"fixedProductVersion", Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS));

    // The strings are looked up as Explorer does: under the first translation the file lists.
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD)) {
        std::fputs("no translation\n", stderr);
        return 2;
    }
    const auto* translation = static_cast<const WORD*>(value);
    wchar_t table[16];
    swprintf(table, 16, L"%04x%04x", translation[0], translation[1]);
    Print(L"translation", table);
    for (const wchar_t* name :
         {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
          L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
        if (VerQueryValueW(data.data(), path.c_str(), &value, &length) && length > 0) {
            Print(name, static_cast<const wchar_t*>(value));
        }
    }
    return 0;
}
