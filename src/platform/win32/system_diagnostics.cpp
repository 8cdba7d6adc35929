#include "platform/diagnostics.h"
#include "platform/win32/win32_diagnostics.h"

namespace qn {

Diagnostics& SystemDiagnostics() {
    static win32::Win32Diagnostics diagnostics;
    return diagnostics;
}

Diagnostics& SystemDebuggerDiagnostics() {
    static win32::Win32Diagnostics diagnostics(false);
    return diagnostics;
}

}  // namespace qn
