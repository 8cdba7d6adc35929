// qnboot-inspect on Windows: arguments arrive as UTF-16 (wmain), output is UTF-8.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "boot/utf8_text.h"
#include "inspect_command.h"
#include "win32_inspect_environment.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(qn::WideToUtf8(argv[i]));
    }
    qn::inspect::Win32InspectEnvironment environment;
    return qn::inspect::RunInspect(args, environment, std::cout, std::cerr);
}
