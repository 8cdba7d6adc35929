#include "run/time_limited_processes.h"

#include <algorithm>

namespace qn {

ProcessResult TimeLimitedProcesses::StartThroughShell(const ShellRequest& request) {
    return inner_.StartThroughShell(request);
}

ProcessResult TimeLimitedProcesses::RunCaptured(const std::wstring& commandLine,
                                                std::string& output) {
    return inner_.RunCapturedWithin(commandLine, output, limitMs_);
}

ProcessResult TimeLimitedProcesses::RunCapturedWithin(const std::wstring& commandLine,
                                                      std::string& output,
                                                      std::uint32_t timeoutMs) {
    return inner_.RunCapturedWithin(commandLine, output, std::min(timeoutMs, limitMs_));
}

}  // namespace qn
