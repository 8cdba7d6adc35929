#include "boot/command_runner.h"

namespace qn {

ShellRequest MakeShellRequest(const std::wstring& program, const std::wstring& parameters,
                              bool wait, bool show, bool noUi) {
    ShellRequest request;
    request.file = L"\"" + program + L"\"";
    request.parameters = parameters;
    request.wait = wait;
    request.show = show;
    request.noUi = noUi;
    return request;
}

ProcessResult ShellRun(ProcessLauncher& processes, const std::wstring& program,
                       const std::wstring& parameters, bool wait, bool show, bool noUi) {
    return processes.StartThroughShell(MakeShellRequest(program, parameters, wait, show, noUi));
}

ProcessResult RunCaptured(ProcessLauncher& processes, const std::wstring& commandLine,
                          std::string& output) {
    std::string captured;
    ProcessResult result = processes.RunCaptured(commandLine, captured);
    output += captured;
    return result;
}

}  // namespace qn
