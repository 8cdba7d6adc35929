#pragma once

#include <array>
#include <cstdint>

#include "platform/random_source.h"  // Guid

namespace qn {

// Values of the Windows PARTITION_STYLE enumeration.
enum class PartitionStyle : std::uint32_t { Mbr = 0, Gpt = 1, Raw = 2 };

// "MBR", "GPT" or "RAW", as the log, the report and the diagnosis name a disk's style.
inline const wchar_t* PartitionStyleName(PartitionStyle style) {
    switch (style) {
        case PartitionStyle::Mbr:
            return L"MBR";
        case PartitionStyle::Gpt:
            return L"GPT";
        case PartitionStyle::Raw:
            break;
    }
    return L"RAW";
}

// PARTITION_INFORMATION_EX, kept whole, in portable form.
struct PartitionInformation {
    PartitionStyle style = PartitionStyle::Mbr;
    std::int64_t startingOffset = 0;
    std::int64_t partitionLength = 0;
    std::uint32_t partitionNumber = 0;
    bool rewritePartition = false;
    struct Mbr {
        std::uint8_t partitionType = 0;
        bool bootIndicator = false;
        bool recognizedPartition = false;
        std::uint32_t hiddenSectors = 0;
    } mbr;
    struct Gpt {
        Guid partitionType;
        Guid partitionId;
        std::uint64_t attributes = 0;
        std::array<char16_t, 36> name{};
    } gpt;
};

inline bool operator==(const Guid& a, const Guid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && a.data4 == b.data4;
}

// {C12A7328-F81F-11D2-BA4B-00A0C93EC93B}
inline constexpr Guid kEfiSystemPartitionType{
    0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};

}  // namespace qn
