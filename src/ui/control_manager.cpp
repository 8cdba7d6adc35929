#include "ui/control_manager.h"

#include <algorithm>

#include "ui/button.h"
#include "ui/caption_shortcut.h"
#include "ui/combo_box.h"
#include "ui/edit_box.h"
#include "ui/image_decoder.h"
#include "ui/list_element.h"
#include "ui/list_view.h"

namespace qn {

ControlManager::ControlManager() = default;

ControlManager::~ControlManager() {
    // The host is going away with us; the tree goes before the fonts and images it uses.
    host_ = nullptr;
    AttachRoot(nullptr);
}

void ControlManager::AttachRoot(std::unique_ptr<Control> root) {
    if (root_) {
        root_->SetManager(nullptr);
        root_.reset();
    }
    focus_ = hot_ = captured_ = nullptr;
    root_ = std::move(root);
    if (root_) {
        root_->SetParent(nullptr);
        root_->SetManager(this);
    }
    NeedLayout();
}

Control* ControlManager::FindControl(std::wstring_view name) const {
    return root_ ? root_->FindByName(name) : nullptr;
}

Control* ControlManager::FindControlAt(UiPoint pt) const {
    return root_ ? root_->HitTest(pt) : nullptr;
}

void ControlManager::AddNotifier(INotifyUI* sink) {
    if (sink != nullptr &&
        std::find(notifiers_.begin(), notifiers_.end(), sink) == notifiers_.end()) {
        notifiers_.push_back(sink);
    }
}

void ControlManager::RemoveNotifier(INotifyUI* sink) {
    notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), sink), notifiers_.end());
}

void ControlManager::AddMessageFilter(IMessageFilterUI* filter) {
    if (filter != nullptr &&
        std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) {
        filters_.push_back(filter);
    }
}

