#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "boot/boot_entry.h"
#include "editor/editor_menu.h"
#include "ui/combo_box.h"
#include "ui/list_view.h"

namespace qn {

// The rows of the boot entry editor's list "listBceEdit", built from the toolkit's
// controls in code. A row is a list container element holding one horizontal layout whose
// children are, in this order (the save reads them back by position):
//   0 the default check box (group "BcdDefault": checking one row clears the others)
//   1 the device label (display only)
//   2 the description edit box; its user data is the entry's identifier, the row's identity
//   3 the locale combo box, only when the entry has a locale
inline constexpr int kRowCheckChild = 0;
inline constexpr int kRowDeviceChild = 1;
inline constexpr int kRowDescriptionChild = 2;
inline constexpr int kRowLocaleChild = 3;

// A combo box with one item per locale name (kLocaleNames), nothing selected.
std::unique_ptr<ComboBox> MakeLocaleCombo();

// Builds the row for entry and appends it to list; nothing when list is null. The check box
// starts selected when entry.isDefault is set; a locale that is not one of the names leaves the
// combo without a selection. A locked row's name cannot be edited (its box shows why); a row of
// no whole entry can neither become the default nor be written, only stay or go.
void AddBootEntryRow(ListView* list, BootEntry entry, std::uint8_t fromBcd,
                     RowLock lock = RowLock::None);

// The row's values as the save reads them; nullopt for a row that lacks its layout, check box or
// description edit box. Without a locale combo (or with nothing selected) the locale is empty.
std::optional<RowValues> ReadBootEntryRow(const Control* row);
// Every readable row, in list order.
std::vector<RowValues> ReadBootEntryRows(const ListView& list);

// Checks the default box of the first row that can be the default (the group clears the
// others); false when no row can.
bool CheckFirstRow(const ListView& list);

// The identifier a row carries (user data of its description edit box); empty when none.
std::wstring RowIdentifier(const Control* row);

}  // namespace qn
