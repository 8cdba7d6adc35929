#pragma once

#include "platform/diagnostics.h"

namespace qn::win32 {

// Debugger output always (DebugView or an attached debugger shows it), and standard output when
// the process has one: the console as wide text, a file or pipe as UTF-8.
class Win32Diagnostics : public Diagnostics {
public:
    void Write(std::wstring_view text) override;
};

}  // namespace qn::win32
