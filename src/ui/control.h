#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/attribute_values.h"
#include "ui/canvas.h"
#include "ui/geometry.h"
#include "ui/text_style.h"
#include "ui/ui_event.h"

namespace qn {

class ControlManager;

// A control of the skinned window: a rectangle with a name, a text, colours and images. It is
// also the skin's spacer ("Control" in markup). Containers own their children; every control
// knows its parent and, once it is part of a window's tree, that window's control manager.
// Lengths set by attributes are unscaled (100 %) pixels; Pos() is the scaled result of layout.
class Control {
public:
    Control();
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The kind as markup names it ("Button", "Option", ...); the dialog's caption drag test
    // compares it.
    virtual std::wstring_view ClassName() const { return L"Control"; }

    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    const std::wstring& Text() const { return text_; }
    virtual void SetText(std::wstring text);
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }
    const std::wstring& UserData() const { return userData_; }
    void SetUserData(std::wstring data) { userData_ = std::move(data); }

    bool IsEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    // Enabled itself and every parent enabled.
    bool IsReallyEnabled() const;
    bool IsVisible() const { return visible_; }
    virtual void SetVisible(bool visible);
    // Visible itself and every parent visible (a page of a tab layout that is not shown hides
    // its controls).
    bool IsReallyVisible() const;

    // Sets one attribute by its skin name; false for an unknown name or a value that does not
    // parse (the control keeps its previous value).
    virtual bool SetAttribute(std::wstring_view name, std::wstring_view value);

    // Layout inputs.
    bool IsFloat() const { return float_; }
    const UiRect& FloatPos() const { return floatPos_; }
    int FixedWidth() const { return fixedWidth_; }
    int FixedHeight() const { return fixedHeight_; }
    void SetFixedWidth(int width);
    void SetFixedHeight(int height);
    // The "pos" attribute: a float control's place, relative to its parent's top left corner;
    // for any control also its size, as a fixed width and height.
    void SetFixedPosition(const UiRect& rect);
    const UiRect& Padding() const { return padding_; }

    // Layout result, in scaled client pixels. Containers override to place their children.
    const UiRect& Pos() const { return pos_; }
    virtual void SetPos(const UiRect& rect);

    unsigned TextStyle() const { return textStyle_; }
    void SetTextStyle(unsigned style);
    int Font() const { return font_; }
    Argb TextColor() const { return textColor_; }
    const UiRect& TextPadding() const { return textPadding_; }

    Control* Parent() const { return parent_; }
    ControlManager* Manager() const { return manager_; }

    // The controls below this one in the tree, for look-up, hit testing and painting.
    virtual int TreeChildCount() const { return 0; }
    virtual Control* TreeChildAt(int) const { return nullptr; }
    // Takes a child that markup puts inside this control; false when this kind has none.
    virtual bool AddMarkupChild(std::unique_ptr<Control> child);

    // The first control named name here or below (depth first), or null.
    Control* FindByName(std::wstring_view name);
    // The deepest visible control at pt; float children above the others, later above earlier.
    virtual Control* HitTest(UiPoint pt);

    virtual bool IsFocusable() const { return false; }
    bool IsFocused() const;
    // Runs the control's action as a click or key press would ("click" for buttons).
    virtual bool Activate() { return false; }
    virtual void OnEvent(const UiEvent& event);

    virtual void Paint(Canvas& canvas, const UiRect& dirty);

    // Asks for a repaint of this control, or a new layout of the window.
    void Invalidate();
    void NeedLayout();

    // Tree plumbing for containers: who owns this control and in which window it is.
    void SetParent(Control* parent) { parent_ = parent; }
    virtual void SetManager(ControlManager* manager);

protected:
    int Scale(int value) const;
    UiRect ScaleRect(const UiRect& rect) const;
    // Draws an image named by an attribute inside rect; false when it cannot be drawn.
    bool DrawImage(Canvas& canvas, const std::optional<ImageRef>& image, const UiRect& rect);
    void PaintBackground(Canvas& canvas);
    void PaintBorder(Canvas& canvas);
    virtual void PaintStatusImage(Canvas& canvas);
    virtual void PaintText(Canvas& canvas);
    void DrawTextIn(Canvas& canvas, const std::wstring& text, Argb color);
    bool IsHot() const;
    void SendNotify(const wchar_t* type, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    std::wstring name_;
    std::wstring text_;
    std::wstring userData_;
    std::intptr_t tag_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool float_ = false;
    UiRect floatPos_;
    int fixedWidth_ = 0;
    int fixedHeight_ = 0;
    UiRect padding_;
    UiRect pos_;
    Argb bkColor_ = 0;
    Argb borderColor_ = 0;
    int borderSize_ = 0;
    std::optional<ImageRef> bkImage_;
    int font_ = -1;
    Argb textColor_ = 0xFF333333;
    Argb disabledTextColor_ = 0xFFA0A0A0;
    unsigned textStyle_ = kTextSingleLine | kTextVCenter | kTextLeft | kTextNoPrefix;
    UiRect textPadding_;

private:
    // SetAttribute by group; nothing when the name is not one of the group's.
    std::optional<bool> SetLayoutAttribute(std::wstring_view name, std::wstring_view value);
    std::optional<bool> SetLookAttribute(std::wstring_view name, std::wstring_view value);
    std::optional<bool> SetTextAttribute(std::wstring_view name, std::wstring_view value);

    Control* parent_ = nullptr;
    ControlManager* manager_ = nullptr;
};

}  // namespace qn
