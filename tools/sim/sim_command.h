#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qn::simtool {

// qnboot-sim SCENARIO.xml [--run "COMMAND LINE"]... [--verdict]
//
// Builds the simulated machine of the scenario, runs each command line on it in order as the
// program would (a bare bcdedit, bcdboot or bootsect is the stand-in the program extracts to
// its work folder; anything else by its path on the machine), and prints for each its output
// bytes as the tool wrote them (the console code page of the scenario's language) and its exit
// code, then with --verdict what the firmware would start now, as JSON. Exit code 0, or 2 with
// a one-line error for a bad command line or scenario.
int RunSimCommand(const std::vector<std::string>& args,
                  const std::function<std::optional<std::string>(const std::string&)>& readFile,
                  std::ostream& out, std::ostream& err);

}  // namespace qn::simtool
