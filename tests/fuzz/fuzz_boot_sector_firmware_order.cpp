// The firmware's boot order comes from bcdedit's captured output on the machine being repaired,
// in whatever language and code page its bcdedit writes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "diagnosis/firmware_boot_order.h"
#include "platform/fake/fake_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the console code page; the rest is the output.
    static qn::fake::FakeCodePage codePages[] = {
        qn::fake::FakeCodePage(936, 936), qn::fake::FakeCodePage(437, 437),
        qn::fake::FakeCodePage(850, 850), qn::fake::FakeCodePage(932, 932)};
    const std::size_t pick = data[0] % (sizeof codePages / sizeof codePages[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const qn::FirmwareBootOrder order =
        qn::ParseFirmwareBootOrder(text, codePages[pick], qn::CodePageKind::Oem);
    if (!order.found && (!order.entries.empty() || !order.bootSequence.empty())) {
        __builtin_trap();  // entries come only from the firmware boot manager's lists
    }
    for (const auto* list : {&order.entries, &order.bootSequence}) {
        for (const qn::FirmwareBootEntry& entry : *list) {
            if (entry.identifier.empty() ||
                (qn::IsBootmgrIdentifier(entry.identifier) && !entry.windows)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
