#include "editor/ui/boot_entry_rows.h"

#include "editor/device_text.h"
#include "editor/locale_names.h"
#include "ui/box_layout.h"
#include "ui/edit_box.h"
#include "ui/label.h"
#include "ui/list_element.h"
#include "ui/option.h"

namespace qn {
namespace {

const Container* RowLayout(const Control* row) {
    const auto* element = dynamic_cast<const Container*>(row);
    return element != nullptr ? dynamic_cast<const Container*>(element->ItemAt(0)) : nullptr;
}

}  // namespace

std::unique_ptr<ComboBox> MakeLocaleCombo() {
    auto combo = std::make_unique<ComboBox>();
    combo->SetAttribute(L"normalimage", L"cb_e1.png");
    combo->SetAttribute(L"hotimage", L"cb_e2.png");
    combo->SetAttribute(L"focusedimage", L"cb_e2.png");
    combo->SetAttribute(L"itemfont", L"4");
    combo->SetAttribute(L"font", L"4");
    combo->SetAttribute(L"itembkcolor", L"#FFFFFFFF");
    combo->SetAttribute(L"itemtextpadding", L"5,0,0,0");
    combo->SetAttribute(L"textpadding", L"5,0,0,0");
    combo->SetAttribute(L"itemtextcolor", L"#FF404040");
    combo->SetAttribute(L"itemselectedtextcolor", L"#FF404040");
    combo->SetAttribute(L"vscrollbar", L"true");
    for (std::wstring_view name : kLocaleNames) {
        auto item = std::make_unique<ListLabelElement>();
        item->SetText(std::wstring(name));
        combo->Add(std::move(item));
    }
    return combo;
}

// The name box's user data is the identifier; a row of no whole entry marks it with this prefix,
// so the save keeps the row in the order and writes nothing of it.
constexpr std::wstring_view kLockedMark = L"locked:";

void AddBootEntryRow(ListView* list, BootEntry entry, std::uint8_t fromBcd, RowLock lock) {
    if (list == nullptr) {
        return;
    }
    auto row = std::make_unique<ListContainerElement>();
    row->SetAttribute(L"height", L"30");
    row->SetAttribute(L"padding", L"1, 0, 0, 0");
    auto layout = std::make_unique<HorizontalLayout>();
    layout->SetAttribute(L"width", L"489");
    layout->SetAttribute(L"inset", L"3,0,3,0");

    auto check = std::make_unique<CheckBox>();
    check->SetAttribute(L"width", L"30");
    check->SetAttribute(L"float", L"true");
    check->SetFixedPosition({10, 5, 40, 35});
    check->SetAttribute(L"align", L"left");
    check->SetAttribute(L"selectedimage", L"file = 'checked.png' dest = '0, 2, 17, 19'");
    check->SetAttribute(L"normalimage", L"file = 'unchecked.png' dest = '0, 2, 17, 19'");
    check->SetAttribute(L"group", L"BcdDefault");
    check->SetCheck(entry.isDefault, false);
    const bool wholeEntry = lock == RowLock::None || lock == RowLock::LossyName;
    if (!wholeEntry) {
        check->SetEnabled(false);
    }

    auto device = std::make_unique<Label>();
    device->SetAttribute(L"width", L"75");
    device->SetAttribute(L"float", L"true");
    device->SetFixedPosition({35, 0, 110, 30});
    device->SetAttribute(L"align", L"center");
    device->SetAttribute(L"font", L"2");
    device->SetAttribute(L"textcolor", L"#FF404040");
    device->SetText(DeviceText(entry.device, fromBcd != 0));

    auto description = std::make_unique<EditBox>();
    description->SetAttribute(L"width", L"299");
    description->SetAttribute(L"height", L"30");
    description->SetAttribute(L"float", L"true");
    description->SetFixedPosition({110, 0, 409, 30});
    description->SetAttribute(L"align", L"center");
    description->SetAttribute(L"font", L"2");
    description->SetAttribute(L"textcolor", L"#FF404040");
    description->SetTextStyle(description->TextStyle() | kTextEndEllipsis);
    if (lock == RowLock::None) {
        description->SetText(entry.description);
    } else {
        description->SetAttribute(L"readonly", L"true");
        description->SetText(wholeEntry ? entry.description + RowLockText(lock)
                                        : RowLockText(lock) + L" " + entry.identifier);
    }
    description->SetUserData(wholeEntry ? entry.identifier
                                        : std::wstring(kLockedMark) + entry.identifier);

    std::unique_ptr<ComboBox> locale;
    if (!entry.locale.empty()) {
        locale = MakeLocaleCombo();
        locale->SetAttribute(L"float", L"true");
        locale->SetFixedPosition({409, 5, 479, 25});
        locale->SetAttribute(L"itembkcolor", L"#FFF5F5F5");
        for (int i = 0; i < locale->Count(); ++i) {
            if (locale->ItemAt(i)->Text() == entry.locale) {
                locale->SelectItem(i, false, false);
            }
        }
    }

    layout->Add(std::move(check));
    layout->Add(std::move(device));
    layout->Add(std::move(description));
    if (locale) {
        layout->Add(std::move(locale));
    }
    row->Add(std::move(layout));
    list->Add(std::move(row));
}

std::optional<RowValues> ReadBootEntryRow(const Control* row) {
    const Container* layout = RowLayout(row);
    if (layout == nullptr) {
        return std::nullopt;
    }
    const auto* check = dynamic_cast<const CheckBox*>(layout->ItemAt(kRowCheckChild));
    const auto* description = dynamic_cast<const EditBox*>(layout->ItemAt(kRowDescriptionChild));
    if (check == nullptr || description == nullptr) {
        return std::nullopt;
    }
    RowValues values;
    values.identifier = description->UserData();
    values.description = description->Text();
    values.isDefault = check->GetCheck();
    if (values.identifier.rfind(kLockedMark, 0) == 0) {
        values.identifier.erase(0, kLockedMark.size());
        values.locked = true;
        values.isDefault = false;
    }
    if (description->IsReadOnly() && !values.locked) {
        // A name that could not be read whole is shown with a note and never written.
        values.description.clear();
    }
    if (const auto* locale = dynamic_cast<const ComboBox*>(layout->ItemAt(kRowLocaleChild))) {
        values.locale = locale->SelectedText();
    }
    return values;
}

std::vector<RowValues> ReadBootEntryRows(const ListView& list) {
    std::vector<RowValues> rows;
    for (int i = 0; i < list.Count(); ++i) {
        if (auto values = ReadBootEntryRow(list.ItemAt(i))) {
            rows.push_back(std::move(*values));
        }
    }
    return rows;
}

bool CheckFirstRow(const ListView& list) {
    for (int i = 0; i < list.Count(); ++i) {
        const Container* layout = RowLayout(list.ItemAt(i));
        auto* check =
            layout != nullptr ? dynamic_cast<CheckBox*>(layout->ItemAt(kRowCheckChild)) : nullptr;
        if (check != nullptr && check->IsEnabled()) {
            check->SetCheck(true, true);
            return true;
        }
    }
    return false;
}

std::wstring RowIdentifier(const Control* row) {
    const Container* layout = RowLayout(row);
    const Control* description = layout != nullptr ? layout->ItemAt(kRowDescriptionChild) : nullptr;
    if (description == nullptr) {
        return {};
    }
    std::wstring id = description->UserData();
    if (id.rfind(kLockedMark, 0) == 0) {
        id.erase(0, kLockedMark.size());
    }
    return id;
}

}  // namespace qn
