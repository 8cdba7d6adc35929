#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_info.h"
#include "disk/partition_information.h"
#include "disk/storage_port.h"
#include "disk/windows_install.h"
#include "platform/code_page.h"

namespace qn {

// The machine as a log or report describes it for whoever reads it later.
struct MachineFacts {
    struct Partition {
        char letter = 0;
        std::wstring label;
        std::wstring fileSystem;
        std::uint64_t size = 0;
        std::uint32_t number = 0;  // 0 when unknown
        bool active = false;
        bool esp = false;
    };
    struct Disk {
        std::uint32_t number = 0;
        PartitionStyle style = PartitionStyle::Raw;
        std::uint64_t size = 0;
        std::wstring model;
        std::vector<Partition> partitions;  // lettered ones, by offset
    };
    std::vector<Disk> disks;
    InstallationTable installations;
};

// Each disk with its style, size and model, its lettered partitions, and the installations.
MachineFacts GatherMachineFacts(const DiskInfo& inventory, StoragePort& storage, CodePage& codePage,
                                const InstallationTable& installations);

// The facts as lines of text.
std::vector<std::wstring> DescribeMachine(const MachineFacts& facts);

// "500 GB", "100 MB": sizes as people read them.
std::wstring SizeText(std::uint64_t bytes);

}  // namespace qn
