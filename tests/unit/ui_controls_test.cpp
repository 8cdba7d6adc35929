#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/box_layout.h"
#include "ui/combo_box.h"
#include "ui/control_manager.h"
#include "ui/edit_box.h"
#include "ui/fake/recording_canvas.h"
#include "ui/fake/recording_ui_host.h"
#include "ui/label.h"
#include "ui/list_element.h"
#include "ui/list_view.h"
#include "ui/notify_pump.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn {
namespace {

struct Recorder : INotifyUI {
    void Notify(Notification& msg) override {
        events.push_back(msg.type + L":" + (msg.sender ? msg.sender->Name() : L"?"));
        if (onNotify) {
            onNotify(msg);
        }
    }
    std::vector<std::wstring> events;
    std::function<void(Notification&)> onNotify;
};

template <typename T>
T* Add(Container& parent, const wchar_t* name, int height = 30) {
    auto control = std::make_unique<T>();
    control->SetName(name);
    control->SetFixedHeight(height);
    T* raw = control.get();
    parent.Add(std::move(control));
    return raw;
}

class UiControls : public ::testing::Test {
protected:
    void Attach(std::unique_ptr<Control> root) {
        manager.SetHost(&host);
        manager.AddNotifier(&recorder);
        manager.AttachRoot(std::move(root));
        manager.SetClientSize({400, 400});
        manager.LayoutIfNeeded();
    }
    void Click(Control* c) {
        const UiPoint p{(c->Pos().left + c->Pos().right) / 2, (c->Pos().top + c->Pos().bottom) / 2};
        manager.OnButtonDown(p, 0);
        manager.OnButtonUp(p, 0);
    }
    std::unique_ptr<ListLabelElement> Row(const std::wstring& text) {
        auto row = std::make_unique<ListLabelElement>();
        row->SetText(text);
        return row;
    }

    fake::RecordingUiHost host;
    Recorder recorder;
    ControlManager manager;
};

TEST_F(UiControls, ButtonsClickOnPressAndReleaseInsideOnlyWhenEnabled) {
    auto root = std::make_unique<VerticalLayout>();
    auto* ok = Add<Button>(*root, L"btn_oneyes");
    auto* off = Add<Button>(*root, L"btn_no");
    Attach(std::move(root));
    Click(ok);
    off->SetEnabled(false);
    Click(off);
    // Pressed inside, released outside: no click.
    manager.OnButtonDown({5, 5}, 0);
    manager.OnButtonUp({5, 300}, 0);
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"click:btn_oneyes"}));
    EXPECT_EQ(manager.Focus(), ok);
}

TEST_F(UiControls, OptionsOfAGroupExcludeEachOtherAndCheckBoxesToggle) {
    auto root = std::make_unique<VerticalLayout>();
    std::vector<CheckBox*> defaults;
    for (const wchar_t* name : {L"a", L"b", L"c"}) {
        defaults.push_back(Add<CheckBox>(*root, name));
        defaults.back()->SetAttribute(L"group", L"BcdDefault");
    }
    auto* clear = Add<CheckBox>(*root, L"ckClearBootRepair");
    Attach(std::move(root));
    defaults[0]->SetCheck(true);
    Click(defaults[2]);
    EXPECT_FALSE(defaults[0]->GetCheck());
    EXPECT_TRUE(defaults[2]->GetCheck());
    Click(defaults[2]);  // the selected member of a group stays selected
    EXPECT_TRUE(defaults[2]->GetCheck());
    Click(clear);
    Click(clear);
    EXPECT_FALSE(clear->GetCheck());
    EXPECT_EQ(recorder.events,
              (std::vector<std::wstring>{
                  L"selectchanged:a", L"selectchanged:a", L"selectchanged:c", L"click:c",
                  L"click:c", L"selectchanged:ckClearBootRepair", L"click:ckClearBootRepair",
                  L"selectchanged:ckClearBootRepair", L"click:ckClearBootRepair"}));
}

