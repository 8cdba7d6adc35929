#include "run/recording_processes.h"

namespace qn {

ProcessResult RecordingProcesses::StartThroughShell(const ShellRequest& request) {
    ToolRun run;
    run.commandLine = request.file + L" " + request.parameters;
    run.result = inner_.StartThroughShell(request);
    std::lock_guard<std::mutex> guard(lock_);
    runs_.push_back(std::move(run));
    return runs_.back().result;
}

ProcessResult RecordingProcesses::RunCaptured(const std::wstring& commandLine,
                                              std::string& output) {
    ToolRun run;
    run.commandLine = commandLine;
    run.result = inner_.RunCaptured(commandLine, run.output);
    return Record(std::move(run), output);
}

ProcessResult RecordingProcesses::RunCapturedWithin(const std::wstring& commandLine,
                                                    std::string& output, std::uint32_t timeoutMs) {
    ToolRun run;
    run.commandLine = commandLine;
    run.result = inner_.RunCapturedWithin(commandLine, run.output, timeoutMs);
    return Record(std::move(run), output);
}

ProcessResult RecordingProcesses::Record(ToolRun run, std::string& output) {
    output += run.output;
    // Console tools write redirected output in the OEM code page.
    run.decodedOutput = codePage_.ToWide(run.output, CodePageKind::Oem);
    std::lock_guard<std::mutex> guard(lock_);
    runs_.push_back(std::move(run));
    return runs_.back().result;
}

std::vector<ToolRun> RecordingProcesses::Runs() const {
    std::lock_guard<std::mutex> guard(lock_);
    return runs_;
}

ToolRun RecordingProcesses::Last() const {
    std::lock_guard<std::mutex> guard(lock_);
    return runs_.empty() ? ToolRun{} : runs_.back();
}

}  // namespace qn
