#include "platform/fake/fake_code_page.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace qn::fake {
namespace {

// Converts like the Win32 calls with flags 0: an input unit that cannot be converted becomes the
// replacement text instead of failing the whole conversion. Only an unknown code page fails.
bool Convert(const std::string& to, const std::string& from, const char* in, size_t inSize,
             size_t inUnit, const std::string& replacement, std::string& out) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    out.clear();
    std::vector<char> buffer(inSize * 4 + 16);
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = inSize;
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL: skip one unit, start a fresh shift state.
        out += replacement;
        size_t skip = inLeft < inUnit ? inLeft : inUnit;
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

}  // namespace

std::string IconvName(unsigned codePage) {
    if (codePage == 65001) {
        return "UTF-8";
    }
    return "CP" + std::to_string(codePage);
}

std::string FakeCodePage::FromWide(std::wstring_view text, CodePageKind kind) {
    std::string out;
    if (text.empty() ||
        !Convert(IconvName(Number(kind)), "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(wchar_t), sizeof(wchar_t), "?", out)) {
        return {};
    }
    return out;
}

std::wstring FakeCodePage::ToWide(std::string_view text, CodePageKind kind) {
    std::string out;
    const wchar_t replacement = 0xFFFD;
    if (text.empty() ||
        !Convert("WCHAR_T", IconvName(Number(kind)), text.data(), text.size(), 1,
                 std::string(reinterpret_cast<const char*>(&replacement), sizeof replacement),
                 out)) {
        return {};
    }
    return std::wstring(reinterpret_cast<const wchar_t*>(out.data()), out.size() / sizeof(wchar_t));
}

}  // namespace qn::fake