TEST_F(UiControls, ASelectedGroupMemberJoiningTheWindowClearsTheOthers) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"listBceEdit", 300);
    Attach(std::move(root));
    std::vector<CheckBox*> boxes;
    for (bool selected : {true, false, true}) {
        auto row = std::make_unique<ListContainerElement>();
        auto box = std::make_unique<CheckBox>();
        box->SetAttribute(L"group", L"BcdDefault");
        box->SetCheck(selected);
        boxes.push_back(box.get());
        row->Add(std::move(box));
        list->Add(std::move(row));
    }
    EXPECT_FALSE(boxes[0]->GetCheck());
    EXPECT_TRUE(boxes[2]->GetCheck());
}

TEST_F(UiControls, ListRemovesDestroyingOrKeepingAndTheSelectionFollows) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"listBceEdit", 300);
    Attach(std::move(root));
    for (const wchar_t* text : {L"A", L"B", L"C", L"D"}) {
        list->Add(Row(text));
    }
    ASSERT_TRUE(list->SelectItem(2));
    // Move row 2 up, the way the editor's "up" button does.
    std::unique_ptr<Control> kept = list->TakeAt(2);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(list->SelectedIndex(), -1);
    EXPECT_EQ(kept->Manager(), nullptr);
    ASSERT_TRUE(list->AddAt(std::move(kept), 1));
    ASSERT_TRUE(list->SelectItem(1));
    std::wstring order;
    for (int i = 0; i < list->Count(); ++i) {
        order += list->ItemAt(i)->Text();
    }
    EXPECT_EQ(order, L"ACBD");
    EXPECT_EQ(list->ItemAt(1)->Manager(), &manager);
    // Removing a row before the selection shifts it; removing the selected one clears it.
    ASSERT_TRUE(list->RemoveAt(0));
    EXPECT_EQ(list->SelectedIndex(), 0);
    ASSERT_TRUE(list->RemoveAt(0));
    EXPECT_EQ(list->SelectedIndex(), -1);
    EXPECT_FALSE(list->RemoveAt(5));
    EXPECT_EQ(list->TakeAt(-1), nullptr);
    EXPECT_FALSE(list->AddAt(Row(L"X"), 4));
    EXPECT_FALSE(list->SelectItem(2));
    list->RemoveAll();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(recorder.events,
              (std::vector<std::wstring>{L"itemselect:listBceEdit", L"itemselect:listBceEdit"}));
}

TEST_F(UiControls, SelectingTheSameItemAgainDoesNotNotifyAndQuietSelectionIsQuiet) {
    auto root = std::make_unique<VerticalLayout>();
    auto* combo = Add<ComboBox>(*root, L"CmbBootFile");
    Attach(std::move(root));
    combo->Add(Row(L"BCD"));
    combo->Add(Row(L"boot.ini"));
    EXPECT_EQ(combo->SelectedIndex(), -1);
    EXPECT_EQ(combo->SelectedText(), L"");
    combo->SelectItem(0);
    combo->SelectItem(0);
    combo->SelectItem(1, false, false);
    EXPECT_EQ(combo->SelectedText(), L"boot.ini");
    // An item's text set after it was added is what the box shows.
    combo->ItemAt(1)->SetText(L"zh-CN");
    EXPECT_EQ(combo->SelectedText(), L"zh-CN");
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"itemselect:CmbBootFile"}));
    Click(combo);
    ASSERT_EQ(host.dropLists.size(), 1u);
    EXPECT_EQ(host.dropLists[0], combo);
    combo->RemoveAll();
    EXPECT_EQ(combo->SelectedIndex(), -1);
}

TEST_F(UiControls, PressingInsideARowSelectsItWithANotification) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"SelBootList", 300);
    Attach(std::move(root));
    for (int i = 0; i < 3; ++i) {
        auto row = std::make_unique<ListContainerElement>();
        auto layout = std::make_unique<HorizontalLayout>();
        auto box = std::make_unique<CheckBox>();
        box->SetName(L"box");
        box->SetFixedWidth(30);
        layout->Add(std::move(box));
        row->Add(std::move(layout));
        list->Add(std::move(row));
    }
    manager.LayoutIfNeeded();
    Control* box =
        static_cast<Container*>(static_cast<Container*>(list->ItemAt(1))->ItemAt(0))->ItemAt(0);
    Click(box);
    EXPECT_EQ(list->SelectedIndex(), 1);
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"itemselect:SelBootList",
                                                          L"selectchanged:box", L"click:box"}));
}

