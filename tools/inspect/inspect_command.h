#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "inspect_environment.h"

namespace qn::inspect {

// qnboot-inspect bcd [--codepage N] FILE
// qnboot-inspect bootini FILE
// qnboot-inspect find-loader --letter L [--codepage N] FILE
// qnboot-inspect report FILE         (a run report of QNBootRepair.exe /auto, for people)
// Exit 0 with the result on out; 2 with one line on err when the arguments are wrong or the
// file cannot be read.
int RunInspect(const std::vector<std::string>& args, InspectEnvironment& environment,
               std::ostream& out, std::ostream& err);

}  // namespace qn::inspect
