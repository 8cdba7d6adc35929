#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qn::fake {

// Builders of small zip archives and PNG images for the toolkit's tests and fuzz seeds.

inline void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

inline std::vector<std::uint8_t> RawDeflate(const std::vector<std::uint8_t>& data) {
    z_stream s{};
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&s, data.size()) + 16);
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

struct ZipMember {
    std::string name;
    std::string content;
    bool deflate = true;
    // Writes sizes and CRC only after the data (general purpose flag bit 3), as streaming
    // zip writers do: the local header then holds zeros.
    bool dataDescriptor = false;
};

inline std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members,
                                         const std::string& comment = "") {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> central;
    for (const ZipMember& m : members) {
        const std::vector<std::uint8_t> raw(m.content.begin(), m.content.end());
        const std::vector<std::uint8_t> data = m.deflate ? RawDeflate(raw) : raw;
        const auto crc = static_cast<std::uint32_t>(
            crc32(crc32(0L, Z_NULL, 0), raw.data(), static_cast<uInt>(raw.size())));
        const auto offset = static_cast<std::uint32_t>(out.size());
        const unsigned flags = m.dataDescriptor ? 8 : 0;
        const unsigned method = m.deflate ? 8 : 0;
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, flags);
        Put16(out, method);
        Put32(out, 0);
        Put32(out, m.dataDescriptor ? 0 : crc);
        Put32(out, m.dataDescriptor ? 0 : static_cast<std::uint32_t>(data.size()));
        Put32(out, m.dataDescriptor ? 0 : static_cast<std::uint32_t>(raw.size()));
        Put16(out, static_cast<unsigned>(m.name.size()));
        Put16(out, 0);
        out.insert(out.end(), m.name.begin(), m.name.end());
        out.insert(out.end(), data.begin(), data.end());
        if (m.dataDescriptor) {
            Put32(out, 0x08074b50);
            Put32(out, crc);
            Put32(out, static_cast<std::uint32_t>(data.size()));
            Put32(out, static_cast<std::uint32_t>(raw.size()));
        }
        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, static_cast<std::uint32_t>(data.size()));
        Put32(central, static_cast<std::uint32_t>(raw.size()));
        Put16(central, static_cast<unsigned>(m.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central.insert(central.end(), m.name.begin(), m.name.end());
    }
    const auto dirOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(members.size()));
    Put16(out, static_cast<unsigned>(members.size()));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, dirOffset);
    Put16(out, static_cast<unsigned>(comment.size()));
    out.insert(out.end(), comment.begin(), comment.end());
    return out;
}

inline void PutPngChunk(std::vector<std::uint8_t>& out, const char* type,
                        const std::vector<std::uint8_t>& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, static_cast<std::uint32_t>(
                      crc32(crc32(0L, Z_NULL, 0), body.data(), static_cast<uInt>(body.size()))));
}

// An RGBA PNG of width x height from rgba (4 bytes per pixel, rows top to bottom), with
// emptyIdats chunks of no data before the one that holds the pixels (valid, and rare).
inline std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height,
                                         const std::vector<std::uint8_t>& rgba,
                                         int emptyIdats = 0) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    PutPngChunk(out, "IHDR", header);
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = 0; y < height; ++y) {
        rows.push_back(0);
        const auto* row = rgba.data() + static_cast<std::size_t>(y) * width * 4;
        rows.insert(rows.end(), row, row + static_cast<std::size_t>(width) * 4);
    }
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(size);
    compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
    packed.resize(size);
    for (int i = 0; i < emptyIdats; ++i) {
        PutPngChunk(out, "IDAT", {});
    }
    PutPngChunk(out, "IDAT", packed);
    PutPngChunk(out, "IEND", {});
    return out;
}

}  // namespace qn::fake
