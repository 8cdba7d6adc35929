#include "platform/win32/win32_process_launcher.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace qn::win32 {
namespace {

// Pipe size suggested to CreatePipe and the most one read takes.
constexpr DWORD kPipeChunk = 260;
// After the child has ended, how long the reader may still drain the pipe. Only a grandchild
// that inherited the write end keeps the pipe open longer; we stop reading then.
constexpr DWORD kDrainAfterExitMs = 2000;

// Shared by the runner and its reader thread. Whoever leaves last frees it, so a reader that is
// abandoned (see kDrainAfterExitMs) never touches freed memory.
struct ReaderState {
    UniqueHandle readEnd;
    std::mutex lock;
    std::string bytes;
};

DWORD WINAPI ReaderMain(void* parameter) {
    std::unique_ptr<std::shared_ptr<ReaderState>> owner(
        static_cast<std::shared_ptr<ReaderState>*>(parameter));
    ReaderState& state = **owner;
    char buffer[kPipeChunk];
    for (;;) {
        DWORD read = 0;
        // Fails with ERROR_BROKEN_PIPE once every write end is closed: the child has ended.
        if (!ReadFile(state.readEnd.Get(), buffer, kPipeChunk, &read, nullptr)) {
            break;
        }
        std::lock_guard<std::mutex> guard(state.lock);
        state.bytes.append(buffer, read);  // every byte read, NULs included
    }
    return 0;
}

// ShellExecuteEx may hand the request to shell extensions, which are COM objects: the calling
// thread, which may be any worker, has COM initialised for the call (and as it was after).
class ScopedCom {
public:
    ScopedCom()
        : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ScopedCom() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    HRESULT result_;
};

unsigned long ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    return GetExitCodeProcess(process, &code) ? code : static_cast<unsigned long>(-1);
}

}  // namespace

ProcessResult Win32ProcessLauncher::StartThroughShell(const ShellRequest& request) {
    const ScopedCom com;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | (request.noUi ? SEE_MASK_FLAG_NO_UI : 0);
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.c_str();
    info.nShow = request.show ? SW_SHOW : SW_HIDE;
    ProcessResult result;
    if (!ShellExecuteExW(&info)) {
        return result;
    }
    result.started = true;
    // No process handle when the shell handed the request to a running program (DDE).
    UniqueHandle process(info.hProcess);
    if (request.wait && process) {
        WaitForSingleObject(process.Get(), INFINITE);
        result.exitCode = ExitCodeOf(process.Get());
        result.exitCodeKnown = true;
    }
    return result;
}

ProcessResult Win32ProcessLauncher::RunCaptured(const std::wstring& commandLine,
                                                std::string& output) {
    return RunCapturedWithin(commandLine, output, kNoTimeLimit);
}

ProcessResult Win32ProcessLauncher::RunCapturedWithin(const std::wstring& commandLine,
                                                      std::string& output,
                                                      std::uint32_t timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, kPipeChunk)) {
        return result;
    }
    auto state = std::make_shared<ReaderState>();
    state->readEnd.Reset(readRaw);
    UniqueHandle writeEnd(writeRaw);
    // The child must inherit only the write end; an inherited read end would keep the pipe
    // alive after the child ends and the reader would never see the end of the output.
    SetHandleInformation(readRaw, HANDLE_FLAG_INHERIT, 0);

    // Reading starts before the child so that a child writing more than the pipe holds never
    // blocks.
    auto* parameter = new std::shared_ptr<ReaderState>(state);
    UniqueHandle reader(CreateThread(nullptr, 0, ReaderMain, parameter, 0, nullptr));
    if (!reader) {
        delete parameter;
        return result;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    PROCESS_INFORMATION child{};
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    const BOOL started = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &child);
    // Our copy of the write end goes now: the pipe then breaks as soon as the child has ended.
    writeEnd.Reset();

    if (started) {
        UniqueHandle process(child.hProcess);
        UniqueHandle thread(child.hThread);
        result.started = true;
        const DWORD wait = timeoutMs == kNoTimeLimit ? INFINITE : static_cast<DWORD>(timeoutMs);
        if (WaitForSingleObject(process.Get(), wait) == WAIT_TIMEOUT) {
            // Ended here, and waited for: only a child that is gone has closed its end of the
            // pipe, which lets the reader finish.
            TerminateProcess(process.Get(), kTimedOutExitCode);
            WaitForSingleObject(process.Get(), kDrainAfterExitMs);
            result.timedOut = true;
        } else {
            result.exitCodeKnown = true;
            result.exitCode = ExitCodeOf(process.Get());
        }
    }

    if (WaitForSingleObject(reader.Get(), kDrainAfterExitMs) != WAIT_OBJECT_0) {
        CancelSynchronousIo(reader.Get());
        WaitForSingleObject(reader.Get(), kDrainAfterExitMs);
    }
    std::lock_guard<std::mutex> guard(state->lock);
    output.append(state->bytes);
    state->bytes.clear();
    return result;
}

}  // namespace qn::win32
