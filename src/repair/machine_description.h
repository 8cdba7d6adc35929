#pragma once

#include <string>
#include <vector>

#include "disk/disk_info.h"
#include "disk/storage_port.h"
#include "disk/windows_install.h"
#include "platform/code_page.h"

namespace qn {

// The machine as a log describes it for whoever reads it later: each disk with its style, size
// and model, its lettered partitions (label, file system, size, active or EFI system partition),
// then the Windows installations found and which were chosen.
std::vector<std::wstring> DescribeMachine(const DiskInfo& inventory, StoragePort& storage,
                                          CodePage& codePage,
                                          const InstallationTable& installations);

// "500 GB", "100 MB": sizes as people read them.
std::wstring SizeText(std::uint64_t bytes);

}  // namespace qn
