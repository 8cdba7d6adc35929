// Tool output reaches SplitText and the field helpers byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "boot/text_helpers.h"
#include "platform/fake/fake_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the delimiter, the rest is the text.
    static const char* const kDelimiters[] = {"\r\n", " ", "\n", ":", "aa", ""};
    const char* delimiter = kDelimiters[data[0] % 6];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    static qn::fake::FakeCodePage codePage(936, 936);
    for (bool keep : {false, true}) {
        for (const std::string& piece : qn::SplitText(text, delimiter, keep)) {
            if (!piece.empty() && (piece.front() == ' ' || piece.back() == ' ')) {
                __builtin_trap();  // pieces are always trimmed
            }
        }
    }
    qn::FirstField(codePage, text, delimiter);
    qn::SecondField(codePage, text, delimiter);
    qn::ToNarrow(codePage, codePage.ToWide(text, qn::CodePageKind::Ansi));
    return 0;
}
