#pragma once

#include <cstdint>
#include <string>

namespace qn {

// One physical disk, "\\.\PhysicalDriveN".
struct DiskRecord {
    std::string vendorId;
    std::string productId;
    std::string serialNumber;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerTrack = 0;
    std::uint32_t tracksPerCylinder = 0;
    std::uint64_t diskSize = 0;
    std::int64_t cylinders = 0;
    std::int32_t mediaType = -1;  // -1 until the geometry has been read; 11 removable, 12 fixed
    std::uint32_t diskNumber = 0;
};

}  // namespace qn
