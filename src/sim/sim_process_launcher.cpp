#include "sim/sim_process_launcher.h"

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <thread>

#include "sim/command_line_args.h"
#include "sim/glob_match.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"
#include "sim/stand_in_tools.h"

namespace qn::sim {
namespace {

std::wstring Unquoted(std::wstring text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::wstring FileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return LowerCase(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

// The parameter string of a whole command line: what follows the program name.
std::wstring AfterProgram(const std::wstring& commandLine) {
    std::size_t at = commandLine.find_first_not_of(L" \t");
    if (at == std::wstring::npos) {
        return {};
    }
    if (commandLine[at] == L'"') {
        const std::size_t close = commandLine.find(L'"', at + 1);
        at = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find_first_of(L" \t", at);
        at = at == std::wstring::npos ? commandLine.size() : at;
    }
    const std::size_t rest = commandLine.find_first_not_of(L" \t", at);
    return rest == std::wstring::npos ? std::wstring() : commandLine.substr(rest);
}

// Output lines for the journal, so a reader sees what each tool said.
void RecordOutput(SimMachine& machine, const std::string& output) {
    if (output.empty()) {
        return;
    }
    const std::wstring text = machine.Text().ToWide(output, CodePageKind::Oem);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        machine.Record(L"  > " + line);
        start = end + 1;
    }
}

}  // namespace

SimProcessLauncher::SimProcessLauncher(SimMachine& machine)
    : machine_(machine), slowRuns_(machine.Description().slowRuns) {}

std::uint32_t SimProcessLauncher::TakeDelay(const std::wstring& tool,
                                            const std::vector<std::wstring>& arguments) {
    std::wstring joined;
    for (const std::wstring& argument : arguments) {
        joined += (joined.empty() ? L"" : L" ") + argument;
    }
    std::lock_guard<std::mutex> guard(slowLock_);
    for (auto it = slowRuns_.begin(); it != slowRuns_.end(); ++it) {
        if (LowerCase(it->tool) != LowerCase(tool) || !GlobMatch(it->pattern, joined)) {
            continue;
        }
        const std::uint32_t ms = it->ms;
        if (it->times > 0 && --it->times == 0) {
            slowRuns_.erase(it);
        }
        return ms;
    }
    return 0;
}

std::wstring SimProcessLauncher::Resolve(const std::wstring& program) const {
    // A bare name is looked for where CreateProcess would find the tools: System32.
    if (program.find_first_of(L"\\/:") != std::wstring::npos) {
        return program;
    }
    std::wstring name = program;
    if (name.find(L'.') == std::wstring::npos) {
        name += L".exe";
    }
    const std::wstring system = machine_.Files().FolderPath(KnownFolder::System);
    return system.empty() ? name : system + L"\\" + name;
}

ProcessResult SimProcessLauncher::StartThroughShell(const ShellRequest& request) {
    const std::wstring file = Unquoted(request.file);
    std::string discarded;  // a hidden console's output goes nowhere
    ProcessResult result =
        Run(file, request.parameters, SplitArguments(request.parameters),
            L"run " + file + L" " + request.parameters, false, kNoTimeLimit, discarded);
    if (!request.wait) {
        result.exitCodeKnown = false;
    }
    return result;
}

ProcessResult SimProcessLauncher::RunCaptured(const std::wstring& commandLine,
                                              std::string& output) {
    return RunCapturedWithin(commandLine, output, kNoTimeLimit);
}

ProcessResult SimProcessLauncher::RunCapturedWithin(const std::wstring& commandLine,
                                                    std::string& output, std::uint32_t timeoutMs) {
    const std::vector<std::wstring> argv = SplitCommandLine(commandLine);
    if (argv.empty()) {
        machine_.Record(L"capture " + commandLine + L" -> not started");
        return {};
    }
    return Run(argv.front(), AfterProgram(commandLine),
               std::vector<std::wstring>(argv.begin() + 1, argv.end()), L"capture " + commandLine,
               true, timeoutMs, output);
}

ProcessResult SimProcessLauncher::Run(const std::wstring& program, const std::wstring& parameters,
                                      const std::vector<std::wstring>& arguments,
                                      const std::wstring& journalText, bool captured,
                                      std::uint32_t timeoutMs, std::string& output) {
    const std::wstring path = Resolve(program);
    const std::wstring name = FileName(path);
    ProcessResult result;
    ToolRun run;
    run.captured = captured;
    run.program = program;
    run.arguments = arguments;
    if (machine_.Files().IsFile(path)) {
        if (name == L"cmd.exe") {
            result = RunCmd(parameters);
        } else if (name == L"bcdedit.exe" || name == L"bcdboot.exe" || name == L"bootsect.exe") {
            const std::wstring tool = name.substr(0, name.size() - 4);
            const std::uint32_t delay = TakeDelay(tool, arguments);
            if (delay > timeoutMs) {
                // Ended by its caller before it did anything.
                std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
                result.started = true;
                result.timedOut = true;
                run.started = true;
                run.exitCode = kTimedOutExitCode;
                machine_.Record(journalText + L" -> timed out");
                machine_.RecordRun(std::move(run));
                return result;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            std::optional<ToolOutcome> outcome = machine_.TakeInjectedFailure(tool, arguments);
            if (!outcome) {
                outcome = tool == L"bcdedit"   ? RunBcdedit(machine_, arguments)
                          : tool == L"bcdboot" ? RunBcdboot(machine_, arguments)
                                               : RunBootsect(machine_, arguments);
            }
            run.output = machine_.Text().FromWide(outcome->text, CodePageKind::Oem);
            result.started = true;
            result.exitCodeKnown = true;
            result.exitCode = outcome->exitCode;
        }
    }
    run.started = result.started;
    run.exitCode = result.exitCode;
    if (captured) {
        output += run.output;
    }
    const std::wstring outcome =
        result.started ? L" -> " + std::to_wstring(result.exitCode) : L" -> not started";
    machine_.Record(journalText + outcome);
    RecordOutput(machine_, run.output);
    machine_.RecordRun(std::move(run));
    return result;
}

ProcessResult SimProcessLauncher::RunCmd(const std::wstring& parameters) {
    ProcessResult result;
    result.started = true;
    result.exitCodeKnown = true;
    const std::wstring lower = LowerCase(parameters);
    const std::wstring load = L"/c reg load hku\\software ";
    // reg.exe loads and unloads by the registry's own rules (see SimRegistry).
    SimRegistry& registry = machine_.Registry();
    if (lower.rfind(load, 0) == 0) {
        const std::wstring hive = parameters.substr(load.size());
        result.exitCode = registry.LoadInstallationHive(L"Software", hive) == 0 ? 0 : 1;
        return result;
    }
    if (lower == L"/c reg unload hku\\software") {
        result.exitCode = registry.UnloadInstallationHive(L"Software") == 0 ? 0 : 1;
        return result;
    }
    result.exitCode = 1;  // cmd.exe ran something this machine does not know
    return result;
}

}  // namespace qn::sim
