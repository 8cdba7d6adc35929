#pragma once

#include <string>

namespace qn {

class Control;

// Lets an end-to-end test see what the main window shows: called after the window has handled a
// notification or a message. The real program's probe does nothing; the simulated program's
// writes the control tree to a file the test names. Tests still drive the window with real
// mouse and key input.
// originX/originY: where the window's client area starts on the screen; minimized: whether the
// window is minimised.
void ProbeUi(const Control& root, int page, int originX, int originY, bool minimized);

// The same for the message box: its caption and text as it opens.
void ProbeMessage(const std::wstring& caption, const std::wstring& text);

// The main window has painted for the first time: the start-up benchmark's mark.
void ProbeFirstPaint();

}  // namespace qn
