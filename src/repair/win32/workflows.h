#pragma once

// Every workflow the main window's tables start.
#include "repair/win32/automatic_repair.h"
#include "repair/win32/boot_entry_editor.h"
#include "repair/win32/manual_selection.h"
#include "repair/win32/mbr_repair.h"
#include "repair/win32/undo_repair.h"
