#include <windows.h>

#include <objbase.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "boot/command_runner.h"
#include "child_process.h"
#include "platform/win32/win32_process_launcher.h"
#include "win_paths.h"

namespace qn {
namespace {

std::wstring ChildCommand(const std::wstring& args) {
    return L"\"" + test::ThisExecutable() + L"\" --child " + args;
}

std::string Expected(unsigned long count, bool withNuls) {
    std::string s;
    for (unsigned long i = 0; i < count; ++i) {
        s += test::ChildByte(i, withNuls);
    }
    return s;
}

TEST(Win32RunCaptured, CmdEchoIsCaptured) {
    win32::Win32ProcessLauncher processes;
    std::string output;
    const ProcessResult r = RunCaptured(processes, L"cmd.exe /c echo hello", output);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(output.find("hello"), std::string::npos) << output;
}

TEST(Win32RunCaptured, OutputLargerThanThePipeArrivesWhole) {
    win32::Win32ProcessLauncher processes;
    std::string output;
    const ProcessResult r = RunCaptured(processes, ChildCommand(L"--write 300000"), output);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(output.size(), 300000u);
    EXPECT_EQ(output, Expected(300000, false));
}

TEST(Win32RunCaptured, NulBytesAndStandardErrorAreKept) {
    win32::Win32ProcessLauncher processes;
    std::string output = "prefix";
    RunCaptured(processes, ChildCommand(L"--write 1000 --nul --stderr"), output);
    EXPECT_EQ(output, "prefix" + Expected(1000, true));
}

TEST(Win32RunCaptured, ExitCodeIsReported) {
    win32::Win32ProcessLauncher processes;
    std::string output;
    const ProcessResult r = RunCaptured(processes, ChildCommand(L"--exit 3"), output);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitCodeKnown);
    EXPECT_EQ(r.exitCode, 3u);
}

TEST(Win32RunCaptured, AGrandchildHoldingThePipeDoesNotKeepTheRunnerWaiting) {
    // Without the cut-off after the child's exit the runner would wait the grandchild's 30 s.
    win32::Win32ProcessLauncher processes;
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r =
        RunCaptured(processes, ChildCommand(L"--grandchild 30000 --write 500 --exit 4"), output);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 4u) << "99: the grandchild did not start";
    const std::size_t lineEnd = output.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << output;
    EXPECT_EQ(output.substr(lineEnd + 1), Expected(500, false));
    EXPECT_LT(elapsed, std::chrono::seconds(15));
    // It would hold the test runner's own output too: end it now.
    const DWORD pid = std::strtoul(output.c_str() + std::strlen("grandchild "), nullptr, 10);
    if (HANDLE grandchild = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        TerminateProcess(grandchild, 0);
        CloseHandle(grandchild);
    }
}

TEST(Win32RunCaptured, MissingProgramReturnsQuicklyWithOutputUnchanged) {
    win32::Win32ProcessLauncher processes;
    std::string output = "unchanged";
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r =
        RunCaptured(processes, L"C:\\nowhere\\no_such_tool_qn.exe /enum", output);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(r.started);
    EXPECT_EQ(output, "unchanged");
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

// Processes started by this one that still run.
int LiveChildren() {
    int count = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        count += entry.th32ParentProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

// Threads of this process.
int OwnThreads() {
    int count = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

TEST(Win32RunCapturedWithin, TheCountsSeeAChildAndThisProcesssThreads) {
    ASSERT_GT(OwnThreads(), 0);
    std::wstring line = ChildCommand(L"--sleep 30000");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &child));
    EXPECT_EQ(LiveChildren(), 1);
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(LiveChildren(), 0);
}

TEST(Win32RunCapturedWithin, AChildPastItsLimitIsEndedWithNothingOfItsRunLeft) {
    win32::Win32ProcessLauncher processes;
    std::string output;
    const int threads = OwnThreads();
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = processes.RunCapturedWithin(
        ChildCommand(L"--write 100 --sleep 30000 --exit 0"), output, 500);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.timedOut);
    EXPECT_FALSE(r.exitCodeKnown);
    EXPECT_EQ(output, Expected(100, false)) << "what it wrote before its end";
    EXPECT_LT(elapsed, std::chrono::seconds(15)) << "waited for the child's 30 s";
    EXPECT_EQ(LiveChildren(), 0) << "the child still runs";
    EXPECT_EQ(OwnThreads(), threads) << "the pipe's reader still runs";
}

TEST(Win32RunCapturedWithin, AChildWithinItsLimitEndsAsWithoutOne) {
    win32::Win32ProcessLauncher processes;
    std::string output;
    const ProcessResult r = processes.RunCapturedWithin(
        ChildCommand(L"--write 50 --sleep 200 --exit 5"), output, 20000);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_TRUE(r.exitCodeKnown);
    EXPECT_EQ(r.exitCode, 5u);
    EXPECT_EQ(output, Expected(50, false));
}

TEST(Win32ShellRun, WaitsForTheChildAndReportsItsExitCode) {
    win32::Win32ProcessLauncher processes;
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = ShellRun(processes, test::ThisExecutable(),
                                     L"--child --sleep 400 --exit 7", true, false, true);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitCodeKnown);
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(400));
}

// Workers start tools through the shell without COM of their own: the call brings it and leaves
// the thread as it found it (a first initialisation afterwards is still the first).
TEST(Win32ShellRun, AWorkerWithoutComStartsAToolAndIsLeftWithoutCom) {
    ProcessResult result;
    HRESULT after = E_FAIL;
    std::thread worker([&] {
        win32::Win32ProcessLauncher processes;
        result =
            ShellRun(processes, test::ThisExecutable(), L"--child --exit 3", true, false, true);
        after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(after)) {
            CoUninitialize();
        }
    });
    worker.join();
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 3u);
    EXPECT_EQ(after, S_OK) << "COM was left initialised on the worker";
}

TEST(Win32ShellRun, MissingProgramIsNotStarted) {
    win32::Win32ProcessLauncher processes;
    const ProcessResult r =
        ShellRun(processes, L"C:\\nowhere\\no_such_tool_qn.exe", L"", true, false, true);
    EXPECT_FALSE(r.started);
}

}  // namespace
}  // namespace qn
