#pragma once

#include <string>
#include <vector>

#include "platform/process_launcher.h"
#include "sim/tool_run.h"

namespace qn::sim {

class SimMachine;

// Child processes on the simulated machine. A program starts only when its file exists there;
// "cmd.exe /c reg load|unload" act on the simulated registry with the hive of the volume named;
// bcdedit.exe, bcdboot.exe and bootsect.exe, wherever they were put, run as stand-ins over the
// machine with their arguments split as the real tool's runtime splits them, print in the
// scenario's language and console code page, and end with the real tool's exit code. Anything
// else does not start. Every run is journaled with its arguments, exit code and output.
class SimProcessLauncher final : public ProcessLauncher {
public:
    explicit SimProcessLauncher(SimMachine& machine) : machine_(machine) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;

private:
    ProcessResult Run(const std::wstring& program, const std::wstring& parameters,
                      const std::vector<std::wstring>& arguments, const std::wstring& journalText,
                      bool captured, std::string& output);
    ProcessResult RunCmd(const std::wstring& parameters);
    std::wstring Resolve(const std::wstring& program) const;

    SimMachine& machine_;
};

}  // namespace qn::sim
