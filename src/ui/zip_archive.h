#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qn {

// A zip archive read from bytes in memory (not copied: they must outlive the archive; program
// resources do). Entries are stored or deflated; the central directory is the authority for
// names and sizes, so archives with data descriptors read fine. Every size and offset is checked
// against the buffer, inflated data against its recorded size and CRC-32, so a damaged archive
// gives an error, never a read outside the buffer.
class ZipArchive {
public:
    // Larger entries are refused: no skin file comes near it, and it bounds the memory a
    // hostile archive can make us allocate.
    static constexpr std::uint32_t kMaxEntryBytes = 64u * 1024 * 1024;

    struct Entry {
        std::string name;  // as stored, '/' separated
        std::uint16_t method = 0;
        std::uint16_t flags = 0;
        std::uint32_t crc32 = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t uncompressedSize = 0;
        std::uint32_t localHeaderOffset = 0;
    };

    // Reads the directory; false with a reason in error when the bytes are not a zip archive
    // this reader can take.
    bool Open(std::span<const std::uint8_t> bytes, std::wstring& error);

    const std::vector<Entry>& Entries() const { return entries_; }
    // The entry whose name equals name, ignoring ASCII case and treating '\' as '/'; null if none.
    const Entry* Find(std::string_view name) const;
    // The entry's content; false with a reason in error when it cannot be read.
    bool Extract(const Entry& entry, std::vector<std::uint8_t>& out, std::wstring& error) const;

private:
    std::span<const std::uint8_t> bytes_;
    std::vector<Entry> entries_;
};

}  // namespace qn
