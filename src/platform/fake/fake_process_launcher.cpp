#include "platform/fake/fake_process_launcher.h"

namespace qn::fake {

FakeProcessLauncher::Reply FakeProcessLauncher::Next() {
    if (replies_.empty()) {
        return Reply{false, 0, {}};
    }
    Reply reply = std::move(replies_.front());
    replies_.pop_front();
    return reply;
}

ProcessResult FakeProcessLauncher::StartThroughShell(const ShellRequest& request) {
    calls_.push_back(Call{false, {}, request});
    const Reply reply = Next();
    ProcessResult result;
    result.started = reply.started;
    result.exitCodeKnown = reply.started && request.wait;
    result.exitCode = result.exitCodeKnown ? reply.exitCode : 0;
    return result;
}

ProcessResult FakeProcessLauncher::RunCaptured(const std::wstring& commandLine,
                                               std::string& output) {
    return RunCapturedWithin(commandLine, output, kNoTimeLimit);
}

ProcessResult FakeProcessLauncher::RunCapturedWithin(const std::wstring& commandLine,
                                                     std::string& output, std::uint32_t timeoutMs) {
    calls_.push_back(Call{true, commandLine, {}, timeoutMs});
    const Reply reply = Next();
    ProcessResult result;
    if (!reply.started) {
        return result;
    }
    output += reply.output;
    result.started = true;
    if (timeoutMs != kNoTimeLimit && reply.takesMs > timeoutMs) {
        result.timedOut = true;
        return result;
    }
    result.exitCodeKnown = true;
    result.exitCode = reply.exitCode;
    return result;
}

}  // namespace qn::fake
