#pragma once

#include <string>

#include "sim/scenario.h"

namespace qn::sim {

// The boot.ini a scenario describes, as the text of the file (CR LF line ends); the machine
// stores it in the ANSI code page, as Windows Setup writes it.
std::wstring BootIniText(const ScenarioBootIni& ini);

}  // namespace qn::sim
