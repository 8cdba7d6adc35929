#include "editor/editor_store_line.h"

#include "disk/storage_queries.h"
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

EditedPartition EditedPartitionOf(StoragePort& storage, char bootLetter) {
    EditedPartition partition;
    if (bootLetter == kEspWithoutLetter || bootLetter == 0) {
        return partition;
    }
    partition.disk = GetDiskNumberOfLetter(storage, bootLetter);
    partition.active = IsActivePartition(storage, bootLetter);
    partition.esp = IsEfiSystemPartition(storage, bootLetter);
    return partition;
}

std::wstring EditedStoreText(bool bcd, const BootFileSet& files, char bootLetter,
                             const EditedPartition& partition) {
    const std::wstring& file = bcd ? files.bcdStorePath : files.bootIniPath;
    if (bcd && (!files.found || file.empty())) {
        // bcdedit without /store: the store the firmware started the boot manager from.
        return std::wstring(kEditing) + L"系统存储" +
               (bootLetter == kEspWithoutLetter ? L"（ESP，无盘符）" : L"");
    }
    if (file.empty()) {
        return {};
    }
    return kEditing + file + PlaceOf(partition);
}

}  // namespace qn
