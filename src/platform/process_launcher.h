#pragma once

#include <cstdint>
#include <string>

namespace qn {

// What became of a started program. Callers that report to the user need both: a tool that never
// started is a different failure from a tool that ran and failed.
struct ProcessResult {
    bool started = false;
    bool exitCodeKnown = false;  // false when the caller chose not to wait, or it timed out
    unsigned long exitCode = 0;
    // It did not end within its time limit and was ended; what it changed is not known.
    bool timedOut = false;
};

// RunCapturedWithin's limit for a run that may take as long as it takes.
inline constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFF;
// The exit code a launcher ends a child with when its time is up (ERROR_TIMEOUT), so the child's
// own end is never mistaken for a result.
inline constexpr unsigned long kTimedOutExitCode = 1460;

struct ShellRequest {
    std::wstring file;        // as given to ShellExecuteEx, already quoted
    std::wstring parameters;  // the parameter string
    bool wait = true;
    bool show = false;
    bool noUi = false;  // SEE_MASK_FLAG_NO_UI
};

// Starts child processes. Both calls block until the child has ended (unless told not to wait).
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Through the shell (ShellExecuteEx).
    virtual ProcessResult StartThroughShell(const ShellRequest& request) = 0;

    // A hidden child whose standard output and standard error both go to one pipe; every byte
    // read is appended to output as it arrives.
    virtual ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) = 0;

    // The same, but a child still running after timeoutMs is ended and the result says timedOut
    // (output holds what it wrote until then). Launchers whose runs cannot hang (plans, replays)
    // keep this default, which waits as RunCaptured does.
    virtual ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                            std::uint32_t timeoutMs) {
        static_cast<void>(timeoutMs);
        return RunCaptured(commandLine, output);
    }
};

}  // namespace qn
