#include <gtest/gtest.h>

#include <memory>

#include "ui/box_layout.h"
#include "ui/control_manager.h"
#include "ui/fake/recording_ui_host.h"
#include "ui/list_element.h"
#include "ui/list_view.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn {
namespace {

template <typename T>
T* AddTo(Container& parent,
         std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attrs) {
    auto control = std::make_unique<T>();
    for (const auto& [name, value] : attrs) {
        EXPECT_TRUE(control->SetAttribute(name, value)) << name << "=" << value;
    }
    T* raw = control.get();
    parent.Add(std::move(control));
    return raw;
}

struct Window {
    explicit Window(std::unique_ptr<Control> root, UiSize size = {600, 398}, int scale = 100) {
        manager.SetHost(&host);
        manager.SetScalePercent(scale);
        manager.AttachRoot(std::move(root));
        manager.SetClientSize(size);
        manager.LayoutIfNeeded();
    }
    fake::RecordingUiHost host;
    ControlManager manager;
};

TEST(UiLayout, VerticalStackGivesFixedHeightsAndSharesTheRest) {
    auto root = std::make_unique<VerticalLayout>();
    root->SetAttribute(L"inset", L"10,5,10,5");
    root->SetAttribute(L"childpadding", L"4");
    auto* caption = AddTo<Control>(*root, {{L"height", L"37"}});
    auto* a = AddTo<Control>(*root, {});
    auto* b = AddTo<Control>(*root, {{L"padding", L"0,6,20,0"}});
    auto* footer = AddTo<Control>(*root, {{L"height", L"24"}, {L"width", L"100"}});
    Window w(std::move(root), {600, 398});
    EXPECT_EQ(caption->Pos(), (UiRect{10, 5, 590, 42}));
    // 388 inner - 37 - 24 - 6 (padding) - 3 * 4 (gaps) = 309, split 154 / 155.
    EXPECT_EQ(a->Pos(), (UiRect{10, 46, 590, 200}));
    EXPECT_EQ(b->Pos(), (UiRect{10, 210, 570, 365}));
    EXPECT_EQ(footer->Pos(), (UiRect{10, 369, 110, 393}));
}

TEST(UiLayout, HorizontalRowCutsChildrenThatRunPastItsEnd) {
    // The installation row of the manual repair page: fixed widths add up to more than 538.
    auto root = std::make_unique<HorizontalLayout>();
    root->SetAttribute(L"width", L"538");
    root->SetAttribute(L"inset", L"3,5,3,5");
    AddTo<Control>(*root, {{L"width", L"17"}});
    auto* box = AddTo<CheckBox>(*root, {{L"width", L"30"}});
    AddTo<Control>(*root, {{L"width", L"45"}});
    auto* letter = AddTo<Control>(*root, {{L"width", L"30"}});
    AddTo<Control>(*root, {{L"width", L"125"}});
    auto* name = AddTo<Control>(*root, {{L"width", L"500"}});
    Window w(std::move(root), {538, 30});
    EXPECT_EQ(box->Pos(), (UiRect{20, 5, 50, 25}));
    EXPECT_EQ(letter->Pos(), (UiRect{95, 5, 125, 25}));
    EXPECT_EQ(name->Pos(), (UiRect{250, 5, 535, 25}));
}

TEST(UiLayout, FloatsSitAtTheirPositionInsideTheParent) {
    auto root = std::make_unique<VerticalLayout>();
    auto* row = AddTo<HorizontalLayout>(*root, {{L"height", L"30"}, {L"padding", L"1, 0, 0, 0"}});
    row->SetAttribute(L"inset", L"3,0,3,0");
    auto* device =
        AddTo<Control>(*row, {{L"width", L"75"}, {L"float", L"true"}, {L"pos", L"35, 0, 110, 30"}});
    auto* combo = AddTo<Control>(*row, {{L"float", L"true"}, {L"pos", L"409, 5, 479, 25"}});
    Window w(std::move(root), {500, 100});
    EXPECT_EQ(device->Pos(), (UiRect{36, 0, 111, 30}));
    EXPECT_EQ(combo->Pos(), (UiRect{410, 5, 480, 25}));
    EXPECT_EQ(w.manager.FindControlAt({420, 10}), combo);
}

TEST(UiLayout, EverythingScalesAtOneHundredFiftyPercent) {
    auto root = std::make_unique<VerticalLayout>();
    auto* band = AddTo<Control>(*root, {{L"height", L"37"}});
    auto* button = AddTo<Control>(*root, {{L"float", L"true"}, {L"pos", L"155,130,245,160"}});
    Window w(std::move(root), {900, 597}, 150);
    EXPECT_EQ(band->Pos(), (UiRect{0, 0, 900, 56}));
    EXPECT_EQ(button->Pos(), (UiRect{233, 195, 368, 240}));
}

TEST(UiLayout, TabLayoutShowsOnlyTheSelectedPage) {
    auto root = std::make_unique<TabLayout>();
    std::vector<Control*> pages;
    for (int i = 0; i < 3; ++i) {
        pages.push_back(AddTo<VerticalLayout>(*root, {}));
    }
    auto* button = AddTo<Button>(*static_cast<Container*>(pages[2]), {{L"height", L"30"}});
    TabLayout* tab = static_cast<TabLayout*>(pages[0]->Parent());
    Window w(std::move(root), {600, 300});
    EXPECT_EQ(tab->CurSel(), 0);
    EXPECT_FALSE(button->IsReallyVisible());
    EXPECT_EQ(w.manager.FindControlAt({10, 10}), pages[0]);
    ASSERT_TRUE(tab->SelectItem(2));
    w.manager.LayoutIfNeeded();
    EXPECT_TRUE(button->IsReallyVisible());
    EXPECT_EQ(pages[2]->Pos(), (UiRect{0, 0, 600, 300}));
    EXPECT_EQ(w.manager.FindControlAt({10, 10}), button);
    EXPECT_FALSE(tab->SelectItem(3));
    EXPECT_EQ(tab->CurSel(), 2);
}

TEST(UiLayout, ListRowsStackUnderTheHeaderAndScrollToTheEnd) {
    auto root = std::make_unique<VerticalLayout>();
    auto list = std::make_unique<ListView>();
    ListView* listRaw = list.get();
    list->SetAttribute(L"vscrollbar", L"true");
    auto header = std::make_unique<ListHeader>();
    header->SetAttribute(L"height", L"1");
    list->AddMarkupChild(std::move(header));
    root->Add(std::move(list));
    Window w(std::move(root), {560, 101});
    for (int i = 0; i < 10; ++i) {
        auto row = std::make_unique<ListLabelElement>();
        row->SetAttribute(L"padding", L"10, 0, 0, 0");
        row->SetAttribute(L"width", L"500");
        row->SetText(L"row " + std::to_wstring(i));
        listRaw->Add(std::move(row));
        listRaw->ScrollToEnd();
    }
    w.manager.LayoutIfNeeded();
    EXPECT_TRUE(listRaw->VerticalScrollBarShown());
    EXPECT_EQ(listRaw->ScrollRange(), 10 * 26 - 100);
    EXPECT_EQ(listRaw->ScrollPos(), listRaw->ScrollRange());
    const UiRect last = listRaw->ItemAt(9)->Pos();
    EXPECT_EQ(last.bottom, 101);
    EXPECT_EQ(last.left, 10);
    EXPECT_EQ(last.Width(), 500);
    // Rows scrolled out of the body are not hit.
    EXPECT_EQ(w.manager.FindControlAt({20, 0}), listRaw->Header());
}

}  // namespace
}  // namespace qn
