#pragma once

#include "platform/process_launcher.h"

namespace qn::win32 {

class Win32ProcessLauncher : public ProcessLauncher {
public:
    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
};

}  // namespace qn::win32
