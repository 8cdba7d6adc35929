#pragma once

#include <string_view>

namespace qn {

// Where the program's diagnostic lines go: texts for whoever investigates a machine, never shown
// to the user. A line is written as it is given (the caller puts in the line breaks).
class Diagnostics {
public:
    virtual ~Diagnostics() = default;
    virtual void Write(std::wstring_view text) = 0;
};

// The running program's diagnostics: standard output when it has one, and the debugger output
// always, so the lines are not lost when the program runs without a console. Which adapter stands
// behind it is decided by what the build links.
Diagnostics& SystemDiagnostics();

// The same lines to the debugger output only: the unattended modes keep standard output for
// what they tell the user.
Diagnostics& SystemDebuggerDiagnostics();

}  // namespace qn
