#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "child_process.h"

namespace qn::test {

char ChildByte(unsigned long i, bool withNuls) {
    if (withNuls && i % 100 == 50) {
        return '\0';
    }
    return static_cast<char>('a' + i % 26);
}

int RunChildIfAsked(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--child") != 0) {
        return -1;
    }
    unsigned long count = 0;
    bool withNuls = false;
    bool toStderr = false;
    unsigned long sleepMs = 0;
    int exitCode = 0;
    unsigned long grandchildMs = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--write" && i + 1 < argc) {
            count = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--nul") {
            withNuls = true;
        } else if (arg == "--stderr") {
            toStderr = true;
        } else if (arg == "--sleep" && i + 1 < argc) {
            sleepMs = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--exit" && i + 1 < argc) {
            exitCode = std::atoi(argv[++i]);
        } else if (arg == "--grandchild" && i + 1 < argc) {
            grandchildMs = std::strtoul(argv[++i], nullptr, 10);
        }
    }
    if (grandchildMs != 0) {
        // Like a tool that leaves a helper process behind: it inherits the output pipe's write
        // end and keeps the pipe open after this child has ended.
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line =
            L"\"" + std::wstring(self) + L"\" --child --sleep " + std::to_wstring(grandchildMs);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &info)) {
            return 99;
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        const std::string said = "grandchild " + std::to_string(info.dwProcessId) + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), said.data(), static_cast<DWORD>(said.size()),
                  &written, nullptr);
    }
    std::vector<char> bytes(count);
    for (unsigned long i = 0; i < count; ++i) {
        bytes[i] = ChildByte(i, withNuls);
    }
    HANDLE out = GetStdHandle(toStderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    unsigned long done = 0;
    while (done < count) {
        DWORD written = 0;
        if (!WriteFile(out, bytes.data() + done, count - done, &written, nullptr) || written == 0) {
            break;
        }
        done += written;
    }
    if (sleepMs != 0) {
        Sleep(sleepMs);
    }
    return exitCode;
}

}  // namespace qn::test

int main(int argc, char** argv) {
    const int child = qn::test::RunChildIfAsked(argc, argv);
    if (child >= 0) {
        return child;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