TEST_F(UiControls, AClickHandlerMayDestroyTheClickedRow) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"list", 300);
    Attach(std::move(root));
    auto row = std::make_unique<ListContainerElement>();
    auto button = std::make_unique<Button>();
    button->SetName(L"del");
    row->Add(std::move(button));
    list->Add(std::move(row));
    manager.LayoutIfNeeded();
    recorder.onNotify = [&](Notification& msg) {
        if (msg.type == kNotifyClick) {
            list->RemoveAt(0);
        }
    };
    Click(static_cast<Container*>(list->ItemAt(0))->ItemAt(0));
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(manager.Focus(), nullptr);
    EXPECT_EQ(manager.Captured(), nullptr);
    manager.OnMouseMove({5, 5});
    manager.OnButtonUp({5, 5}, 0);
}

TEST_F(UiControls, AHandlerMayDestroyTheHotAndCapturedControlWhileItIsPressed) {
    // The row's selection is announced while the button is pressed: the pointer hovers over it
    // and it holds the capture when the handler takes the row away.
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"list", 300);
    Attach(std::move(root));
    auto row = std::make_unique<ListContainerElement>();
    auto button = std::make_unique<Button>();
    button->SetName(L"del");
    row->Add(std::move(button));
    list->Add(std::move(row));
    manager.LayoutIfNeeded();
    Control* pressed = static_cast<Container*>(list->ItemAt(0))->ItemAt(0);
    const UiPoint p{(pressed->Pos().left + pressed->Pos().right) / 2,
                    (pressed->Pos().top + pressed->Pos().bottom) / 2};
    manager.OnMouseMove(p);
    ASSERT_EQ(manager.Hot(), pressed);
    bool removed = false;
    recorder.onNotify = [&](Notification& msg) {
        if (msg.type == kNotifyItemSelect && !removed) {
            ASSERT_EQ(manager.Captured(), pressed);
            removed = true;
            list->RemoveAt(0);
        }
    };
    manager.OnButtonDown(p, 0);
    ASSERT_TRUE(removed);
    EXPECT_EQ(manager.Hot(), nullptr);
    EXPECT_EQ(manager.Captured(), nullptr);
    // Nothing is sent to the destroyed control afterwards (AddressSanitizer would see it).
    manager.OnMouseMove({p.x + 1, p.y});
    manager.OnButtonUp(p, 0);
    manager.OnMouseLeave();
}

TEST_F(UiControls, TabVisitsVisibleEnabledControlsInOrderAndSkipsHiddenPages) {
    auto root = std::make_unique<VerticalLayout>();
    auto* first = Add<Button>(*root, L"btn_min");
    auto* tabs = Add<TabLayout>(*root, L"mainframe_tab", 200);
    auto* page0 = Add<VerticalLayout>(*tabs, L"page0");
    auto* page1 = Add<VerticalLayout>(*tabs, L"page1");
    auto* shown = Add<Button>(*page0, L"BtnAutoRepair");
    auto* disabled = Add<Button>(*page0, L"BtnRsQuit");
    disabled->SetEnabled(false);
    auto* edit = Add<EditBox>(*page0, L"edTimeout");
    Add<Button>(*page1, L"BtnBeSave");
    Attach(std::move(root));
    std::vector<std::wstring> visited;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(manager.OnKeyDown(kKeyTab, 0));
        visited.push_back(manager.Focus()->Name());
    }
    EXPECT_EQ(visited,
              (std::vector<std::wstring>{L"btn_min", L"BtnAutoRepair", L"edTimeout", L"btn_min"}));
    manager.OnKeyDown(kKeyTab, kModShift);
    EXPECT_EQ(manager.Focus(), edit);
    EXPECT_TRUE(manager.ShowFocusCue());
    EXPECT_EQ(host.focusChanges.back(), edit);
    // Switching pages takes the focus away from the page that goes.
    tabs->SelectItem(1);
    EXPECT_EQ(manager.Focus(), nullptr);
    (void)first;
    (void)shown;
}

