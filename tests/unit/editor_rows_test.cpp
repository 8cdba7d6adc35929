// The editor's rows and page on the real skin's controls: how a row is built
// and read back, the locale combo, and the page's operations (fill, move, remove, add).
#include <gtest/gtest.h>

#include "editor/locale_names.h"
#include "editor_test_page.h"
#include "ui/label.h"

namespace qn {
namespace {

using editor_test::SkinWindow;

BootEntry Entry(std::wstring id, std::wstring description, std::wstring device, std::wstring locale,
                bool isDefault = false) {
    BootEntry entry;
    entry.identifier = std::move(id);
    entry.description = std::move(description);
    entry.device = std::move(device);
    entry.path = L"\\Windows\\system32\\winload.exe";
    entry.locale = std::move(locale);
    entry.isDefault = isDefault;
    return entry;
}

const Container* LayoutOf(const Control* row) {
    auto* element = dynamic_cast<const Container*>(row);
    return element != nullptr ? dynamic_cast<const Container*>(element->ItemAt(0)) : nullptr;
}

TEST(EditorRows, ARowHasItsPartsInTheOrderTheSaveReads) {
    SkinWindow window;
    ListView* list = window.page.list;
    ASSERT_NE(list, nullptr);
    AddBootEntryRow(list, Entry(L"{w7}", L"Windows 7", L"partition=C:", L"zh-TW", true), 1);
    ASSERT_EQ(list->Count(), 1);
    auto* row = dynamic_cast<ListContainerElement*>(list->ItemAt(0));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->FixedHeight(), 30);
    EXPECT_EQ(row->Padding(), (UiRect{1, 0, 0, 0}));
    ASSERT_EQ(row->Count(), 1);
    auto* layout = dynamic_cast<HorizontalLayout*>(row->ItemAt(0));
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->FixedWidth(), 489);
    EXPECT_EQ(layout->Inset(), (UiRect{3, 0, 3, 0}));
    ASSERT_EQ(layout->Count(), 4);

    auto* check = dynamic_cast<CheckBox*>(layout->ItemAt(0));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->GetCheck());
    EXPECT_EQ(check->Group(), L"BcdDefault");
    EXPECT_TRUE(check->IsFloat());
    EXPECT_EQ(check->FloatPos(), (UiRect{10, 5, 40, 35}));

    auto* device = dynamic_cast<Label*>(layout->ItemAt(1));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Text(), L"C:");
    EXPECT_EQ(device->FloatPos(), (UiRect{35, 0, 110, 30}));
    EXPECT_EQ(device->Font(), 2);
    EXPECT_EQ(device->TextColor(), 0xFF404040u);

    auto* description = dynamic_cast<EditBox*>(layout->ItemAt(2));
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->Text(), L"Windows 7");
    EXPECT_EQ(description->UserData(), L"{w7}");
    EXPECT_EQ(description->FloatPos(), (UiRect{110, 0, 409, 30}));
    EXPECT_NE(description->TextStyle() & kTextEndEllipsis, 0u);
    EXPECT_FALSE(description->IsReadOnly());

    auto* locale = dynamic_cast<ComboBox*>(layout->ItemAt(3));
    ASSERT_NE(locale, nullptr);
    EXPECT_EQ(locale->FloatPos(), (UiRect{409, 5, 479, 25}));
    EXPECT_EQ(locale->ItemStyle().bkColor, 0xFFF5F5F5u);
    EXPECT_EQ(locale->SelectedText(), L"zh-TW");
    EXPECT_EQ(locale->SelectedIndex(), 2);

    const auto values = ReadBootEntryRow(row);
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(values->identifier, L"{w7}");
    EXPECT_EQ(values->description, L"Windows 7");
    EXPECT_EQ(values->locale, L"zh-TW");
    EXPECT_TRUE(values->isDefault);
    EXPECT_EQ(RowIdentifier(row), L"{w7}");
}

TEST(EditorRows, TheLocaleComboHoldsThe35Names) {
    const auto combo = MakeLocaleCombo();
    ASSERT_EQ(combo->Count(), 35);
    for (int i = 0; i < combo->Count(); ++i) {
        EXPECT_EQ(combo->ItemAt(i)->Text(), kLocaleNames[static_cast<std::size_t>(i)]);
        EXPECT_NE(dynamic_cast<ListLabelElement*>(combo->ItemAt(i)), nullptr);
    }
    EXPECT_EQ(combo->SelectedIndex(), -1);
    EXPECT_EQ(combo->Font(), 4);
    EXPECT_EQ(combo->ItemStyle().bkColor, 0xFFFFFFFFu);
    EXPECT_TRUE(combo->VerticalScrollBar());
}

