#pragma once

#include "inspect_environment.h"
#include "platform/win32/win32_profile_file.h"
#include "platform/win32/win32_random_source.h"

namespace qn::inspect {

// The program's own Win32 adapters: boot.ini is read by the real profile functions.
class Win32InspectEnvironment : public InspectEnvironment {
public:
    std::optional<std::string> ReadFile(const std::string& utf8Path) override;
    std::unique_ptr<CodePage> NumberedCodePage(unsigned number) override;
    ProfileFile& Profile() override { return profile_; }
    std::wstring NativePath(const std::string& utf8Path) override;
    RandomSource& Random() override { return random_; }

private:
    win32::Win32ProfileFile profile_;
    win32::Win32RandomSource random_;
};

}  // namespace qn::inspect
