// What bootsect and bcdboot print reaches the readers of their output byte for byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "boot/tool_output.h"
#include "platform/fake/fake_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qn::fake::FakeCodePage codePage(936, 936);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring text = codePage.ToWide(bytes, qn::CodePageKind::Oem);
    if (const auto reason = qn::BootsectLockWarning(text)) {
        if (reason->empty() || reason->front() == L' ' || reason->back() == L' ') {
            __builtin_trap();  // a reason is a trimmed, non-empty line
        }
    }
    if (qn::MeaningfulFailureLine(text).size() > 100) {
        __builtin_trap();
    }
    return 0;
}
