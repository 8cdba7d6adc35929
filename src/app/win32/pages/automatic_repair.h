#pragma once

namespace qn {

class MainFrame;

// The repair of every installation found, started when the automatic flow's scan has ended.
void StartAutomaticRepair(MainFrame& frame);

// Starts a repair run with the window's choices (boot letter, timeout, clearing, the selected
// installations) on a worker; operation names it in the log.
void StartRepairRun(MainFrame& frame, const wchar_t* operation);

}  // namespace qn
