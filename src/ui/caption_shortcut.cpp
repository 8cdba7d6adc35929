#include "ui/caption_shortcut.h"

namespace qn {

wchar_t CaptionShortcut(std::wstring_view caption) {
    for (std::size_t i = 0; i + 2 < caption.size(); ++i) {
        if (caption[i] != L'(' || caption[i + 2] != L')') {
            continue;
        }
        wchar_t c = caption[i + 1];
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
        if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
            return c;
        }
    }
    return 0;
}

}  // namespace qn
