#include "platform/console_output.h"
#include "platform/win32/win32_console_output.h"

namespace qn {

ConsoleOutput& SystemConsole() {
    static win32::Win32ConsoleOutput console;
    return console;
}

}  // namespace qn
