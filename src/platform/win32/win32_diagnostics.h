#pragma once

#include "platform/diagnostics.h"

namespace qn::win32 {

// Debugger output always (DebugView or an attached debugger shows it), and standard output when
// the process has one and may use it: the console as wide text, a file or pipe as UTF-8.
class Win32Diagnostics : public Diagnostics {
public:
    explicit Win32Diagnostics(bool toStandardOutput = true) : toStandardOutput_(toStandardOutput) {}
    void Write(std::wstring_view text) override;

private:
    bool toStandardOutput_;
};

}  // namespace qn::win32
