#pragma once

#include <cstdint>
#include <string>

#include "disk/partition_information.h"

namespace qn {

// The disk number of a volume whose disk could not be determined (no extent, or more than one).
inline constexpr std::uint32_t kUnknownDiskNumber = 255;

// One drive letter with a mounted volume.
struct PartitionRecord {
    std::string rootPath;        // "C:\"
    std::string volumeLabel;     // ANSI code page
    std::string fileSystemName;  // ANSI code page
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
    std::uint32_t volumeSerialNumber = 0;
    // Unknown rather than 0 until looked up, so a half-built record never claims disk 0.
    std::uint32_t diskNumber = kUnknownDiskNumber;
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
    std::uint32_t driveType = 0;
    std::uint32_t ordinalOnDisk = 0;     // 1-based, by starting offset among the disk's letters
    PartitionInformation partitionInfo;  // all zero when the query failed
};

}  // namespace qn
