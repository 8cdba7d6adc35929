#include "sim/ui_tree_text.h"

#include "ui/control.h"
#include "ui/list_element.h"

namespace qn::sim {
namespace {

std::wstring OneLine(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n') {
            out += L"\\n";
        } else if (c != L'\r') {
            out += c;
        }
    }
    return out;
}

void Write(const Control& control, int depth, std::wstring& out) {
    const UiRect& pos = control.Pos();
    out += std::to_wstring(depth) + L" " + std::wstring(control.ClassName()) + L" name=" +
           control.Name() + L" visible=" + (control.IsReallyVisible() ? L"1" : L"0") +
           L" enabled=" + (control.IsReallyEnabled() ? L"1" : L"0") + L" pos=" +
           std::to_wstring(pos.left) + L"," + std::to_wstring(pos.top) + L"," +
           std::to_wstring(pos.right) + L"," + std::to_wstring(pos.bottom) + L" text=" +
           OneLine(control.Text()) + L"\n";
    // A row's further columns, as children of their own, so tests read what the row shows.
    if (const auto* row = dynamic_cast<const ListTextElement*>(&control)) {
        for (int column = 1; column < row->ColumnCount(); ++column) {
            out += std::to_wstring(depth + 1) + L" Column name= visible=1 enabled=1 pos=" +
                   std::to_wstring(pos.left) + L"," + std::to_wstring(pos.top) + L"," +
                   std::to_wstring(pos.right) + L"," + std::to_wstring(pos.bottom) + L" text=" +
                   OneLine(row->ColumnText(column)) + L"\n";
        }
    }
    for (int i = 0; i < control.TreeChildCount(); ++i) {
        if (const Control* child = control.TreeChildAt(i)) {
            Write(*child, depth + 1, out);
        }
    }
}

}  // namespace

std::wstring UiTreeText(const Control& root, int page) {
    std::wstring out = L"page " + std::to_wstring(page) + L"\n";
    Write(root, 0, out);
    return out;
}

}  // namespace qn::sim