TEST_F(UiControls, KeysActivateTheFocusedButtonAndCaptionShortcuts) {
    auto root = std::make_unique<VerticalLayout>();
    auto* tabs = Add<TabLayout>(*root, L"tab", 200);
    auto* page0 = Add<VerticalLayout>(*tabs, L"p0");
    auto* page1 = Add<VerticalLayout>(*tabs, L"p1");
    Add<Button>(*page0, L"BtnBootRepair")->SetText(L"下一步(S)");
    Add<Button>(*page1, L"BtnBeSave")->SetText(L"保存(S)");
    auto* edit = Add<EditBox>(*page1, L"edBeTimeout");
    Attach(std::move(root));
    EXPECT_TRUE(manager.OnKeyDown('S', 0));
    tabs->SelectItem(1);
    EXPECT_TRUE(manager.OnKeyDown('S', kModAlt));
    manager.SetFocus(edit);
    // Typing an S into the edit box is text, not a shortcut.
    EXPECT_FALSE(manager.OnKeyDown('S', 0));
    manager.OnKeyDown(kKeyTab, kModShift);
    EXPECT_TRUE(manager.OnKeyDown(kKeySpace, 0));
    EXPECT_TRUE(manager.OnKeyDown(kKeyReturn, 0));
    EXPECT_FALSE(manager.OnKeyDown('Q', kModAlt));
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"click:BtnBootRepair", L"tabselect:tab",
                                                          L"click:BtnBeSave", L"click:BtnBeSave",
                                                          L"click:BtnBeSave"}));
}

TEST_F(UiControls, ArrowKeysMoveTheSelectionOfAFocusedList) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"SelBootList", 300);
    Attach(std::move(root));
    for (const wchar_t* text : {L"C:", L"D:", L"ESP"}) {
        list->Add(Row(text));
    }
    list->SelectItem(0, true);
    manager.OnKeyDown(kKeyDown, 0);
    manager.OnKeyDown(kKeyDown, 0);
    manager.OnKeyDown(kKeyDown, 0);
    EXPECT_EQ(list->SelectedIndex(), 2);
    manager.OnKeyDown(kKeyHome, 0);
    EXPECT_EQ(list->SelectedIndex(), 0);
}

TEST_F(UiControls, PlainLettersFireButtonsOnlyWhenNothingTakesTyping) {
    auto root = std::make_unique<VerticalLayout>();
    Add<Button>(*root, L"BtnBeSave")->SetText(L"保存(S)");
    auto* other = Add<Button>(*root, L"BtnBeUp");
    auto* list = Add<ListView>(*root, L"listBceEdit", 100);
    auto* combo = Add<ComboBox>(*root, L"CmbLocale");
    auto* edit = Add<EditBox>(*root, L"edBeTimeout");
    Attach(std::move(root));
    list->Add(Row(L"Windows 7"));
    for (const wchar_t* text : {L"zh-CN", L"sv-SE"}) {
        combo->Add(Row(text));
    }
    struct Case {
        Control* focus;
        unsigned modifiers;
        bool fires;
    };
    const Case cases[] = {
        {list, 0, false},
        {combo, 0, false},
        {edit, 0, false},
        {list, kModShift, false},
        {other, 0, true},
        {nullptr, 0, true},
        {list, kModAlt, true},
        {combo, kModAlt, true},
        {edit, kModAlt, true},
        {other, kModAlt, true},
        {edit, kModAlt | kModControl, false},
        {list, kModControl, false},
    };
    for (const Case& c : cases) {
        manager.SetFocus(c.focus);
        recorder.events.clear();
        manager.OnKeyDown('S', c.modifiers);
        const bool fired =
            std::count(recorder.events.begin(), recorder.events.end(), L"click:BtnBeSave") == 1;
        EXPECT_EQ(fired, c.fires) << "focus " << (c.focus ? c.focus->Name() : L"none")
                                  << " modifiers " << c.modifiers;
    }
    // The letter went to the combo box instead: it found sv-SE there.
    EXPECT_EQ(combo->SelectedText(), L"sv-SE");
}

