#include "repair/arc_path.h"

#include "disk/storage_queries.h"

namespace qn {

std::wstring ArcKey(std::int32_t rdisk, std::uint32_t partition) {
    return L"multi(0)disk(0)rdisk(" + std::to_wstring(rdisk) + L")partition(" +
           std::to_wstring(partition) + L")\\WINDOWS";
}

std::optional<std::wstring> ArcKeyOfLetter(StoragePort& storage, const DiskInfo& inventory,
                                           char letter) {
    std::int32_t rdisk = GetDiskNumberOfLetter(storage, letter);
    if (rdisk < 0) {
        return std::nullopt;
    }
    if (IsRemovableLetter(storage, letter)) {
        rdisk = 0;
    }
    // Counting lettered partitions alone misses an unlettered one in front (a recovery or
    // vendor partition), and ntldr would look for Windows on the wrong partition.
    std::uint32_t partition = GetPartitionNumberOfLetter(storage, letter);
    if (partition == 0) {
        partition = static_cast<std::uint32_t>(inventory.GetOrdinalOfLetter(letter));
    }
    return ArcKey(rdisk, partition);
}

}  // namespace qn
