#pragma once

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
    };
    struct Call {
        bool captured = false;
        std::wstring commandLine;  // captured runs
        ShellRequest shell;        // shell runs
    };

    void Script(Reply reply) { replies_.push_back(std::move(reply)); }
    const std::vector<Call>& Calls() const { return calls_; }

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;

private:
    Reply Next();

    std::deque<Reply> replies_;
    std::vector<Call> calls_;
};

}  // namespace qn::fake
