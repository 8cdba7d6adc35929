#pragma once

#include <string>

namespace qn {

// Where the unattended modes say what they do: the console the program was started from. A GUI
// program has none of its own; without one, nothing is shown and only the files named are
// written.
class ConsoleOutput {
public:
    virtual ~ConsoleOutput() = default;
    virtual void Line(const std::wstring& text) = 0;
};

// The running program's console. Which adapter stands behind it is decided by what the build
// links.
ConsoleOutput& SystemConsole();

}  // namespace qn
