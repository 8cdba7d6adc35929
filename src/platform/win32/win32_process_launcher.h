#pragma once

#include "platform/process_launcher.h"

namespace qn::win32 {

class Win32ProcessLauncher : public ProcessLauncher {
public:
    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
    // A child that outlives the limit is terminated; its pipe's reader is then waited for as
    // after any child's end.
    ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                    std::uint32_t timeoutMs) override;
};

}  // namespace qn::win32
