// The skin arrives as a zip archive; a damaged one must give errors, never reads outside it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qn::ZipArchive archive;
    std::wstring error;
    if (!archive.Open({data, size}, error)) {
        return 0;
    }
    std::vector<std::uint8_t> out;
    for (const auto& entry : archive.Entries()) {
        if (archive.Extract(entry, out, error) && out.size() != entry.uncompressedSize) {
            __builtin_trap();
        }
    }
    return 0;
}
