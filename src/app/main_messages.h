#pragma once

namespace qn {

// Messages through which workers report to the main window. The numbers are fixed: workers and
// the window may be built apart.
inline constexpr unsigned WM_DETECT_DONE = 0x0401;      // posted by the scan thread
inline constexpr unsigned WM_DETECT_PROGRESS = 0x0402;  // posted; wParam = percent
inline constexpr unsigned WM_RESULT_LINE = 0x0403;      // sent; wParam = mode, lParam = text
// Sent once at the end of a run; wParam = failed steps, lParam = its last row (std::wstring*).
inline constexpr unsigned WM_REPAIR_DONE = 0x0404;
inline constexpr unsigned WM_BOOTLIST_READY = 0x0405;   // posted; lParam = owned LoadedListing*
inline constexpr unsigned WM_DIAGNOSIS_READY = 0x0406;  // posted; lParam = owned BootDiagnosis*
// Sent by a repair worker before its first write; lParam = const std::wstring* question, wParam
// 1 when the box starts on 确定(Y). The window asks the user and answers 1 for 确定(Y), 2 for
// 取消(C) (0: the window is gone).
inline constexpr unsigned WM_GUARD_QUESTION = 0x0407;
// Sent by a repair worker at its end when the run left a record undo can use; lParam = const
// std::wstring* path, copied by the window before it returns.
inline constexpr unsigned WM_UNDO_RECORD = 0x0408;
// Posted by the editor's save at its end; lParam = owned FinishedSave*.
inline constexpr unsigned WM_BOOTSAVE_DONE = 0x0409;
// Posted by the search for undo records; lParam = owned FoundUndoRecords* (null: it failed).
inline constexpr unsigned WM_UNDOLIST_READY = 0x040A;

}  // namespace qn