void ControlManager::RemoveMessageFilter(IMessageFilterUI* filter) {
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

void ControlManager::SendNotify(Notification& msg) {
    // A sink may add or remove sinks while it runs.
    const std::vector<INotifyUI*> sinks = notifiers_;
    for (INotifyUI* sink : sinks) {
        if (std::find(notifiers_.begin(), notifiers_.end(), sink) != notifiers_.end()) {
            sink->Notify(msg);
        }
    }
}

void ControlManager::SetSkin(std::shared_ptr<SkinSource> skin) {
    skin_ = std::move(skin);
    images_.clear();
}

const DecodedImage* ControlManager::Image(const std::wstring& file) {
    auto it = images_.find(file);
    if (it != images_.end()) {
        return it->second.get();
    }
    // A missing or broken image is remembered as such, so it is not read again at every paint.
    std::unique_ptr<DecodedImage> image;
    std::vector<std::uint8_t> bytes;
    std::wstring error;
    if (skin_ && skin_->ReadFile(file, bytes, error)) {
        image = std::make_unique<DecodedImage>();
        if (!DecodeImage(bytes, *image, error)) {
            image.reset();
        }
    }
    return images_.emplace(file, std::move(image)).first->second.get();
}

void ControlManager::AddFont(const FontSpec& font, bool isDefault) {
    auto it = std::find_if(fonts_.begin(), fonts_.end(),
                           [&](const FontSpec& f) { return f.id == font.id; });
    if (it != fonts_.end()) {
        *it = font;
    } else {
        fonts_.push_back(font);
    }
    if (isDefault || defaultFont_ < 0) {
        defaultFont_ = font.id;
    }
}

const FontSpec* ControlManager::FindFont(int id) const {
    for (int wanted : {id, defaultFont_}) {
        for (const FontSpec& font : fonts_) {
            if (font.id == wanted) {
                return &font;
            }
        }
    }
    return fonts_.empty() ? nullptr : &fonts_.front();
}

void ControlManager::SetDefaultAttributes(const std::wstring& className,
                                          const std::wstring& attributes) {
    defaults_[className] = attributes;
}

const std::wstring* ControlManager::DefaultAttributes(std::wstring_view className) const {
    auto it = defaults_.find(className);
    return it != defaults_.end() ? &it->second : nullptr;
}

void ControlManager::SetScalePercent(int percent) {
    scale_ = std::clamp(percent, 50, 400);
    NeedLayout();
}

int ControlManager::Scale(int value) const {
    const long long scaled = static_cast<long long>(value) * scale_;
    return static_cast<int>(scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100);
}

void ControlManager::SetClientSize(UiSize size) {
    if (size.cx == client_.cx && size.cy == client_.cy) {
        return;
    }
    client_ = size;
    NeedLayout();
}

void ControlManager::NeedLayout() {
    layoutPending_ = true;
    Invalidate({0, 0, client_.cx, client_.cy});
}

void ControlManager::LayoutIfNeeded() {
    if (!layoutPending_) {
        return;
    }
    layoutPending_ = false;
    if (root_) {
        root_->SetPos({0, 0, client_.cx, client_.cy});
    }
    // Setting positions may ask for another layout; this one already placed everything.
    layoutPending_ = false;
    if (host_ != nullptr) {
        host_->LayoutChanged();
    }
}

void ControlManager::Invalidate(const UiRect& rect) {
    if (host_ != nullptr && !rect.Empty()) {
        host_->Invalidate(rect);
    }
}

void ControlManager::Paint(Canvas& canvas, const UiRect& dirty) {
    LayoutIfNeeded();
    if (root_ && root_->IsVisible()) {
        root_->Paint(canvas, dirty);
    }
}

void ControlManager::SetHot(Control* control) {
    if (control == hot_) {
        return;
    }
    Control* old = hot_;
    hot_ = control;
    if (old != nullptr) {
        old->OnEvent(MakeEvent(UiEventType::MouseLeave));
    }
    if (hot_ != nullptr) {
        hot_->OnEvent(MakeEvent(UiEventType::MouseEnter));
    }
}

void ControlManager::OnMouseMove(UiPoint pt) {
    if (captured_ != nullptr) {
        captured_->OnEvent(MakeEvent(UiEventType::MouseMove, pt));
    }
    Control* target = FindControlAt(pt);
    // While a button is held, only the control that took the press shows as hot.
    if (captured_ != nullptr && target != captured_) {
        target = nullptr;
    }
    SetHot(target);
}

void ControlManager::OnMouseLeave() {
    SetHot(nullptr);
}

void ControlManager::OnButtonDown(UiPoint pt, unsigned modifiers) {
    focusCue_ = false;
    Control* target = FindControlAt(pt);
    if (target == nullptr || !target->IsReallyEnabled()) {
        return;
    }
    captured_ = target;
    // The focus goes to the control, or to the list whose row was pressed.
    for (Control* c = target; c != nullptr; c = c->Parent()) {
        if (c->IsFocusable()) {
            SetFocus(c);
            break;
        }
    }
    Control* row = nullptr;
    if (ListItem* item = EnclosingListItem(target, &row); item != nullptr && captured_ == target) {
        // Pressing anything inside a row selects the row (notifying its list).
        item->Owner()->SelectItem(item->Owner()->ItemIndex(row), false, true);
    }
    // A notification may have removed the control.
    if (captured_ == target) {
        target->OnEvent(MakeEvent(UiEventType::ButtonDown, pt, 0, 0, modifiers));
    }
}

void ControlManager::OnButtonUp(UiPoint pt, unsigned modifiers) {
    Control* target = captured_;
    captured_ = nullptr;
    if (target != nullptr) {
        target->OnEvent(MakeEvent(UiEventType::ButtonUp, pt, 0, 0, modifiers));
    }
}

void ControlManager::OnDoubleClick(UiPoint pt) {
    Control* target = FindControlAt(pt);
    if (target == nullptr || !target->IsReallyEnabled()) {
        return;
    }
    captured_ = target;
    target->OnEvent(MakeEvent(UiEventType::DoubleClick, pt));
}

void ControlManager::OnWheel(UiPoint pt, int delta) {
    for (Control* c = FindControlAt(pt); c != nullptr; c = c->Parent()) {
        if (dynamic_cast<ListView*>(c) != nullptr || dynamic_cast<ComboBox*>(c) != nullptr) {
            c->OnEvent(MakeEvent(UiEventType::Wheel, pt, 0, delta));
            return;
        }
    }
}

bool ControlManager::OnKeyDown(int key, unsigned modifiers) {
    if (key == kKeyTab) {
        focusCue_ = true;
        MoveFocus((modifiers & kModShift) == 0);
        Invalidate({0, 0, client_.cx, client_.cy});
        return true;
    }
    Control* focus = focus_;
    if (focus != nullptr && (key == kKeySpace || key == kKeyReturn) &&
        dynamic_cast<Button*>(focus) != nullptr) {
        return focus->Activate();
    }
    const bool letter = IsLetterOrDigitKey(key);
    // Control with Alt is AltGr typing a character, never a shortcut.
    const bool alt = (modifiers & (kModAlt | kModControl)) == kModAlt;
    const bool inList =
        dynamic_cast<ListView*>(focus) != nullptr || dynamic_cast<ComboBox*>(focus) != nullptr;
    if (inList) {
        if (key == kKeySpace && dynamic_cast<ComboBox*>(focus) != nullptr) {
            return focus->Activate();
        }
        const bool typed = letter && (modifiers & (kModAlt | kModControl)) == 0;
        if ((key >= kKeyPageUp && key <= kKeyDown) || key == kKeyF4 || typed) {
            focusCue_ = true;
            UiEvent event = MakeEvent(UiEventType::KeyDown, {}, key, 0, modifiers);
            if (typed && keyClock_) {
                event.time = keyClock_();
            }
            focus->OnEvent(event);
            return true;
        }
    }
    // Plain letters are text in an edit box and searches in a list or combo box.
    const bool typing = inList || dynamic_cast<EditBox*>(focus) != nullptr;
    if (letter && (alt || (modifiers == 0 && !typing))) {
        return TriggerShortcut(static_cast<wchar_t>(key));
    }
    return false;
}

bool ControlManager::TriggerShortcut(wchar_t key) {
    std::vector<Control*> candidates;
    CollectFocusable(root_.get(), candidates);
    for (Control* c : candidates) {
        if (dynamic_cast<Button*>(c) != nullptr && CaptionShortcut(c->Text()) == key) {
            SetFocus(c);
            return c->Activate();
        }
    }
    return false;
}

void ControlManager::SetFocus(Control* control) {
    if (control == focus_) {
        return;
    }
    Control* old = focus_;
    focus_ = control;
    if (old != nullptr) {
        old->OnEvent(MakeEvent(UiEventType::KillFocus));
    }
    if (focus_ != nullptr) {
        focus_->OnEvent(MakeEvent(UiEventType::SetFocus));
    }
    if (host_ != nullptr) {
        host_->FocusChanged(focus_);
    }
}

void ControlManager::CollectFocusable(Control* control, std::vector<Control*>& out) const {
    if (control == nullptr || !control->IsVisible() || !control->IsEnabled()) {
        return;
    }
    if (control->IsFocusable()) {
        out.push_back(control);
    }
    const int count = control->TreeChildCount();
    for (int i = 0; i < count; ++i) {
        CollectFocusable(control->TreeChildAt(i), out);
    }
}

bool ControlManager::MoveFocus(bool forward) {
    std::vector<Control*> order;
    CollectFocusable(root_.get(), order);
    if (order.empty()) {
        return false;
    }
    auto it = std::find(order.begin(), order.end(), focus_);
    std::size_t next = 0;
    if (it == order.end()) {
        next = forward ? 0 : order.size() - 1;
    } else {
        const std::size_t at = static_cast<std::size_t>(it - order.begin());
        next = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
    }
    focusCue_ = true;
    SetFocus(order[next]);
    return true;
}

void ControlManager::OpenDropList(ComboBox& combo) {
    if (host_ != nullptr) {
        host_->OpenDropList(combo);
    }
}

void ControlManager::ForgetControl(Control* control) {
    if (host_ != nullptr) {
        host_->ControlRemoved(control);
    }
    if (focus_ == control) {
        focus_ = nullptr;
        // Only a control that is still whole (taken out, not destroyed) is still an edit box.
        if (auto* edit = dynamic_cast<EditBox*>(control)) {
            edit->AttachNativeInput(nullptr);
        }
    }
    if (hot_ == control) {
        hot_ = nullptr;
    }
    if (captured_ == control) {
        captured_ = nullptr;
    }
}

}  // namespace qn
