#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/partition_information.h"

namespace qn::sim {

// A simulated machine as a scenario file describes it: disks, partitions, the files on them and
// the Windows installations. Plain data; the simulation adapters are built from it.

struct ScenarioInstall {
    std::wstring productName;     // empty with productReadable false: the value is missing
    bool productReadable = true;  // false: the hive cannot be read
    std::wstring currentVersion;  // "6.1"; empty: missing
    bool x64 = true;
    bool running = false;  // the system the program runs on
};

struct ScenarioPartition {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::uint8_t mbrType = 0x07;  // MBR disks
    bool active = false;          // MBR boot indicator
    Guid gptType;                 // GPT disks
    char letter = 0;              // 0: no drive letter
    std::wstring label;
    std::wstring fileSystem = L"NTFS";
    std::vector<std::wstring> files;  // "\Boot\BCD", "\bootmgr", ...
    std::optional<ScenarioInstall> install;
};

struct ScenarioDisk {
    std::uint32_t number = 0;
    PartitionStyle style = PartitionStyle::Mbr;
    std::uint64_t size = 0;
    bool removable = false;
    std::string vendor;
    std::string product;
    std::vector<ScenarioPartition> partitions;
};

struct Scenario {
    std::wstring name;
    bool winPE = false;
    int regLoadDelayMs = 0;  // how long each reg load takes (slow disks, for tests)
    std::vector<ScenarioDisk> disks;
};

// {EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}: basic data.
inline constexpr Guid kBasicDataPartitionType{
    0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
// {DE94BBA4-06D1-4D40-A16A-BFD50179D6AC}: Windows recovery.
inline constexpr Guid kRecoveryPartitionType{
    0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};
// {E3C9E316-0B5C-4DB8-817D-F92DF00215AE}: Microsoft reserved.
inline constexpr Guid kMsReservedPartitionType{
    0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};

}  // namespace qn::sim
