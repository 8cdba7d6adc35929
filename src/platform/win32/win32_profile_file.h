#pragma once

#include "platform/profile_file.h"

namespace qn::win32 {

class Win32ProfileFile : public ProfileFile {
public:
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback, const std::wstring& path) override;
    std::vector<std::wstring> ReadSection(const std::wstring& section,
                                          const std::wstring& path) override;
    bool WriteString(const std::wstring& section, const std::wstring& key,
                     const std::wstring& value, const std::wstring& path) override;
};

}  // namespace qn::win32
