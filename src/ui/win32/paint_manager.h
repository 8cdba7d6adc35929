#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

#include "ui/control_manager.h"
#include "ui/win32/combo_drop_window.h"
#include "ui/win32/font_table.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/native_edit.h"

namespace qn::win32 {

// The control manager of one native window: turns its messages into control input, draws the
// tree double-buffered (no flicker: the background is never erased separately), and keeps the
// native helpers (text input, drop-down lists) in step with the controls.
class PaintManager : public ControlManager, private UiHost {
public:
    PaintManager();
    ~PaintManager();

    // Attaches to the window; the scale follows the screen's dots per inch.
    void Init(HWND hwnd);
    HWND GetPaintWindow() const { return hwnd_; }
    // Makes root the window's tree and sizes the window's client area to the skin's size.
    void AttachDialog(std::unique_ptr<Control> root);
    // Handles the message when it concerns the controls; false leaves it to the window.
    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    FontTable& Fonts() { return fonts_; }
    BitmapCache& Bitmaps() { return bitmaps_; }

private:
    void Invalidate(const UiRect& rect) override;
    void FocusChanged(Control* now) override;
    void LayoutChanged() override;
    void OpenDropList(ComboBox& combo) override;
    void ControlRemoved(Control* control) override;

    // MessageHandler's parts: the filters first, then the messages by their source. The last two
    // give nothing for a message not of theirs.
    bool FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    std::optional<bool> MouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<bool> KeyboardOrFocusMessage(UINT message, WPARAM wParam);

    void PaintWindow();
    NativeEdit& EditFor(unsigned alignment);
    static unsigned Modifiers();

    HWND hwnd_ = nullptr;
    FontTable fonts_;
    BitmapCache bitmaps_;
    std::array<std::unique_ptr<NativeEdit>, 3> edits_;
    NativeEdit* activeEdit_ = nullptr;
    ComboDropWindow drop_;
    bool trackingLeave_ = false;
    bool swallowSysChar_ = false;
};

}  // namespace qn::win32
