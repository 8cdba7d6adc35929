// The clean-up list is read back at start from a file in the user's profile; what it names is
// removed when it still proves to be the program's own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "boot/cleanup_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qn::Leftovers read =
        qn::ParseLeftovers(std::string_view(reinterpret_cast<const char*>(data), size));
    // What was read must read back the same once written again.
    const qn::Leftovers again = qn::ParseLeftovers(qn::FormatLeftovers(read));
    if (again.folders != read.folders || again.letters.size() != read.letters.size() ||
        again.files.size() != read.files.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < read.letters.size(); ++i) {
        if (again.letters[i].letter != read.letters[i].letter ||
            again.letters[i].volumeName != read.letters[i].volumeName) {
            __builtin_trap();
        }
    }
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        if (again.files[i].path != read.files[i].path ||
            again.files[i].size != read.files[i].size || again.files[i].crc != read.files[i].crc) {
            __builtin_trap();
        }
    }
    return 0;
}
