#pragma once

#include <string>

namespace qn {

class Control;

namespace sim {

// The control tree as text for end-to-end tests, one control per line:
//   page <n>
//   <depth> <class> name=<name> visible=<0|1> enabled=<0|1> pos=<l,t,r,b> text=<text>
// Line breaks in texts are written as \n.
std::wstring UiTreeText(const Control& root, int page);

}  // namespace sim
}  // namespace qn
