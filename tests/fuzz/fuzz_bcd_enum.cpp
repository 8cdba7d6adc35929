// Captured bcdedit output reaches ParseBcdEnum byte for byte, in whatever language and code page
// the system's bcdedit writes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "boot/bcd_enum_parser.h"
#include "platform/fake/fake_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the console code page; the rest is the output.
    static qn::fake::FakeCodePage codePages[] = {
        qn::fake::FakeCodePage(936, 936), qn::fake::FakeCodePage(437, 437),
        qn::fake::FakeCodePage(850, 850), qn::fake::FakeCodePage(932, 932),
        qn::fake::FakeCodePage(1252, 1252)};
    const std::size_t pick = data[0] % (sizeof codePages / sizeof codePages[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    qn::BcdListing listing;
    qn::ParseBcdEnum(listing, text, codePages[pick], qn::CodePageKind::Oem);
    for (const qn::BootEntry& entry : listing.entries) {
        // Only complete loader entries are kept.
        if (entry.description.empty() || entry.path.empty() || entry.device.empty()) {
            __builtin_trap();
        }
    }
    qn::MarkDefaultEntries(listing);
    return 0;
}