TEST_F(UiControls, TypedLettersSelectInAComboBoxCyclingWrappingAndJoiningWithinTheTimeout) {
    auto root = std::make_unique<VerticalLayout>();
    auto* combo = Add<ComboBox>(*root, L"CmbLocale");
    Attach(std::move(root));
    for (const wchar_t* text :
         {L"zh-CN", L"en-GB", L"en-US", L"sk-SK", L"sl-SI", L"sv-SE", L"uk-UA"}) {
        combo->Add(Row(text));
    }
    combo->SelectItem(0, true, false);
    std::uint32_t now = 0;
    manager.SetKeyClock([&] { return now; });
    struct Step {
        int key;
        std::uint32_t time;
        const wchar_t* selected;
    };
    const Step steps[] = {
        {'S', 0, L"sk-SK"},      // the next item with the letter
        {'S', 200, L"sl-SI"},    // the same letter again: the one after it
        {'S', 400, L"sv-SE"},    //
        {'S', 600, L"sk-SK"},    // wrapped around
        {'S', 5000, L"sl-SI"},   // a new search
        {'V', 5300, L"sv-SE"},   // "sv": past sl-SI
        {'E', 6300, L"en-GB"},   // a full second later: "e" alone, wrapping around
        {'E', 6900, L"en-US"},   //
        {'X', 9000, L"en-US"},   // nothing starts with it: the selection stays
        {'E', 12000, L"en-GB"},  //
        {'N', 12500, L"en-GB"},  // "en" still matches the current item
        {'U', 20000, L"uk-UA"},  // keys come in upper case, items match whatever their case
        {'7', 30000, L"uk-UA"},  //
    };
    int changes = 0;
    std::wstring previous = combo->SelectedText();
    for (const Step& step : steps) {
        now = step.time;
        EXPECT_TRUE(manager.OnKeyDown(step.key, 0));
        EXPECT_EQ(combo->SelectedText(), step.selected)
            << "key " << static_cast<char>(step.key) << " at " << step.time;
        changes += combo->SelectedText() != previous ? 1 : 0;
        previous = combo->SelectedText();
    }
    // Each change is announced as an arrow key's would be, and only the changes.
    EXPECT_EQ(recorder.events, std::vector<std::wstring>(changes, L"itemselect:CmbLocale"));
    EXPECT_TRUE(manager.ShowFocusCue());
    // The keyboard still opens the list and moves through it.
    manager.OnKeyDown(kKeyUp, 0);
    EXPECT_EQ(combo->SelectedText(), L"sv-SE");
    manager.OnKeyDown(kKeyF4, 0);
    manager.OnKeyDown(kKeyDown, kModAlt);
    EXPECT_EQ(host.dropLists, (std::vector<ComboBox*>{combo, combo}));
}

TEST_F(UiControls, TypedLettersSelectTheListRowWhoseFirstShownTextStartsWithThem) {
    auto root = std::make_unique<VerticalLayout>();
    auto* list = Add<ListView>(*root, L"listBceEdit", 300);
    Add<Button>(*root, L"BtnBeDel")->SetText(L"移除(M)");
    Attach(std::move(root));
    // Rows as the editor builds them: a check box without text, the device, the description.
    struct Entry {
        const wchar_t* device;
        const wchar_t* description;
    };
    for (const Entry& entry : {Entry{L"C:", L"Windows 7"}, Entry{L"D:", L"Windows 10"},
                               Entry{L"", L"Memory test"}, Entry{L"d:", L"Windows XP"}}) {
        auto row = std::make_unique<ListContainerElement>();
        auto layout = std::make_unique<HorizontalLayout>();
        layout->Add(std::make_unique<CheckBox>());
        auto device = std::make_unique<Label>();
        device->SetText(entry.device);
        layout->Add(std::move(device));
        auto description = std::make_unique<EditBox>();
        description->SetText(entry.description);
        layout->Add(std::move(description));
        row->Add(std::move(layout));
        list->Add(std::move(row));
    }
    list->SelectItem(0, true, false);
    // No key clock: every letter is a search of its own, so "D" twice cycles and "M" is alone.
    const std::pair<int, int> steps[] = {{'D', 1}, {'D', 3}, {'D', 1}, {'M', 2}, {'C', 0}};
    for (const auto& [key, row] : steps) {
        EXPECT_TRUE(manager.OnKeyDown(key, 0));
        EXPECT_EQ(list->SelectedIndex(), row) << static_cast<char>(key);
    }
    EXPECT_EQ(recorder.events, std::vector<std::wstring>(5, L"itemselect:listBceEdit"));
    EXPECT_EQ(ListItemSearchText(*list->ItemAt(2)), L"Memory test");
}

