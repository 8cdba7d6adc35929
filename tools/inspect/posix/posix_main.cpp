// qnboot-inspect outside Windows: file names and output are UTF-8.
#include <iostream>
#include <string>
#include <vector>

#include "inspect_command.h"
#include "posix_environment.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    qn::inspect::PosixEnvironment environment;
    return qn::inspect::RunInspect(args, environment, std::cout, std::cerr);
}