TEST(EditorRows, NoLocaleNoComboAndAnUnknownLocaleNoSelection) {
    SkinWindow window;
    ListView* list = window.page.list;
    AddBootEntryRow(list,
                    Entry(L"{a}", L"A", L"multi(0)disk(0)rdisk(0)partition(12)\\WINDOWS", L""), 0);
    AddBootEntryRow(list, Entry(L"{b}", L"B", L"partition=D:", L"es-MX"), 1);
    EXPECT_EQ(LayoutOf(list->ItemAt(0))->Count(), 3);
    EXPECT_EQ(LayoutOf(list->ItemAt(0))->ItemAt(1)->Text(), L"P1");
    auto* unknown = dynamic_cast<ComboBox*>(LayoutOf(list->ItemAt(1))->ItemAt(3));
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->SelectedIndex(), -1);
    const auto rows = ReadBootEntryRows(*list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].locale, L"");
    EXPECT_EQ(rows[1].locale, L"");  // saved as no locale: nothing is written for it
    EXPECT_FALSE(rows[0].isDefault);
}

TEST(EditorRows, NothingHappensWithoutAList) {
    AddBootEntryRow(nullptr, Entry(L"{a}", L"A", L"boot", L"zh-CN"), 1);
    MoveSelectedRow(nullptr, 1);
    RemoveSelectedRow(nullptr);
    SUCCEED();
}

TEST(EditorRows, ARowMissingItsPartsIsSkippedWhenRead) {
    SkinWindow window;
    ListView* list = window.page.list;
    AddBootEntryRow(list, Entry(L"{a}", L"A", L"boot", L"zh-CN"), 1);
    list->Add(std::make_unique<ListContainerElement>());  // no layout
    auto broken = std::make_unique<ListContainerElement>();
    auto layout = std::make_unique<HorizontalLayout>();
    layout->Add(std::make_unique<CheckBox>());
    broken->Add(std::move(layout));  // no description edit box
    list->Add(std::move(broken));
    list->Add(std::make_unique<ListLabelElement>());
    const auto rows = ReadBootEntryRows(*list);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].identifier, L"{a}");
}

TEST(EditorRows, CheckingOneRowsDefaultClearsTheOthers) {
    SkinWindow window;
    ListView* list = window.page.list;
    AddBootEntryRow(list, Entry(L"{a}", L"A", L"boot", L"zh-CN", true), 1);
    AddBootEntryRow(list, Entry(L"{b}", L"B", L"boot", L"zh-CN"), 1);
    auto check = [&](int row) {
        return dynamic_cast<CheckBox*>(LayoutOf(list->ItemAt(row))->ItemAt(0));
    };
    EXPECT_TRUE(check(0)->GetCheck());
    check(1)->Activate();  // a click
    EXPECT_FALSE(check(0)->GetCheck());
    EXPECT_TRUE(check(1)->GetCheck());
    check(1)->Activate();  // clicking the checked one keeps it
    EXPECT_TRUE(check(1)->GetCheck());
    EXPECT_EQ(WorkingListing(ReadBootEntryRows(*list), L"3", 1).bootManager.defaultId, L"{b}");
}

BcdListing Listing() {
    BcdListing listing;
    listing.FromBcd = 1;
    listing.bootManager.defaultId = L"{a}";
    listing.bootManager.timeout = L"30";
    listing.bootManager.displayorder = {L"{a}", L"{b}", L"{c}"};
    listing.entries = {Entry(L"{c}", L"C", L"partition=E:", L"en-US"),
                       Entry(L"{a}", L"A", L"partition=C:", L"zh-CN", true),
                       Entry(L"{b}", L"B", L"partition=D:", L"zh-CN"),
                       Entry(L"{d}", L"D", L"partition=C:", L"")};
    return listing;
}

std::vector<std::wstring> RowIds(const ListView& list) {
    std::vector<std::wstring> ids;
    for (int i = 0; i < list.Count(); ++i) {
        ids.push_back(RowIdentifier(list.ItemAt(i)));
    }
    return ids;
}