TEST_F(UiControls, EditBoxesNotifyUserChangesOnlyAndClampTheSelection) {
    struct Native : NativeTextInput {
        void SetText(const std::wstring& t) override { text = t; }
        void SetSelection(int s, int e) override { sel = {s, e}; }
        std::wstring text;
        std::pair<int, int> sel{-1, -1};
    } native;
    auto root = std::make_unique<VerticalLayout>();
    auto* edit = Add<EditBox>(*root, L"edTimeout");
    Attach(std::move(root));
    edit->SetText(L"3");
    edit->AttachNativeInput(&native);
    edit->OnUserTextChanged(L"3a5", 2, 2);
    edit->SetText(L"35");
    edit->SetSel(2, 2);
    EXPECT_EQ(native.text, L"35");
    EXPECT_EQ(native.sel, (std::pair<int, int>{2, 2}));
    edit->SetSel(1, 99);
    EXPECT_EQ(edit->SelEnd(), 2);
    edit->SetSel(0, -1);
    EXPECT_EQ(native.sel, (std::pair<int, int>{0, 2}));
    EXPECT_EQ(recorder.events, (std::vector<std::wstring>{L"textchanged:edTimeout"}));
    // A focused edit box taken out of the window loses its native input.
    manager.SetFocus(edit);
    auto kept = static_cast<Container*>(manager.Root())->TakeAt(0);
    EXPECT_EQ(static_cast<EditBox*>(kept.get())->NativeInput(), nullptr);
    EXPECT_EQ(manager.Focus(), nullptr);
}

TEST_F(UiControls, PaintingDrawsTheShownPageTextsOnly) {
    auto root = std::make_unique<TabLayout>();
    auto* page0 = Add<VerticalLayout>(*root, L"p0");
    auto* page1 = Add<VerticalLayout>(*root, L"p1");
    Add<Label>(*page0, L"lbResultTip")->SetText(L"正在修复引导，请稍候......");
    Add<Label>(*page1, L"lbSpTip")->SetText(L"请选择需要修复引导的分区:");
    auto* list = Add<ListView>(*page0, L"listResult", 100);
    auto header = std::make_unique<ListHeader>();
    for (const wchar_t* column : {L"盘符", L"分区表"}) {
        auto item = std::make_unique<ListHeaderItem>();
        item->SetText(column);
        item->SetFixedWidth(60);
        header->Add(std::move(item));
    }
    list->AddMarkupChild(std::move(header));
    auto row = std::make_unique<ListTextElement>();
    row->SetColumnText(0, L"C:");
    row->SetColumnText(1, L"MBR");
    list->Add(std::move(row));
    Attach(std::move(root));
    fake::RecordingCanvas canvas;
    manager.Paint(canvas, {0, 0, 400, 400});
    EXPECT_NE(canvas.Find(L"正在修复引导，请稍候......"), nullptr);
    EXPECT_EQ(canvas.Find(L"请选择需要修复引导的分区:"), nullptr);
    const auto* mbr = canvas.Find(L"MBR");
    ASSERT_NE(mbr, nullptr);
    EXPECT_EQ(mbr->rect.left, 60);
    EXPECT_EQ(canvas.depth, 0);
}

TEST(UiNotifyPump, RoutesByTypeAndNameFirstMatchOnly) {
    CNotifyPump pump;
    std::vector<std::wstring> calls;
    pump.AddHandler(L"click", L"btn_close", [&](Notification&) { calls.push_back(L"close"); });
    pump.AddHandler(L"click", L"", [&](Notification&) { calls.push_back(L"any"); });
    Button close;
    close.SetName(L"btn_close");
    Button other;
    other.SetName(L"BtnBeUp");
    Notification a{&close, L"click"};
    Notification b{&other, L"click"};
    Notification c{&other, L"textchanged"};
    EXPECT_TRUE(pump.NotifyPump(a));
    EXPECT_TRUE(pump.NotifyPump(b));
    EXPECT_FALSE(pump.NotifyPump(c));
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"close", L"any"}));
}

}  // namespace
}  // namespace qn
