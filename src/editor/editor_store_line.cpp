#include "editor/editor_store_line.h"

#include "run/repair_request.h"

namespace qn {
namespace {

constexpr wchar_t kEditing[] = L"正在编辑: ";

// "（磁盘0 激活分区）"; empty when nothing is known.
std::wstring PlaceOf(const EditedPartition& partition) {
    std::wstring place;
    if (partition.disk >= 0) {
        place = L"磁盘" + std::to_wstring(partition.disk);
    }
    const wchar_t* role = partition.esp      ? L"EFI 系统分区"
                          : partition.active ? L"激活分区"
                                             : nullptr;
    if (role != nullptr) {
        place += (place.empty() ? L"" : L" ") + std::wstring(role);
    }
    return place.empty() ? place : L"（" + place + L"）";
}

}  // namespace

EditedPartition EditedPartitionOf(const BootPartition& boot) {
    EditedPartition partition;
    if (!boot.HasLetter()) {
        return partition;
    }
    partition.disk = boot.disk;
    partition.active = boot.style == PartitionStyle::Mbr;
    partition.esp = boot.style == PartitionStyle::Gpt;
    return partition;
}

std::wstring EditedStoreText(bool bcd, const BootFileSet& files, const BootPartition& boot) {
    const std::wstring& file = bcd ? files.bcdStorePath : files.bootIniPath;
    if (bcd && (!files.found || file.empty())) {
        // bcdedit without /store: the store the firmware started the boot manager from.
        return std::wstring(kEditing) + L"系统存储" +
               (boot.IsUnletteredEsp() ? L"（ESP，无盘符）" : L"");
    }
    if (file.empty()) {
        return {};
    }
    return kEditing + file + PlaceOf(EditedPartitionOf(boot));
}

}  // namespace qn
