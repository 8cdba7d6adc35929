#include "disk/boot_partition.h"

namespace qn {

BootPartition FindBootPartition(const BootPartitionMap& candidates, char letter) {
    for (const auto& [disk, partition] : candidates) {
        if (letter != 0 && partition.letter == letter) {
            return partition;
        }
    }
    return {};
}

}  // namespace qn
