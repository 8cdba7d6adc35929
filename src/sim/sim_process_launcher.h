#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/process_launcher.h"
#include "sim/scenario.h"
#include "sim/tool_run.h"

namespace qn::sim {

class SimMachine;

// Child processes on the simulated machine. A program starts only when its file exists there;
// "cmd.exe /c reg load|unload" act on the simulated registry with the hive of the volume named;
// bcdedit.exe, bcdboot.exe and bootsect.exe, wherever they were put, run as stand-ins over the
// machine with their arguments split as the real tool's runtime splits them, print in the
// scenario's language and console code page, and end with the real tool's exit code. Anything
// else does not start. Every run is journaled with its arguments, exit code and output.
// The scenario's slow runs of a stand-in really take their time before the tool does its work;
// one whose caller allows less is ended when that time is up, having done nothing ("-> timed
// out" in the journal).
class SimProcessLauncher final : public ProcessLauncher {
public:
    // Takes the scenario's slow runs from the machine, which must have read its scenario.
    explicit SimProcessLauncher(SimMachine& machine);

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;
    ProcessResult RunCapturedWithin(const std::wstring& commandLine, std::string& output,
                                    std::uint32_t timeoutMs) override;

private:
    ProcessResult Run(const std::wstring& program, const std::wstring& parameters,
                      const std::vector<std::wstring>& arguments, const std::wstring& journalText,
                      bool captured, std::uint32_t timeoutMs, std::string& output);
    ProcessResult RunCmd(const std::wstring& parameters);
    std::wstring Resolve(const std::wstring& program) const;
    // How long this run of tool takes before it does its work; the slow run is used up.
    std::uint32_t TakeDelay(const std::wstring& tool, const std::vector<std::wstring>& arguments);

    SimMachine& machine_;
    std::mutex slowLock_;                    // runs come from the program's workers
    std::vector<ScenarioSlowRun> slowRuns_;  // times counts down; 0 stays for ever
};

}  // namespace qn::sim
