#pragma once

#include <string>

#include "platform/process_launcher.h"

namespace qn {

// Starts program (a path, quoted here) through the shell with the parameter string. Every caller
// waits and hides the window; noUi suppresses the shell's own error boxes.
ProcessResult ShellRun(ProcessLauncher& processes, const std::wstring& program,
                       const std::wstring& parameters, bool wait, bool show, bool noUi);

// The ShellExecuteEx request that ShellRun makes.
ShellRequest MakeShellRequest(const std::wstring& program, const std::wstring& parameters,
                              bool wait, bool show, bool noUi);

// Runs a command line hidden and appends everything it writes to standard output and standard
// error to output, byte for byte; returns when it has ended. When it does not start, output is
// unchanged and the result says so.
ProcessResult RunCaptured(ProcessLauncher& processes, const std::wstring& commandLine,
                          std::string& output);

}  // namespace qn
