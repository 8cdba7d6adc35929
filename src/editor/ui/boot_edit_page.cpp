#include "editor/ui/boot_edit_page.h"

#include "editor/editor_menu.h"
#include "editor/ui/boot_entry_rows.h"
#include "ui/control_manager.h"
#include "ui/list_element.h"

namespace qn {

BootEditPage BootEditPage::Find(const std::function<Control*(const wchar_t*)>& find) {
    BootEditPage page;
    page.files = dynamic_cast<ComboBox*>(find(L"CmbBootFile"));
    page.timeout = find(L"edBeTimeout");
    page.list = dynamic_cast<ListView*>(find(L"listBceEdit"));
    page.entries = dynamic_cast<ComboBox*>(find(L"CmbBootEntry"));
    page.removeButton = find(L"BtnBeDel");
    page.saveButton = find(L"BtnBeSave");
    page.status = find(L"lbBeStatus");
    page.store = find(L"lbBeStore");
    return page;
}

void ClearBootEditPage(const BootEditPage& page) {
    if (page.list != nullptr) {
        page.list->RemoveAll();
    }
    if (page.entries != nullptr) {
        page.entries->RemoveAll();
    }
    if (page.timeout != nullptr) {
        page.timeout->SetText(L"");
    }
    SetStatus(page, L"");
}

void SetRemoveCaption(const BootEditPage& page, bool fromBcd) {
    if (page.removeButton != nullptr) {
        page.removeButton->SetText(fromBcd ? L"移除(M)" : L"删除(M)");
    }
}

bool ShowListing(const BootEditPage& page, const BcdListing& listing) {
    if (listing.entries.empty()) {
        return false;
    }
    const EditorMenu menu = MenuOfListing(listing);
    if (page.list != nullptr) {
        page.list->RemoveAll();
        for (const MenuRow& row : menu.rows) {
            AddBootEntryRow(page.list, row.entry, listing.FromBcd, row.lock);
        }
        page.list->SelectItem(0, false, true);
    }
    if (page.entries != nullptr) {
        page.entries->RemoveAll();
        for (const BootEntry& entry : menu.candidates) {
            auto item = std::make_unique<ListLabelElement>();
            item->SetText(CandidateText(entry));
            item->SetUserData(entry.identifier);
            page.entries->Add(std::move(item));
        }
        page.entries->SelectItem(0, false, true);
    }
    if (page.timeout != nullptr) {
        page.timeout->SetText(listing.bootManager.timeout);
    }
    return true;
}

namespace {

// After a move or a removal the keyboard is back on the list, wherever the button that did it
// took it: arrows choose the next row, Alt+U, Alt+D and Alt+M act on it.
void FocusList(ListView& list) {
    if (list.Manager() != nullptr && list.IsFocusable()) {
        list.Manager()->SetFocus(&list);
    }
}

}  // namespace

void MoveSelectedRow(ListView* list, int direction) {
    if (list == nullptr) {
        return;
    }
    const int selected = list->SelectedIndex();
    if (const auto target = MoveTarget(selected, list->Count(), direction)) {
        std::unique_ptr<Control> row = list->TakeAt(selected);
        list->AddAt(std::move(row), *target);
        list->SelectItem(*target, false, true);
    }
    FocusList(*list);
}

void RemoveSelectedRow(ListView* list) {
    if (list == nullptr) {
        return;
    }
    const int selected = list->SelectedIndex();
    if (selected >= 0) {
        list->RemoveAt(selected);
    }
    FocusList(*list);
}

bool AddChosenEntry(const BootEditPage& page, const BcdListing* current) {
    if (current == nullptr || page.entries == nullptr || page.list == nullptr) {
        return false;
    }
    const Control* chosen = page.entries->ItemAt(page.entries->SelectedIndex());
    if (chosen == nullptr) {
        return false;
    }
    const BootEntry* entry = FindEntryById(*current, chosen->UserData());
    if (entry == nullptr) {
        return false;
    }
    for (int i = 0; i < page.list->Count(); ++i) {
        if (RowIdentifier(page.list->ItemAt(i)) == entry->identifier) {
            return false;
        }
    }
    AddBootEntryRow(page.list, *entry, current->FromBcd);
    return true;
}

void SetStatus(const BootEditPage& page, const std::wstring& text) {
    if (page.status == nullptr) {
        return;
    }
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            line += L"  ";
        } else if (c != L'\r') {
            line += c;
        }
    }
    page.status->SetText(std::move(line));
}

void SetStoreLine(const BootEditPage& page, const std::wstring& text) {
    if (page.store != nullptr) {
        page.store->SetText(text);
    }
}

}  // namespace qn
