#include "ui/win32/font_table.h"

namespace qn::win32 {

namespace {

constexpr const wchar_t* kChineseFaces[] = {
    L"Microsoft YaHei",    L"微软雅黑",       L"SimSun", L"宋体", L"NSimSun", L"SimHei", L"黑体",
    L"Microsoft JhengHei", L"MS Shell Dlg 2",
};

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceExists(const wchar_t* face) {
    HDC dc = ::GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &lf, &FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

}  // namespace

FontTable::~FontTable() {
    Clear();
}

void FontTable::Clear() {
    for (auto& [id, font] : fonts_) {
        ::DeleteObject(font);
    }
    fonts_.clear();
    lineHeights_.clear();
}

std::wstring FontTable::ResolveFace(const std::wstring& requested) {
    if (!requested.empty() && FaceExists(requested.c_str())) {
        return requested;
    }
    for (const wchar_t* face : kChineseFaces) {
        if (FaceExists(face)) {
            return face;
        }
    }
    // None of them: the font mapper picks a face for the Chinese character set.
    return L"";
}

HFONT FontTable::Get(int id) {
    const FontSpec* spec = manager_.FindFont(id);
    const int key = spec != nullptr ? spec->id : -1;
    if (auto it = fonts_.find(key); it != fonts_.end()) {
        return it->second;
    }
    LOGFONTW lf{};
    lf.lfHeight = -manager_.Scale(spec != nullptr ? spec->size : 12);
    lf.lfWeight = spec != nullptr && spec->bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = spec != nullptr && spec->italic;
    lf.lfUnderline = spec != nullptr && spec->underline;
    lf.lfCharSet = GB2312_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    const std::wstring face = ResolveFace(spec != nullptr ? spec->name : std::wstring());
    ::lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = ::CreateFontIndirectW(&lf);
    if (font == nullptr) {
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    fonts_[key] = font;
    return font;
}

int FontTable::LineHeight(int id) {
    HFONT font = Get(id);
    const FontSpec* spec = manager_.FindFont(id);
    const int key = spec != nullptr ? spec->id : -1;
    if (auto it = lineHeights_.find(key); it != lineHeights_.end()) {
        return it->second;
    }
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    lineHeights_[key] = tm.tmHeight;
    return tm.tmHeight;
}

}  // namespace qn::win32
