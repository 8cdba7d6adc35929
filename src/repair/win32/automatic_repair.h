#pragma once

namespace qn {

class MainFrame;

// The repair of every installation found, started when the automatic flow's scan has ended.
void StartAutomaticRepair(MainFrame& frame);

}  // namespace qn
