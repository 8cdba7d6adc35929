#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ui/control_manager.h"

namespace qn::win32 {

// The fonts of one window, created from the skin's font list at the window's scale. A face the
// system does not have is replaced by the first Chinese UI face it has: Windows PE images often
// carry only SimSun, desktops have Microsoft YaHei.
class FontTable {
public:
    explicit FontTable(const ControlManager& manager) : manager_(manager) {}
    ~FontTable();
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;

    // The font for a skin font id (-1 or unknown: the default font); never null.
    HFONT Get(int id);
    // Pixel height of a line of text in that font.
    int LineHeight(int id);
    // Drops the fonts (after a change of scale).
    void Clear();

    // The face that will be used for a requested one.
    static std::wstring ResolveFace(const std::wstring& requested);

private:
    const ControlManager& manager_;
    std::map<int, HFONT> fonts_;
    std::map<int, int> lineHeights_;
};

}  // namespace qn::win32
