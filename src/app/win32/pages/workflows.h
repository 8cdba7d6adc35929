#pragma once

// Every workflow the main window's tables start.
#include "app/win32/pages/automatic_repair.h"
#include "app/win32/pages/boot_entry_editor.h"
#include "app/win32/pages/manual_selection.h"
#include "app/win32/pages/mbr_repair.h"
#include "app/win32/pages/undo_repair.h"
