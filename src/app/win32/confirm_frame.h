#pragma once

#include <windows.h>

#include <string>

#include "ui/notification.h"
#include "ui/win32/native_window.h"
#include "ui/win32/paint_manager.h"

namespace qn {

class Button;
class EditBox;
class Label;

// Close codes of the message box.
inline constexpr UINT kConfirmYes = 1;
inline constexpr UINT kConfirmNo = 2;

// The program's one message box: the skin "ConfirmForm.xml" in a modal window of class
// "UIConfirmFrame". The object deletes itself when its window is destroyed.
class CConfirmFrame : public win32::NativeWindow, public INotifyUI, public IMessageFilterUI {
public:
    CConfirmFrame() = default;

    Control* TitleEdit() const { return title_; }
    Control* Message() const { return message_; }
    Control* YesButton() const { return yes_; }
    Control* NoButton() const { return no_; }
    Control* OneYesButton() const { return oneYes_; }
    // Gives the keyboard focus to the first visible of btn_oneyes and btn_yes.
    void FocusDefaultButton();
    void FocusNoButton();
    // Another size than the skin's, in the skin's units (scaled as the skin is).
    void ResizeInSkinUnits(int width, int height);

protected:
    const wchar_t* GetWindowClassName() const override { return L"UIConfirmFrame"; }
    const wchar_t* GetSuperClassName() const override { return nullptr; }
    UINT GetClassStyle() const override { return 0; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;
    void Notify(Notification& msg) override;
    std::intptr_t MessageHandler(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                 bool& handled) override;

private:
    LRESULT OnCreate();
    LRESULT OnNcHitTest(LPARAM lParam);

    win32::PaintManager pm_;
    Control* title_ = nullptr;
    Control* message_ = nullptr;
    Control* yes_ = nullptr;
    Control* no_ = nullptr;
    Control* oneYes_ = nullptr;
};

// Shows a message modally over owner with the acknowledge button only and waits until the user
// closes it. Returns the close code: 2 for the acknowledge button, and 2 when the box cannot be
// shown at all. UI thread only.
UINT ShowMessageBox(std::wstring title, std::wstring text, HWND owner);

// Which answer of a question looks like the default and has the keyboard focus (Return).
enum class QuestionDefault { No, Yes };

// Asks a question with 确定(Y) and 取消(C), in a larger box whose keyboard focus starts on
// 取消(C) unless the program recommends going on. Returns kConfirmYes for 确定(Y); kConfirmNo
// for 取消(C), Escape, or a box that cannot be shown. UI thread only.
UINT ShowQuestionBox(std::wstring title, std::wstring text, HWND owner,
                     QuestionDefault byDefault = QuestionDefault::No);

}  // namespace qn
