#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/process_launcher.h"

namespace qn {

// One program a repair ran, as its log shows it.
struct ToolRun {
    std::wstring commandLine;
    ProcessResult result;
    std::string output;          // the bytes it wrote (captured runs)
    std::wstring decodedOutput;  // the same in the console code page

    bool Succeeded() const {
        return result.started && result.exitCodeKnown && result.exitCode == 0;
    }
};

// Passes every run on to the real launcher and keeps a record of it, so a run's log shows each
// command line, exit code and output without every caller having to collect them.
class RecordingProcesses final : public ProcessLauncher {
public:
    RecordingProcesses(ProcessLauncher& inner, CodePage& codePage)
        : inner_(inner), codePage_(codePage) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
    ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                    std::uint32_t timeoutMs) override;

    std::vector<ToolRun> Runs() const;
    // The last run recorded; empty when none.
    ToolRun Last() const;

private:
    ProcessResult Record(ToolRun run, std::string& output);

    ProcessLauncher& inner_;
    CodePage& codePage_;
    mutable std::mutex lock_;
    std::vector<ToolRun> runs_;
};

}  // namespace qn
