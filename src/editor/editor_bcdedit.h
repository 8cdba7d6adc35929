#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "boot/bcd_store.h"
#include "platform/code_page.h"
#include "platform/process_launcher.h"
#include "run/recording_processes.h"
#include "run/time_limited_processes.h"

namespace qn {

// bcdedit as the editor runs it: hidden, output captured, every run examined (never started
// through the shell without a look at the result) and given at most timeoutMs, the enumerations
// of Tool() too.
class EditorBcdedit {
public:
    EditorBcdedit(ProcessLauncher& processes, CodePage& codePage, std::wstring path,
                  std::uint32_t timeoutMs = kToolRunTimeoutMs)
        : limited_(processes, timeoutMs),
          recorded_(limited_, codePage),
          codePage_(codePage),
          path_(std::move(path)) {}

    // Runs bcdedit with this parameter string; nullopt when it ended with exit code 0, else
    // what went wrong ("bcdedit.exe 退出码 1: <its first line>", "bcdedit.exe 没有响应", or that
    // it did not start).
    std::optional<std::wstring> Run(const std::wstring& parameters);
    // Why the last run failed; nullopt when it succeeded.
    std::optional<std::wstring> LastFailure() const;
    // For the enumerations of bcd_store.h; their runs are examined the same way.
    BcdTool Tool() { return BcdTool{recorded_, codePage_, path_}; }

private:
    TimeLimitedProcesses limited_;
    RecordingProcesses recorded_;
    CodePage& codePage_;
    std::wstring path_;
};

}  // namespace qn
