#pragma once

#include <string>
#include <vector>

namespace qn::sim {

// One program the machine was asked to run, as its journal keeps it.
struct ToolRun {
    bool captured = false;                // RunCaptured (output to the caller) or through the shell
    std::wstring program;                 // the path as given
    std::vector<std::wstring> arguments;  // as the program's runtime split them
    bool started = false;
    unsigned long exitCode = 0;
    std::string output;  // the bytes it wrote, in the console code page
};

// What a stand-in tool did: its exit code and what it printed (wide; the launcher encodes it).
struct ToolOutcome {
    unsigned long exitCode = 0;
    std::wstring text;
};

}  // namespace qn::sim
