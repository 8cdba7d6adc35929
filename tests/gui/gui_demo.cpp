// A small Windows program that drives the toolkit for the GUI tests (it is not the product):
//
//   qn_gui_demo confirm STATUS   an owner window opens the message box; when the box is up, its
//                                acknowledge button's screen centre is written to STATUS; after
//                                it closes: the close code, whether the owner is enabled again
//                                and how many worker messages the owner got meanwhile.
//   qn_gui_demo question STATUS  the same with the question box: the point written is 确定(Y)'s
//                                centre, and the close code is then 1.
//   qn_gui_demo pages STATUS     the main window skin with sample content; for each page it writes
//                                "ready N x y w h" and waits for the file STATUS.N (screenshot
//                                taken) before going on.
// The exit code is 0 when the run went as expected.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/win32/confirm_frame.h"
#include "ui/box_layout.h"
#include "ui/combo_box.h"
#include "ui/edit_box.h"
#include "ui/label.h"
#include "ui/list_element.h"
#include "ui/list_view.h"
#include "ui/option.h"
#include "ui/tab_layout.h"
#include "ui/win32/window_impl_base.h"

namespace {

constexpr UINT kWorkerMessage = WM_APP + 1;
constexpr UINT kStartMessage = WM_APP + 2;
constexpr UINT_PTR kWatchTimer = 1;
constexpr int kWaitSeconds = 60;

std::wstring g_status;  // the status file (one per run)

void WriteStatus(const std::string& line) {
    // Written whole, then renamed, so the script never reads half a line.
    const std::wstring temp = g_status + L".tmp";
    {
        std::ofstream out(std::string(temp.begin(), temp.end()), std::ios::trunc);
        out << line << "\n";
    }
    ::MoveFileExW(temp.c_str(), g_status.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// A plain owner window: counts the messages a worker thread posts to it.
class OwnerWindow : public qn::win32::NativeWindow {
public:
    explicit OwnerWindow(bool question) : question_(question) {}
    std::atomic<int> received{0};
    UINT code = 0;
    bool enabledAfter = false;
    bool focusBack = false;
    int receivedWhileOpen = 0;

protected:
    const wchar_t* GetWindowClassName() const override { return L"QnGuiOwner"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case kWorkerMessage:
                ++received;
                return 0;
            case kStartMessage: {
                ::SetTimer(hwnd_, kWatchTimer, 100, nullptr);
                const int before = received;
                code = question_ ? qn::ShowQuestionBox(L"提示信息", kQuestion, hwnd_)
                                 : qn::ShowMessageBox(L"提示信息", L"保存成功!", hwnd_);
                receivedWhileOpen = received - before;
                enabledAfter = ::IsWindowEnabled(hwnd_) != FALSE;
                focusBack = ::GetActiveWindow() == hwnd_;
                ::DestroyWindow(hwnd_);
                return 0;
            }
            case WM_TIMER: {
                // Once the box is shown and painted, tell the script where to click.
                HWND box = ::FindWindowW(L"UIConfirmFrame", nullptr);
                if (box != nullptr && ::IsWindowVisible(box)) {
                    ::KillTimer(hwnd_, kWatchTimer);
                    ::UpdateWindow(box);
                    RECT r{};
                    ::GetWindowRect(box, &r);
                    // The skin's units: the button's centre, scaled as the box is.
                    const int scale = ::MulDiv(r.right - r.left, 100, question_ ? 560 : 400);
                    const int x = r.left + (question_ ? 220 : 200) * scale / 100;
                    const int y = r.top + (question_ ? 343 : 145) * scale / 100;
                    WriteStatus("click " + std::to_string(x) + " " + std::to_string(y) + " " +
                                std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                                std::to_string(r.right - r.left) + " " +
                                std::to_string(r.bottom - r.top));
                }
                return 0;
            }
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return 0;
            default:
                return NativeWindow::HandleMessage(message, wParam, lParam);
        }
    }

private:
    static constexpr wchar_t kQuestion[] =
        L"磁盘0 的主引导记录中是 GRUB 引导代码，不是 Windows 的。\n\n确定(Y)：改写主引导记录\n"
        L"取消(C)：保留主引导记录，不做任何更改";
    bool question_;
};

int RunConfirm(bool question) {
    OwnerWindow owner(question);
    if (!owner.Create(nullptr, L"QN owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 40, 40, 640,
                      440)) {
        return 3;
    }
    std::atomic<bool> stop{false};
    HWND hwnd = owner.GetHWND();
    std::thread worker([&] {
        while (!stop) {
            ::PostMessageW(hwnd, kWorkerMessage, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    ::PostMessageW(hwnd, kStartMessage, 0, 0);
    qn::win32::NativeWindow::MessageLoop();
    stop = true;
    worker.join();
    WriteStatus("closed code=" + std::to_string(owner.code) +
                " owner_enabled=" + std::to_string(owner.enabledAfter) +
                " owner_active=" + std::to_string(owner.focusBack) +
                " worker_messages=" + std::to_string(owner.receivedWhileOpen));
    const UINT expected = question ? 1 : 2;
    return owner.code == expected && owner.enabledAfter && owner.receivedWhileOpen > 0 ? 0 : 1;
}

// The main window skin with content like the program's own, built with the toolkit operations
// the program's pages use.
class DemoFrame : public qn::win32::WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"QnGuiMain"; }
    std::wstring GetSkinFile() const override { return L"MainFrame.xml"; }
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override { return key == VK_ESCAPE ? 1 : 0; }
    void OnFinalMessage(HWND hwnd) override {
        WindowImplBase::OnFinalMessage(hwnd);
        ::PostQuitMessage(0);
    }
    void InitWindow() override;
};

template <typename T>
std::unique_ptr<T> Make(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attrs) {
    auto control = std::make_unique<T>();
    for (const auto& [name, value] : attrs) {
        control->SetAttribute(name, value);
    }
    return control;
}

void DemoFrame::InitWindow() {
    using namespace qn;
    auto find = [&](const wchar_t* name) { return pm_.FindControl(name); };
    find(L"lbStOs")->SetText(L"Windows 10 Pro");
    find(L"lbStDkPt")->SetText(L"磁盘0:MBR    磁盘1:GPT    ");
    find(L"lbStActPt")->SetText(L"磁盘0:     C:    磁盘1:     S:    ");

    auto* result = static_cast<ListView*>(find(L"listResult"));
    for (const wchar_t* text :
         {L"分区表类型为: MBR", L"正在修复激活分区 C: NT6 PBR引导......成功!", L"修复完成!"}) {
        auto row = Make<ListLabelElement>(
            {{L"padding", L"10, 0, 0, 0"}, {L"width", L"500"}, {L"textcolor", L"#FF404040"}});
        row->SetText(text);
        result->Add(std::move(row));
        result->ScrollToEnd();
    }
    find(L"lbResultTip")->SetText(L"修复完成!");

    auto* parts = static_cast<ListView*>(find(L"SelPartList"));
    for (const auto& [letter, name] : {std::pair{L"C", L"Windows 10 Pro (64位)"},
                                       std::pair{L"D", L"Windows 7 Ultimate (32位)"}}) {
        auto row = Make<ListContainerElement>({{L"height", L"30"}, {L"padding", L"1, 0, 0, 0"}});
        auto layout = Make<HorizontalLayout>({{L"width", L"538"}, {L"inset", L"3,5,3,5"}});
        layout->Add(Make<Control>({{L"width", L"17"}}));
        auto box =
            Make<CheckBox>({{L"width", L"30"},
                            {L"align", L"left"},
                            {L"selectedimage", L"file = 'checked.png' dest = '0, 2, 17, 19'"},
                            {L"normalimage", L"file = 'unchecked.png' dest = '0, 2, 17, 19'"}});
        box->SetCheck(true);
        layout->Add(std::move(box));
        layout->Add(Make<Control>({{L"width", L"45"}}));
        auto label = Make<Label>({{L"width", L"30"}, {L"font", L"2"}});
        label->SetText(std::wstring(letter) + L":");
        layout->Add(std::move(label));
        layout->Add(Make<Control>({{L"width", L"125"}}));
        auto title = Make<Label>({{L"width", L"500"}, {L"align", L"left"}, {L"font", L"2"}});
        title->SetText(name);
        title->SetTextStyle(title->TextStyle() | kTextEndEllipsis);
        layout->Add(std::move(title));
        row->Add(std::move(layout));
        parts->Add(std::move(row));
    }

    auto* boot = static_cast<ListView*>(find(L"SelBootList"));
    for (const auto& columns :
         {std::array<const wchar_t*, 4>{L"C:", L"MBR", L"系统", L"激活分区"},
          std::array<const wchar_t*, 4>{L"ESP", L"GPT", L"ESP(本机请选择此项)", L"激活分区"}}) {
        auto row = Make<ListTextElement>({{L"padding", L"1,0,0,0"}});
        for (int i = 0; i < 4; ++i) {
            row->SetColumnText(i, columns[static_cast<std::size_t>(i)]);
        }
        boot->Add(std::move(row));
    }
    boot->SelectItem(0);

    auto* file = static_cast<ComboBox*>(find(L"CmbBootFile"));
    for (const wchar_t* item : {L"BCD", L"boot.ini"}) {
        auto element = Make<ListLabelElement>({{L"align", L"center"}});
        element->SetText(item);
        file->Add(std::move(element));
    }
    file->SelectItem(0, false, false);
    find(L"edBeTimeout")->SetText(L"30");
    auto* edit = static_cast<ListView*>(find(L"listBceEdit"));
    auto* entries = static_cast<ComboBox*>(find(L"CmbBootEntry"));
    const struct {
        const wchar_t* id;
        const wchar_t* device;
        const wchar_t* description;
        const wchar_t* locale;
        bool isDefault;
    } bootEntries[] = {
        {L"{current}", L"C:", L"Windows 10", L"zh-CN", true},
        {L"{4a1b6c2e-0000-11ee-9a7e-806e6f6e6963}", L"D:", L"Windows 7 旗舰版", L"en-US", false},
        {L"{ntldr}", L"P1", L"Microsoft Windows XP Professional", L"", false}};
    for (const auto& e : bootEntries) {
        auto row = Make<ListContainerElement>({{L"height", L"30"}, {L"padding", L"1, 0, 0, 0"}});
        auto layout = Make<HorizontalLayout>({{L"width", L"489"}, {L"inset", L"3,0,3,0"}});
        auto box =
            Make<CheckBox>({{L"width", L"30"},
                            {L"float", L"true"},
                            {L"pos", L"10, 5, 40, 35"},
                            {L"align", L"left"},
                            {L"selectedimage", L"file = 'checked.png' dest = '0, 2, 17, 19'"},
                            {L"normalimage", L"file = 'unchecked.png' dest = '0, 2, 17, 19'"},
                            {L"group", L"BcdDefault"}});
        box->SetCheck(e.isDefault);
        auto device = Make<Label>({{L"width", L"75"},
                                   {L"float", L"true"},
                                   {L"pos", L"35, 0, 110, 30"},
                                   {L"align", L"center"},
                                   {L"font", L"2"},
                                   {L"textcolor", L"#FF404040"}});
        device->SetText(e.device);
        auto description = Make<EditBox>({{L"width", L"299"},
                                          {L"height", L"30"},
                                          {L"float", L"true"},
                                          {L"pos", L"110, 0, 409, 30"},
                                          {L"align", L"center"},
                                          {L"font", L"2"},
                                          {L"textcolor", L"#FF404040"}});
        description->SetTextStyle(description->TextStyle() | kTextEndEllipsis);
        description->SetText(e.description);
        description->SetUserData(e.id);
        layout->Add(std::move(box));
        layout->Add(std::move(device));
        layout->Add(std::move(description));
        if (*e.locale != 0) {
            auto combo = Make<ComboBox>({{L"normalimage", L"cb_e1.png"},
                                         {L"hotimage", L"cb_e2.png"},
                                         {L"focusedimage", L"cb_e2.png"},
                                         {L"itemfont", L"4"},
                                         {L"font", L"4"},
                                         {L"itembkcolor", L"#FFFFFFFF"},
                                         {L"itemtextpadding", L"5,0,0,0"},
                                         {L"textpadding", L"5,0,0,0"},
                                         {L"itemtextcolor", L"#FF404040"},
                                         {L"itemselectedtextcolor", L"#FF404040"},
                                         {L"vscrollbar", L"true"},
                                         {L"float", L"true"},
                                         {L"pos", L"409, 5, 479, 25"},
                                         {L"itembkcolor", L"#FFF5F5F5"}});
            for (const wchar_t* name :
                 {L"zh-CN", L"zh-HK", L"zh-TW", L"en-GB", L"en-US", L"de-DE", L"ja-JP"}) {
                auto item = std::make_unique<ListLabelElement>();
                ListLabelElement* raw = item.get();
                combo->Add(std::move(item));
                raw->SetText(name);
                if (std::wstring(name) == e.locale) {
                    combo->SelectItem(combo->Count() - 1, false, false);
                }
            }
            layout->Add(std::move(combo));
        }
        row->Add(std::move(layout));
        edit->Add(std::move(row));
        auto item = std::make_unique<ListLabelElement>();
        item->SetText(std::wstring(e.id) + L"  " + e.description);
        item->SetUserData(e.id);
        entries->Add(std::move(item));
    }
    edit->SelectItem(0);
    entries->SelectItem(0, false, false);
}

bool WaitForFile(const std::wstring& path) {
    for (int i = 0; i < kWaitSeconds * 20; ++i) {
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        // Keep the window responsive while the script works.
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(50);
    }
    return false;
}

int RunPages() {
    auto* frame = new DemoFrame();
    if (!frame->Create(nullptr, L"QuenraNT引导修复工具",
                       WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                           WS_SYSMENU | WS_MINIMIZEBOX,
                       0, 0, 0, 0, 0)) {
        std::fprintf(stderr, "main window not created: %ls\n", frame->SkinError().c_str());
        return 3;
    }
    frame->CenterWindow();
    frame->ShowWindow(true);
    auto* tab = static_cast<qn::TabLayout*>(frame->Manager().FindControl(L"mainframe_tab"));
    if (tab == nullptr) {
        return 4;
    }
    for (int page = 0; page < tab->Count(); ++page) {
        tab->SelectItem(page);
        ::RedrawWindow(frame->GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r{};
        ::GetWindowRect(frame->GetHWND(), &r);
        WriteStatus("ready " + std::to_string(page) + " " + std::to_string(r.left) + " " +
                    std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                    std::to_string(r.bottom - r.top));
        if (!WaitForFile(g_status + L"." + std::to_wstring(page))) {
            return 5;
        }
    }
    ::DestroyWindow(frame->GetHWND());
    qn::win32::NativeWindow::MessageLoop();
    WriteStatus("done");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ::SetProcessDPIAware();
    if (argc < 3) {
        std::fprintf(stderr, "usage: qn_gui_demo confirm|question|pages STATUS\n");
        return 2;
    }
    g_status = argv[2];
    const std::wstring mode = argv[1];
    if (mode == L"confirm" || mode == L"question") {
        return RunConfirm(mode == L"question");
    }
    if (mode == L"pages") {
        return RunPages();
    }
    return 2;
}
