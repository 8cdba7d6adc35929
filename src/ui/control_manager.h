#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control.h"
#include "ui/decoded_image.h"
#include "ui/font_spec.h"
#include "ui/notification.h"
#include "ui/skin_source.h"
#include "ui/ui_host.h"

namespace qn {

// What the skin's window element says about the window itself.
struct WindowSpec {
    UiSize size;     // client size at 100 %
    UiRect caption;  // the band that drags the window: left, top, right, bottom insets of the
                     // client area; bottom is the band's height (0 = no band)
};

// Owns one window's control tree and everything the controls share: fonts, images, default
// attributes, scale, keyboard focus, mouse state, and the notification sinks. It knows nothing
// of the window system: the host feeds it input in client pixels and draws through a Canvas.
class ComboBox;

class ControlManager {
public:
    ControlManager();
    ~ControlManager();
    ControlManager(const ControlManager&) = delete;
    ControlManager& operator=(const ControlManager&) = delete;

    void SetHost(UiHost* host) { host_ = host; }

    // Takes the tree (null clears it).
    void AttachRoot(std::unique_ptr<Control> root);
    Control* Root() const { return root_.get(); }
    // The first control with this name in the tree, or null.
    Control* FindControl(std::wstring_view name) const;
    Control* FindControlAt(UiPoint pt) const;

    void AddNotifier(INotifyUI* sink);
    void RemoveNotifier(INotifyUI* sink);
    void AddMessageFilter(IMessageFilterUI* filter);
    void RemoveMessageFilter(IMessageFilterUI* filter);
    const std::vector<IMessageFilterUI*>& MessageFilters() const { return filters_; }
    // Delivers msg to every sink, in the order they were added.
    void SendNotify(Notification& msg);

    // Skin files for images; images are decoded once and kept.
    void SetSkin(std::shared_ptr<SkinSource> skin);
    const std::shared_ptr<SkinSource>& Skin() const { return skin_; }
    const DecodedImage* Image(const std::wstring& file);

    void AddFont(const FontSpec& font, bool isDefault);
    // The font with this id; the default font for -1 or an unknown id; null without fonts.
    const FontSpec* FindFont(int id) const;
    const std::vector<FontSpec>& Fonts() const { return fonts_; }
    int DefaultFontId() const { return defaultFont_; }

    // Attributes every control of a kind starts with ("Button" -> "height=\"30\" ...").
    void SetDefaultAttributes(const std::wstring& className, const std::wstring& attributes);
    const std::wstring* DefaultAttributes(std::wstring_view className) const;

    void SetWindowSpec(const WindowSpec& spec) { spec_ = spec; }
    const WindowSpec& GetWindowSpec() const { return spec_; }

    // Scale in percent of 96 dots per inch; every length of the skin is multiplied by it.
    int ScalePercent() const { return scale_; }
    void SetScalePercent(int percent);
    int Scale(int value) const;

    // The client area; layout fills it with the root.
    void SetClientSize(UiSize size);
    UiSize ClientSize() const { return client_; }
    void NeedLayout();
    bool LayoutPending() const { return layoutPending_; }
    void LayoutIfNeeded();

    void Invalidate(const UiRect& rect);
    // Lays out if needed, then draws the tree parts inside dirty.
    void Paint(Canvas& canvas, const UiRect& dirty);

    // Mouse input in client pixels.
    void OnMouseMove(UiPoint pt);
    void OnMouseLeave();
    void OnButtonDown(UiPoint pt, unsigned modifiers);
    void OnButtonUp(UiPoint pt, unsigned modifiers);
    void OnDoubleClick(UiPoint pt);
    void OnWheel(UiPoint pt, int delta);
    // Keyboard: Tab order, activation, arrows, type-ahead in lists and combo boxes, and caption
    // shortcuts ("确定(Y)" answers to Y: with Alt always, without modifiers only when no edit
    // box, list or combo box has the focus, as letters are typed there). True when used.
    bool OnKeyDown(int key, unsigned modifiers);
    // Tells the time of the key being handled, in milliseconds, for type-ahead to join quickly
    // typed letters; without it every letter starts a new search.
    void SetKeyClock(std::function<std::uint32_t()> clock) { keyClock_ = std::move(clock); }
    bool TriggerShortcut(wchar_t key);

    Control* Focus() const { return focus_; }
    void SetFocus(Control* control);
    // Moves the focus to the next (or previous) focusable control, wrapping around.
    bool MoveFocus(bool forward);
    // True after keyboard navigation, until the mouse is used: focus rectangles are shown then.
    bool ShowFocusCue() const { return focusCue_; }
    Control* Hot() const { return hot_; }
    Control* Captured() const { return captured_; }

    // Asks the host to show the combo box's drop-down list.
    void OpenDropList(ComboBox& combo);

    // A control leaves the tree (destroyed or taken out): it stops being focus, hot or captured.
    void ForgetControl(Control* control);

private:
    void CollectFocusable(Control* control, std::vector<Control*>& out) const;
    void SetHot(Control* control);

    UiHost* host_ = nullptr;
    std::function<std::uint32_t()> keyClock_;
    std::unique_ptr<Control> root_;
    std::vector<INotifyUI*> notifiers_;
    std::vector<IMessageFilterUI*> filters_;
    std::shared_ptr<SkinSource> skin_;
    std::map<std::wstring, std::unique_ptr<DecodedImage>> images_;
    std::vector<FontSpec> fonts_;
    int defaultFont_ = -1;
    std::map<std::wstring, std::wstring, std::less<>> defaults_;
    WindowSpec spec_;
    int scale_ = 100;
    UiSize client_;
    bool layoutPending_ = true;
    Control* focus_ = nullptr;
    Control* hot_ = nullptr;
    Control* captured_ = nullptr;
    bool focusCue_ = false;
};

}  // namespace qn
