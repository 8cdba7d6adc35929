// qnboot-sim: command lines run against a simulated machine, and its boot verdict.
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim_command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto readFile = [](const std::string& path) -> std::optional<std::string> {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            return std::nullopt;
        }
        std::stringstream text;
        text << file.rdbuf();
        if (file.bad()) {
            return std::nullopt;
        }
        return text.str();
    };
    return qn::simtool::RunSimCommand(args, readFile, std::cout, std::cerr);
}
