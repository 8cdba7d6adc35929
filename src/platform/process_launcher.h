#pragma once

#include <string>

namespace qn {

// What became of a started program. Callers that report to the user need both: a tool that never
// started is a different failure from a tool that ran and failed.
struct ProcessResult {
    bool started = false;
    bool exitCodeKnown = false;  // false when the caller chose not to wait
    unsigned long exitCode = 0;
};

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
};

}  // namespace qn
