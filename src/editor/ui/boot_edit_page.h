#pragma once

#include <functional>
#include <string>

#include "boot/bcd_listing.h"
#include "ui/combo_box.h"
#include "ui/control.h"
#include "ui/list_view.h"

namespace qn {

// The boot entry editor's page as the toolkit's controls, without a window: what the
// window's handlers do to them. Every control may be missing from the skin; what needs a missing
// one is skipped.
struct BootEditPage {
    ComboBox* files = nullptr;        // "CmbBootFile"
    Control* timeout = nullptr;       // "edBeTimeout"
    ListView* list = nullptr;         // "listBceEdit"
    ComboBox* entries = nullptr;      // "CmbBootEntry"
    Control* removeButton = nullptr;  // "BtnBeDel"
    Control* saveButton = nullptr;    // "BtnBeSave"
    Control* status = nullptr;        // "lbBeStatus": the outcome of the last load or save
    Control* store = nullptr;         // "lbBeStore": which store or file the page edits

    // Finds the controls by their skin names.
    static BootEditPage Find(const std::function<Control*(const wchar_t*)>& find);
};

// The start of a load: every row and every "CmbBootEntry" item removed, the timeout and the
// status emptied.
void ClearBootEditPage(const BootEditPage& page);

// "BtnBeDel"'s caption for the configuration being loaded: "移除(M)" for a BCD store (the entry
// stays in the store), "删除(M)" for boot.ini (the line goes).
void SetRemoveCaption(const BootEditPage& page, bool fromBcd);

// FillBootEditPage's steps 3 to 6 for a listing that has entries: its display order as rows
// (row 0 selected), its entries that can be added in "CmbBootEntry" (item 0 selected), its
// timeout. Rows of any earlier fill are removed first. False, with nothing shown, when the
// listing has no entry.
bool ShowListing(const BootEditPage& page, const BcdListing& listing);

// "BtnBeUp" (-1) and "BtnBeDown" (1): the selected row changes places with its neighbour and
// stays selected; nothing at the ends or without a selection. The list has the keyboard focus
// afterwards, so the next row can be chosen with the arrow keys.
void MoveSelectedRow(ListView* list, int direction);

// "BtnBeDel": the selected row goes; no row is selected afterwards, the list has the focus.
void RemoveSelectedRow(ListView* list);

// "BtnBeAddEntry": the entry chosen in "CmbBootEntry" becomes the last row, unless a row has its
// identifier already. Nothing without a listing, a choice, or an entry of that identifier.
// True when a row was added.
bool AddChosenEntry(const BootEditPage& page, const BcdListing* current);

// The status line under the list: text on one line.
void SetStatus(const BootEditPage& page, const std::wstring& text);

// The line under the top row that names what the page edits (see editor/editor_store_line.h).
void SetStoreLine(const BootEditPage& page, const std::wstring& text);

}  // namespace qn
