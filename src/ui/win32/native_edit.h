#pragma once

#include <windows.h>

#include <string>

#include "ui/edit_box.h"
#include "ui/ui_host.h"

namespace qn::win32 {

class PaintManager;

// The system's EDIT control laid over the edit box that has the focus, so input methods, the
// clipboard and the caret work as users expect. One per text alignment and window, created on
// first use and kept: shown, moved and hidden as the focus moves, never destroyed while its own
// messages may be on the stack.
class NativeEdit : public NativeTextInput {
public:
    NativeEdit(PaintManager& owner, unsigned alignment) : owner_(owner), alignment_(alignment) {}
    ~NativeEdit() override;
    NativeEdit(const NativeEdit&) = delete;
    NativeEdit& operator=(const NativeEdit&) = delete;

    // Puts the control over box and gives it the keyboard focus.
    void Attach(EditBox& box);
    // Hides the control; the box (if still alive) keeps the text typed so far.
    void Detach(bool boxAlive);
    // Follows the box after a layout.
    void Reposition();
    EditBox* Box() const { return box_; }
    HWND Handle() const { return hwnd_; }
    // EN_CHANGE from the control.
    void OnChanged();
    // WM_CTLCOLOREDIT.
    HBRUSH Colors(HDC dc);

    void SetText(const std::wstring& text) override;
    void SetSelection(int start, int end) override;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    PaintManager& owner_;
    unsigned alignment_;
    HWND hwnd_ = nullptr;
    WNDPROC editProc_ = nullptr;
    EditBox* box_ = nullptr;
    HBRUSH brush_ = nullptr;
    Argb brushColor_ = 0;
    bool quiet_ = false;
};

}  // namespace qn::win32
