#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/control_factory.h"
#include "ui/notification.h"
#include "ui/notify_pump.h"
#include "ui/skin_source.h"
#include "ui/win32/native_window.h"
#include "ui/win32/paint_manager.h"

namespace qn::win32 {

// Where a window's skin comes from. The program carries its skin as a zip archive in a resource.
enum class SkinResourceKind { ZipResource };

// The base of the program's skinned windows: on creation it drops the system caption (the skin
// draws its own), builds the skin file into its paint manager and registers itself for the
// notifications; the caption band of the skin drags the window. Derived windows override the
// operations below, in this order.
class WindowImplBase : public NativeWindow,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    PaintManager& Manager() { return pm_; }
    // Why the last creation failed to build the skin (empty when it did not fail).
    const std::wstring& SkinError() const { return skinError_; }

protected:
    const wchar_t* GetWindowClassName() const override = 0;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;
    // After the skin has been built into the window.
    virtual void InitWindow() {}
    virtual std::wstring GetSkinFolder() const { return L""; }
    virtual std::wstring GetSkinFile() const = 0;
    // Asked for Return and Escape key-downs; non-zero means handled (the key goes no further).
    // Here neither is handled: Return then presses the focused button.
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM key);
    virtual SkinResourceKind GetResourceType() const { return SkinResourceKind::ZipResource; }
    virtual SkinResourceId GetResourceId() const { return {}; }
    // WM_SYSCOMMAND: default processing (so Alt+F4 closes like the caption's close button).
    virtual LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // The notification sink: the pump's routes by default.
    void Notify(Notification& msg) override;

    std::unique_ptr<Control> CreateControl(std::wstring_view className) override;
    std::intptr_t MessageHandler(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                 bool& handled) override;

    virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    PaintManager pm_;

private:
    std::wstring skinError_;
};

// For WM_NCHITTEST: whether the screen point in lParam lies in the skin's caption band (which
// drags the window), and then the control under it (null when none): nullopt outside the band.
std::optional<Control*> CaptionBandControl(PaintManager& manager, HWND hwnd, LPARAM lParam);

// Builds a skin file of the program's skin resource into manager (skin, fonts and tree); false
// with a reason in error when the resource, the archive or the markup is unusable.
bool BuildSkinWindow(PaintManager& manager, const SkinResourceId& resource,
                     const std::wstring& file, IDialogBuilderCallback* callback,
                     std::wstring& error);

}  // namespace qn::win32
