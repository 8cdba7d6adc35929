#include "sim/utf8_text.h"

namespace qn::sim {

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned value = 0;
        std::size_t extra = 0;
        if (c < 0x80) {
            value = c;
        } else if ((c & 0xE0) == 0xC0) {
            value = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            value = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            value = c & 0x07;
            extra = 3;
        } else {
            value = 0xFFFD;
        }
        ++i;
        for (std::size_t k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                value = 0xFFFD;
                break;
            }
            value = (value << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        }
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            value = 0xFFFD;
        }
        if (value >= 0x10000 && sizeof(wchar_t) == 2) {
            value -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(value));
        }
    }
    return out;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned value = static_cast<unsigned>(text[i]);
        if (sizeof(wchar_t) == 2 && value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size()) {
            const unsigned low = static_cast<unsigned>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            value = 0xFFFD;
        }
        if (value < 0x80) {
            out.push_back(static_cast<char>(value));
        } else if (value < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (value >> 6)));
            out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else if (value < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (value >> 12)));
            out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (value >> 18)));
            out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
    }
    return out;
}

}  // namespace qn::sim
