#include "ui/control_factory.h"

#include "ui/box_layout.h"
#include "ui/button.h"
#include "ui/combo_box.h"
#include "ui/edit_box.h"
#include "ui/label.h"
#include "ui/list_element.h"
#include "ui/list_header.h"
#include "ui/list_view.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn {

std::unique_ptr<Control> CreateControlOfClass(std::wstring_view name) {
    if (name == L"Control") {
        return std::make_unique<Control>();
    }
    if (name == L"Container") {
        return std::make_unique<Container>();
    }
    if (name == L"VerticalLayout") {
        return std::make_unique<VerticalLayout>();
    }
    if (name == L"HorizontalLayout") {
        return std::make_unique<HorizontalLayout>();
    }
    if (name == L"TabLayout") {
        return std::make_unique<TabLayout>();
    }
    if (name == L"Label") {
        return std::make_unique<Label>();
    }
    if (name == L"Button") {
        return std::make_unique<Button>();
    }
    if (name == L"Option") {
        return std::make_unique<Option>();
    }
    if (name == L"CheckBox") {
        return std::make_unique<CheckBox>();
    }
    if (name == L"Combo") {
        return std::make_unique<ComboBox>();
    }
    if (name == L"Edit") {
        return std::make_unique<EditBox>();
    }
    if (name == L"List") {
        return std::make_unique<ListView>();
    }
    if (name == L"ListHeader") {
        return std::make_unique<ListHeader>();
    }
    if (name == L"ListHeaderItem") {
        return std::make_unique<ListHeaderItem>();
    }
    if (name == L"ListLabelElement") {
        return std::make_unique<ListLabelElement>();
    }
    if (name == L"ListTextElement") {
        return std::make_unique<ListTextElement>();
    }
    if (name == L"ListContainerElement") {
        return std::make_unique<ListContainerElement>();
    }
    return nullptr;
}

}  // namespace qn
