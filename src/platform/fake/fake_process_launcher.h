#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/process_launcher.h"

namespace qn::fake {

// Scripted child processes. Each call takes the next scripted reply (in order); with none left,
// the program "does not start". Every call is recorded, so tests assert on the exact command
// lines and shell requests the code under test issued.
class FakeProcessLauncher : public ProcessLauncher {
public:
    struct Reply {
        bool started = true;
        unsigned long exitCode = 0;
        std::string output;  // what the child writes (captured runs only)
        // How long the child would run: past a captured run's limit it times out, having
        // written its output but with no exit code. Nothing waits that long.
        std::uint32_t takesMs = 0;
    };
    struct Call {
        bool captured = false;
        std::wstring commandLine;                // captured runs
        ShellRequest shell;                      // shell runs
        std::uint32_t timeoutMs = kNoTimeLimit;  // the captured run's limit
    };

    void Script(Reply reply) { replies_.push_back(std::move(reply)); }
    const std::vector<Call>& Calls() const { return calls_; }

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
    ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                    std::uint32_t timeoutMs) override;

private:
    Reply Next();

    std::deque<Reply> replies_;
    std::vector<Call> calls_;
};

}  // namespace qn::fake
