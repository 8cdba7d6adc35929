// Sector 0 of a disk and the first sector of a volume come from the machine being repaired: any
// bytes at all, of any length a short read gives. The classifiers must judge them by the bytes
// that matter (the MBR's code area, the boot record before its signature) and nothing else.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "diagnosis/boot_code_classifier.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> sector(data, size);
    const qn::MbrCodeKind mbr = qn::ClassifyMbrCode(sector);
    if (mbr != qn::ClassifyMbrCode(sector.first(std::min(size, qn::kMbrCodeArea)))) {
        __builtin_trap();  // the partition table and the signature are not code
    }
    const qn::BootRecordKind record = qn::ClassifyBootRecord(sector);
    if (record != qn::ClassifyBootRecord(sector.first(std::min<std::size_t>(size, 510)))) {
        __builtin_trap();  // nor is anything after the boot record's code
    }
    const auto layout = qn::ReadMbrLayout(sector);
    if (layout.has_value() != (size >= 512)) {
        __builtin_trap();
    }
    if (qn::MbrCodeText(mbr) == nullptr || qn::BootRecordText(record) == nullptr) {
        __builtin_trap();
    }
    return 0;
}