TEST(EditorPage, FillsRowsInDisplayOrderAndEveryEntryIntoTheAddCombo) {
    SkinWindow window;
    const BootEditPage& page = window.page;
    ASSERT_NE(page.files, nullptr);
    ASSERT_NE(page.timeout, nullptr);
    ASSERT_NE(page.entries, nullptr);
    ASSERT_NE(page.removeButton, nullptr);
    ASSERT_NE(page.saveButton, nullptr);
    ASSERT_NE(page.status, nullptr);
    ASSERT_TRUE(ShowListing(page, Listing()));
    EXPECT_EQ(RowIds(*page.list), (std::vector<std::wstring>{L"{a}", L"{b}", L"{c}"}));
    EXPECT_EQ(page.list->SelectedIndex(), 0);
    ASSERT_EQ(page.entries->Count(), 4);
    EXPECT_EQ(page.entries->ItemAt(0)->Text(), L"{c}  C");
    EXPECT_EQ(page.entries->ItemAt(0)->UserData(), L"{c}");
    EXPECT_EQ(page.entries->ItemAt(3)->Text(), L"{d}  D");
    EXPECT_EQ(page.entries->SelectedIndex(), 0);
    EXPECT_EQ(page.timeout->Text(), L"30");
}

// What the editor cannot change stays in its place, shown as such: a name read through a console
// that could not hold it cannot be edited and reads back empty (nothing to write), a row of no
// whole entry can neither be edited nor become the default and reads back locked.
TEST(EditorPage, RowsTheEditorCannotChangeAreShownLocked) {
    SkinWindow window;
    BcdListing listing = Listing();
    listing.bootManager.displayorder = {L"{a}", L"{gone}", L"{half}", L"{b}"};
    listing.incompleteIds = {L"{half}"};
    listing.entries[2].description = L"B ???";
    ASSERT_TRUE(ShowListing(window.page, listing));
    EXPECT_EQ(RowIds(*window.page.list),
              (std::vector<std::wstring>{L"{a}", L"{gone}", L"{half}", L"{b}"}));
    auto description = [&](int row) {
        return dynamic_cast<EditBox*>(LayoutOf(window.page.list->ItemAt(row))->ItemAt(2));
    };
    auto check = [&](int row) {
        return dynamic_cast<CheckBox*>(LayoutOf(window.page.list->ItemAt(row))->ItemAt(0));
    };
    EXPECT_FALSE(description(0)->IsReadOnly());
    EXPECT_TRUE(description(1)->IsReadOnly());
    EXPECT_FALSE(check(1)->IsEnabled());
    EXPECT_FALSE(check(2)->IsEnabled());
    EXPECT_TRUE(description(3)->IsReadOnly());
    EXPECT_TRUE(check(3)->IsEnabled());
    EXPECT_EQ(description(3)->Text().rfind(L"B ???", 0), 0u);
    const auto rows = ReadBootEntryRows(*window.page.list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_FALSE(rows[0].locked);
    EXPECT_TRUE(rows[1].locked);
    EXPECT_TRUE(rows[2].locked);
    EXPECT_EQ(rows[2].identifier, L"{half}");
    EXPECT_FALSE(rows[3].locked);
    EXPECT_EQ(rows[3].description, L"") << "a lossy name is never written back";
    // Asked for a default, the page checks the first row that can be one.
    check(0)->SetCheck(false, false);
    window.page.list->RemoveAt(0);
    EXPECT_TRUE(CheckFirstRow(*window.page.list));
    EXPECT_TRUE(check(2)->GetCheck());
}

TEST(EditorPage, AnEmptyListingShowsNothing) {
    SkinWindow window;
    EXPECT_FALSE(ShowListing(window.page, BcdListing{}));
    EXPECT_EQ(window.page.list->Count(), 0);
}

TEST(EditorPage, MovesStopAtTheEnds) {
    SkinWindow window;
    ListView* list = window.page.list;
    ShowListing(window.page, Listing());
    MoveSelectedRow(list, -1);  // row 0 up: nothing
    EXPECT_EQ(RowIds(*list), (std::vector<std::wstring>{L"{a}", L"{b}", L"{c}"}));
    EXPECT_EQ(list->SelectedIndex(), 0);
    MoveSelectedRow(list, 1);
    EXPECT_EQ(RowIds(*list), (std::vector<std::wstring>{L"{b}", L"{a}", L"{c}"}));
    EXPECT_EQ(list->SelectedIndex(), 1);
    MoveSelectedRow(list, 1);
    EXPECT_EQ(RowIds(*list), (std::vector<std::wstring>{L"{b}", L"{c}", L"{a}"}));
    MoveSelectedRow(list, 1);  // the last row down: nothing
    EXPECT_EQ(RowIds(*list), (std::vector<std::wstring>{L"{b}", L"{c}", L"{a}"}));
    EXPECT_EQ(list->SelectedIndex(), 2);
    list->SelectItem(-1, false, false);
    MoveSelectedRow(list, -1);  // no selection: nothing
    MoveSelectedRow(list, 1);
    EXPECT_EQ(RowIds(*list), (std::vector<std::wstring>{L"{b}", L"{c}", L"{a}"}));
    // A moved row keeps what the user typed and its default mark.
    auto* description = dynamic_cast<EditBox*>(LayoutOf(list->ItemAt(2))->ItemAt(2));
    EXPECT_EQ(description->Text(), L"A");
    EXPECT_TRUE(dynamic_cast<CheckBox*>(LayoutOf(list->ItemAt(2))->ItemAt(0))->GetCheck());
}

TEST(EditorPage, TheKeyboardIsBackOnTheListAfterAMoveOrARemoval) {
    // A shortcut (Alt+U, Alt+D, Alt+M) gives its button the focus; the arrows must then still
    // choose rows.
    SkinWindow window;
    ListView* list = window.page.list;
    ShowListing(window.page, Listing());
    Control* up = window.manager.FindControl(L"BtnBeUp");
    window.manager.SetFocus(up);
    MoveSelectedRow(list, 1);
    EXPECT_EQ(window.manager.Focus(), list);
    window.manager.SetFocus(up);
    MoveSelectedRow(list, -1);
    MoveSelectedRow(list, -1);  // at the top: nothing moves, the focus still returns
    EXPECT_EQ(window.manager.Focus(), list);
    window.manager.SetFocus(up);
    RemoveSelectedRow(list);
    EXPECT_EQ(window.manager.Focus(), list);
    EXPECT_TRUE(window.manager.OnKeyDown(kKeyDown, 0));  // Down selects the first row again
    EXPECT_EQ(list->SelectedIndex(), 0);
}

TEST(EditorPage, RemoveLeavesNoSelectionAndAddPutsAnEntryBackOnce) {
    SkinWindow window;
    const BootEditPage& page = window.page;
    const BcdListing listing = Listing();
    ShowListing(page, listing);
    page.list->SelectItem(1, false, false);
    RemoveSelectedRow(page.list);
    EXPECT_EQ(RowIds(*page.list), (std::vector<std::wstring>{L"{a}", L"{c}"}));
    EXPECT_EQ(page.list->SelectedIndex(), -1);
    RemoveSelectedRow(page.list);  // nothing selected: nothing removed
    EXPECT_EQ(page.list->Count(), 2);

    page.entries->SelectItem(2, false, false);  // {b}
    EXPECT_TRUE(AddChosenEntry(page, &listing));
    EXPECT_EQ(RowIds(*page.list), (std::vector<std::wstring>{L"{a}", L"{c}", L"{b}"}));
    EXPECT_FALSE(AddChosenEntry(page, &listing));  // again: nothing
    page.entries->SelectItem(1, false, false);     // {a}, a row already
    EXPECT_FALSE(AddChosenEntry(page, &listing));
    page.entries->SelectItem(3, false, false);  // {d}: no locale, so no combo
    EXPECT_TRUE(AddChosenEntry(page, &listing));
    EXPECT_EQ(LayoutOf(page.list->ItemAt(3))->Count(), 3);
    EXPECT_EQ(page.list->Count(), 4);
}

TEST(EditorPage, AddIsIgnoredWithoutAListingOrAChoice) {
    SkinWindow window;
    const BootEditPage& page = window.page;
    const BcdListing listing = Listing();
    ShowListing(page, listing);
    page.list->RemoveAll();
    EXPECT_FALSE(AddChosenEntry(page, nullptr));  // left to the implementer: ignored
    page.entries->SelectItem(-1, false, false);
    EXPECT_FALSE(AddChosenEntry(page, &listing));
    page.entries->SelectItem(0, false, false);
    BcdListing other;
    EXPECT_FALSE(AddChosenEntry(page, &other));  // an identifier the listing does not have
    EXPECT_EQ(page.list->Count(), 0);
}

TEST(EditorPage, ClearingEmptiesRowsChoicesTimeoutAndStatus) {
    SkinWindow window;
    const BootEditPage& page = window.page;
    ShowListing(page, Listing());
    SetStatus(page, L"保存成功!\n备份: F:\\Boot\\BCD_1");
    EXPECT_EQ(page.status->Text(), L"保存成功!  备份: F:\\Boot\\BCD_1");
    ClearBootEditPage(page);
    EXPECT_EQ(page.list->Count(), 0);
    EXPECT_EQ(page.entries->Count(), 0);
    EXPECT_EQ(page.timeout->Text(), L"");
    EXPECT_EQ(page.status->Text(), L"");
    SetRemoveCaption(page, false);
    EXPECT_EQ(page.removeButton->Text(), L"删除(M)");
    SetRemoveCaption(page, true);
    EXPECT_EQ(page.removeButton->Text(), L"移除(M)");
}

}  // namespace
}  // namespace qn
