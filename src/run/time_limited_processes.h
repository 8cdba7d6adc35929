#pragma once

#include <cstdint>
#include <string>

#include "platform/process_launcher.h"

namespace qn {

// How long a boot tool may run before the program gives up on it. bcdedit, bcdboot and bootsect
// finish in a few seconds even on slow disks and USB sticks; one that has not ended after a
// minute waits on something that will not come (a store on a failing disk, a volume another
// program holds), and the user should hear so rather than watch a page that never finishes.
inline constexpr std::uint32_t kToolRunTimeoutMs = 60'000;

// Passes every run on, giving each captured run at most limitMs (a caller's shorter limit still
// holds). Shell runs wait as before.
class TimeLimitedProcesses final : public ProcessLauncher {
public:
    TimeLimitedProcesses(ProcessLauncher& inner, std::uint32_t limitMs)
        : inner_(inner), limitMs_(limitMs) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
    ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                    std::uint32_t timeoutMs) override;

private:
    ProcessLauncher& inner_;
    std::uint32_t limitMs_;
};

}  // namespace qn
