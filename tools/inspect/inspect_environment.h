#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/code_page.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"

namespace qn::inspect {

// What the tool needs of the system it runs on; posix/ and win32/ each provide one.
class InspectEnvironment {
public:
    virtual ~InspectEnvironment() = default;

    // The whole file; nullopt when it cannot be read.
    virtual std::optional<std::string> ReadFile(const std::string& utf8Path) = 0;
    // Converts with this code page for every kind; null when the system does not know it.
    virtual std::unique_ptr<CodePage> NumberedCodePage(unsigned number) = 0;
    // boot.ini is read through this, with the path as NativePath gives it.
    virtual ProfileFile& Profile() = 0;
    virtual std::wstring NativePath(const std::string& utf8Path) = 0;
    virtual RandomSource& Random() = 0;
};

}  // namespace qn::inspect
