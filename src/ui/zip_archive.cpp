#include "ui/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace qn {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kFlagEncrypted = 0x1;

std::uint16_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

char Fold(char c) {
    if (c == '\\') {
        return '/';
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c;
}

bool Inflate(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
    z_stream stream{};
    // Raw deflate: zip entries carry no zlib header.
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&stream, Z_FINISH);
    // An empty entry may still hold a final empty block that needs no output space.
    const bool done = rc == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return done;
}

}  // namespace

bool ZipArchive::Open(std::span<const std::uint8_t> bytes, std::wstring& error) {
    bytes_ = {};
    entries_.clear();
    if (bytes.size() < kEndSize || bytes.size() > UINT32_MAX) {
        error = L"not a zip archive (too small or too large)";
        return false;
    }
    // The end record sits in the last 22 bytes plus a comment of at most 65535 bytes.
    std::size_t end = SIZE_MAX;
    const std::size_t lowest =
        bytes.size() > kEndSize + 0xFFFF ? bytes.size() - kEndSize - 0xFFFF : 0;
    for (std::size_t at = bytes.size() - kEndSize + 1; at-- > lowest;) {
        if (Read32(bytes, at) == kEndSignature &&
            at + kEndSize + Read16(bytes, at + 20) == bytes.size()) {
            end = at;
            break;
        }
    }
    if (end == SIZE_MAX) {
        error = L"not a zip archive (no end of central directory)";
        return false;
    }
    const std::uint16_t count = Read16(bytes, end + 10);
    const std::uint32_t dirSize = Read32(bytes, end + 12);
    const std::uint32_t dirOffset = Read32(bytes, end + 16);
    if (Read16(bytes, end + 4) != 0 || Read16(bytes, end + 6) != 0 ||
        Read16(bytes, end + 8) != count) {
        error = L"multi-part zip archives are not supported";
        return false;
    }
    if (dirOffset > end || dirSize > end - dirOffset) {
        error = L"damaged zip archive (central directory outside the file)";
        return false;
    }
    std::size_t at = dirOffset;
    const std::size_t dirEnd = static_cast<std::size_t>(dirOffset) + dirSize;
    std::vector<Entry> entries;
    entries.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        if (at + kCentralSize > dirEnd || Read32(bytes, at) != kCentralSignature) {
            error = L"damaged zip archive (bad central directory entry)";
            return false;
        }
        Entry entry;
        entry.flags = Read16(bytes, at + 8);
        entry.method = Read16(bytes, at + 10);
        entry.crc32 = Read32(bytes, at + 16);
        entry.compressedSize = Read32(bytes, at + 20);
        entry.uncompressedSize = Read32(bytes, at + 24);
        const std::size_t nameLength = Read16(bytes, at + 28);
        const std::size_t extraLength = Read16(bytes, at + 30);
        const std::size_t commentLength = Read16(bytes, at + 32);
        entry.localHeaderOffset = Read32(bytes, at + 42);
        const std::size_t next = at + kCentralSize + nameLength + extraLength + commentLength;
        if (next > dirEnd) {
            error = L"damaged zip archive (entry runs past the directory)";
            return false;
        }
        entry.name.assign(reinterpret_cast<const char*>(bytes.data() + at + kCentralSize),
                          nameLength);
        entries.push_back(std::move(entry));
        at = next;
    }
    bytes_ = bytes;
    entries_ = std::move(entries);
    return true;
}

const ZipArchive::Entry* ZipArchive::Find(std::string_view name) const {
    for (const Entry& entry : entries_) {
        if (entry.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), entry.name.begin(),
                       [](char a, char b) { return Fold(a) == Fold(b); })) {
            return &entry;
        }
    }
    return nullptr;
}

bool ZipArchive::Extract(const Entry& entry, std::vector<std::uint8_t>& out,
                         std::wstring& error) const {
    out.clear();
    if (entry.flags & kFlagEncrypted) {
        error = L"encrypted zip entries are not supported";
        return false;
    }
    if (entry.method != kStored && entry.method != kDeflated) {
        error = L"unsupported zip compression method";
        return false;
    }
    if (entry.uncompressedSize > kMaxEntryBytes) {
        error = L"zip entry too large";
        return false;
    }
    const std::size_t local = entry.localHeaderOffset;
    if (local > bytes_.size() || bytes_.size() - local < kLocalSize ||
        Read32(bytes_, local) != kLocalSignature) {
        error = L"damaged zip archive (bad local header)";
        return false;
    }
    const std::size_t dataStart =
        local + kLocalSize + Read16(bytes_, local + 26) + Read16(bytes_, local + 28);
    if (dataStart > bytes_.size() || bytes_.size() - dataStart < entry.compressedSize) {
        error = L"damaged zip archive (entry data outside the file)";
        return false;
    }
    const auto data = bytes_.subspan(dataStart, entry.compressedSize);
    if (entry.method == kStored) {
        if (entry.compressedSize != entry.uncompressedSize) {
            error = L"damaged zip archive (stored entry with two sizes)";
            return false;
        }
        out.assign(data.begin(), data.end());
    } else {
        out.resize(entry.uncompressedSize);
        if (!Inflate(data, out)) {
            out.clear();
            error = L"damaged zip archive (compressed data does not inflate to its size)";
            return false;
        }
    }
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data(), static_cast<uInt>(out.size()));
    if (crc != entry.crc32) {
        out.clear();
        error = L"damaged zip archive (checksum mismatch)";
        return false;
    }
    return true;
}

}  // namespace qn
