#pragma once

#include "platform/code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/profile_file.h"

namespace qn::fake {

// The profile functions over the files of a FakeFileSystem, in its ANSI code page, so reading,
// writing, copying and attributes all act on the same in-memory files.
class FakeProfileFile : public ProfileFile {
public:
    FakeProfileFile(FakeFileSystem& files, CodePage& codePage)
        : files_(files), codePage_(codePage) {}

    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback, const std::wstring& path) override;
    std::vector<std::wstring> ReadSection(const std::wstring& section,
                                          const std::wstring& path) override;
    bool WriteString(const std::wstring& section, const std::wstring& key,
                     const std::wstring& value, const std::wstring& path) override;

private:
    std::wstring TextOf(const std::wstring& path) const;

    FakeFileSystem& files_;
    CodePage& codePage_;
};

}  // namespace qn::fake
