#include "app/win32/confirm_frame.h"

#include <new>

#include "app/ui_probe.h"
#include "ui/win32/window_impl_base.h"

namespace qn {

namespace {

constexpr DWORD kConfirmStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr int kConfirmWidth = 400;
constexpr int kConfirmHeight = 200;
constexpr wchar_t kConfirmSkin[] = L"ConfirmForm.xml";

}  // namespace

LRESULT CConfirmFrame::OnCreate() {
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE,
                        (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    pm_.Init(hwnd_);
    pm_.AddMessageFilter(this);
    std::wstring error;
    if (!win32::BuildSkinWindow(pm_, SkinResourceId{}, kConfirmSkin, nullptr, error)) {
        return -1;
    }
    pm_.AddNotifier(this);
    title_ = pm_.FindControl(L"edit_title");
    message_ = pm_.FindControl(L"text_msg");
    yes_ = pm_.FindControl(L"btn_yes");
    no_ = pm_.FindControl(L"btn_no");
    oneYes_ = pm_.FindControl(L"btn_oneyes");
    return 0;
}

LRESULT CConfirmFrame::OnNcHitTest(LPARAM lParam) {
    // The caption band drags the box, except on its buttons.
    const auto control = win32::CaptionBandControl(pm_, hwnd_, lParam);
    if (control && (*control == nullptr || (*control)->ClassName() != L"Button")) {
        return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT CConfirmFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST:
            return OnNcHitTest(lParam);
        case WM_NCACTIVATE:
            if (::IsIconic(hwnd_)) {
                break;
            }
            return wParam == 0 ? TRUE : FALSE;
        default:
            break;
    }
    LRESULT result = 0;
    if (pm_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return NativeWindow::HandleMessage(message, wParam, lParam);
}

void CConfirmFrame::FocusDefaultButton() {
    // Return then acknowledges, as in the system's message box.
    for (Control* button : {oneYes_, yes_}) {
        if (button != nullptr && button->IsVisible()) {
            pm_.SetFocus(button);
            return;
        }
    }
}

void CConfirmFrame::FocusNoButton() {
    if (no_ != nullptr && no_->IsVisible()) {
        pm_.SetFocus(no_);
    }
}

void CConfirmFrame::ResizeInSkinUnits(int width, int height) {
    ::SetWindowPos(hwnd_, nullptr, 0, 0, pm_.Scale(width), pm_.Scale(height),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CConfirmFrame::OnFinalMessage(HWND) {
    pm_.RemoveMessageFilter(this);
    delete this;
}

void CConfirmFrame::Notify(Notification& msg) {
    if (msg.type != kNotifyClick || msg.sender == nullptr) {
        return;
    }
    const std::wstring& name = msg.sender->Name();
    if (name == L"btn_oneyes" || name == L"btn_no") {
        Close(kConfirmNo);
    } else if (name == L"btn_yes") {
        Close(kConfirmYes);
    }
}

std::intptr_t CConfirmFrame::MessageHandler(unsigned message, std::uintptr_t wParam, std::intptr_t,
                                            bool& handled) {
    // Escape dismisses the box like its visible acknowledge or cancel button.
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        handled = true;
        Close(kConfirmNo);
    }
    return 0;
}

namespace {

// A question is long (what was found, what each button does): its box is larger, and the
// keyboard starts on 取消(C), so a stray Return never overwrites anything.
constexpr int kQuestionWidth = 560;
constexpr int kQuestionHeight = 380;

// A button drawn as the skin's primary or secondary button.
void LookLike(Control& button, const std::wstring& kind, const wchar_t* textColor) {
    button.SetAttribute(L"textcolor", textColor);
    for (const wchar_t* state : {L"normal", L"hot", L"pushed"}) {
        button.SetAttribute(std::wstring(state) + L"image",
                            L"file='btn_" + kind + L"_" + state + L".png' corner='5,5,5,5'");
    }
}

UINT ShowConfirm(std::wstring title, std::wstring text, HWND owner, bool question,
                 bool yesByDefault = false) {
    auto* frame = new (std::nothrow) CConfirmFrame();
    if (frame == nullptr) {
        return kConfirmNo;
    }
    bool destroyed = false;
    frame->WatchDestruction(&destroyed);
    if (frame->Create(owner, L"", kConfirmStyle, WS_EX_TOPMOST, 0, 0, kConfirmWidth,
                      kConfirmHeight) == nullptr) {
        // A window that got as far as WM_NCDESTROY deleted its object already.
        if (!destroyed) {
            delete frame;
        }
        return kConfirmNo;
    }
    frame->WatchDestruction(nullptr);
    if (question) {
        // The skin sized the window as the message box when it was built.
        frame->ResizeInSkinUnits(kQuestionWidth, kQuestionHeight);
    }
    frame->CenterWindow();
    frame->ShowWindow(false);
    if (Control* one = frame->OneYesButton()) {
        one->SetVisible(!question);
    }
    if (Control* yes = frame->YesButton()) {
        yes->SetVisible(question);
        if (question) {
            yes->SetFixedPosition({175, 328, 265, 358});
            LookLike(*yes, yesByDefault ? L"primary" : L"second",
                     yesByDefault ? L"#FFFFFFFF" : L"#FF2F3744");
        }
    }
    if (Control* no = frame->NoButton()) {
        no->SetVisible(question);
        if (question) {
            no->SetFixedPosition({295, 328, 385, 358});
            // The answer Return gives is the one that looks like the default: keeping things,
            // unless the program recommends going on.
            LookLike(*no, yesByDefault ? L"second" : L"primary",
                     yesByDefault ? L"#FF2F3744" : L"#FFFFFFFF");
        }
    }
    ProbeMessage(title, text);
    if (Control* edit = frame->TitleEdit()) {
        edit->SetText(std::move(title));
    }
    if (Control* label = frame->Message()) {
        if (question) {
            label->SetFixedPosition({24, 44, 536, 318});
            label->SetAttribute(L"align", L"left");
        }
        label->SetText(std::move(text));
    }
    if (question && !yesByDefault) {
        frame->FocusNoButton();
    } else {
        frame->FocusDefaultButton();
    }
    return frame->ShowModal();
}

}  // namespace

UINT ShowMessageBox(std::wstring title, std::wstring text, HWND owner) {
    return ShowConfirm(std::move(title), std::move(text), owner, false);
}

UINT ShowQuestionBox(std::wstring title, std::wstring text, HWND owner, QuestionDefault byDefault) {
    return ShowConfirm(std::move(title), std::move(text), owner, true,
                       byDefault == QuestionDefault::Yes);
}

}  // namespace qn
