#pragma once

#include "inspect_environment.h"

namespace qn::inspect {

// Files through stdio, code pages through iconv, boot.ini read by the profile rules over the
// file's text in the ANSI code page of Chinese Windows (936).
class PosixEnvironment : public InspectEnvironment {
public:
    PosixEnvironment();
    ~PosixEnvironment() override;

    std::optional<std::string> ReadFile(const std::string& utf8Path) override;
    std::unique_ptr<CodePage> NumberedCodePage(unsigned number) override;
    ProfileFile& Profile() override;
    std::wstring NativePath(const std::string& utf8Path) override;
    RandomSource& Random() override;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace qn::inspect
