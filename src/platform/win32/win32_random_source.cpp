#include "platform/win32/win32_random_source.h"

#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>

#include <cstring>

namespace qn::win32 {

bool Win32RandomSource::Fill(std::uint8_t* data, std::size_t size) {
    // The system-preferred generator needs no algorithm handle and exists from Vista on,
    // WinPE included.
    return BCRYPT_SUCCESS(
        BCryptGenRandom(nullptr, data, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

Guid Win32RandomSource::NewGuid() {
    GUID g{};
    Guid out;
    if (CoCreateGuid(&g) != S_OK) {
        // Fall back to random bytes shaped as a version 4 GUID.
        std::uint8_t bytes[16] = {};
        if (!Fill(bytes, sizeof bytes)) {
            return out;
        }
        bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
        bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
        std::memcpy(&g, bytes, sizeof g);
    }
    out.data1 = g.Data1;
    out.data2 = g.Data2;
    out.data3 = g.Data3;
    std::memcpy(out.data4.data(), g.Data4, 8);
    return out;
}

}  // namespace qn::win32
