// The real program has no test channel.
#include "app/ui_probe.h"

namespace qn {

void ProbeUi(const Control&, int, int, int, bool) {}

void ProbeMessage(const std::wstring&, const std::wstring&) {}

void ProbeFirstPaint() {}

}  // namespace qn
