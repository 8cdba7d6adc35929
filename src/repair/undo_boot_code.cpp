#include "repair/undo_boot_code.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "diagnosis/boot_code_classifier.h"
#include "disk/device_paths.h"
#include "repair/boot_code_step.h"

namespace qn {
namespace {

constexpr std::uint64_t kMaxSavedSectorBytes = kMaxSectorsPerRead * 4096;

std::optional<std::vector<std::uint8_t>> ReadSaved(RepairRun& run, const UndoItem& item) {
    return run.Ports().files.ReadFileBytes(item.saved, kMaxSavedSectorBytes);
}

std::wstring WriteResultText(SectorWriteResult result) {
    switch (result) {
        case SectorWriteResult::Written:
            return L"";
        case SectorWriteResult::NotOpenForWrite:
            return L"无法以写入方式打开设备";
        case SectorWriteResult::LockFailed:
            return L"无法锁定设备（有程序正在使用它）";
        case SectorWriteResult::WriteFailed:
            return L"写入失败";
        case SectorWriteResult::ReadBackDiffers:
            return L"写入后读回的内容不一致";
    }
    return L"写入失败";
}

// Where a file system's parameter block ends in its first sector: what undo keeps of today's
// sector when it writes saved code back (a volume may have been resized or its serial changed).
std::size_t ParameterBlockEnd(std::span<const std::uint8_t> sector) {
    auto text = [&](std::size_t at, std::string_view s) {
        return sector.size() >= at + s.size() &&
               std::equal(s.begin(), s.end(), sector.begin() + static_cast<std::ptrdiff_t>(at));
    };
    if (text(3, "NTFS    ")) {
        return 0x54;
    }
    if (text(0x52, "FAT32   ")) {
        return 0x5A;
    }
    if (text(0x36, "FAT")) {
        return 0x3E;
    }
    return 3;  // no parameter block known: the code is all but the jump
}

}  // namespace

void RestoreMbrCode(RepairRun& run, const UndoItem& item) {
    const std::wstring row = L"还原磁盘" + item.target + L" 主引导记录的引导代码";
    const auto saved = ReadSaved(run, item);
    std::uint32_t disk = 0;
    for (wchar_t c : item.target) {
        disk = disk * 10 + static_cast<std::uint32_t>(c - L'0');  // digits, as read
    }
    auto device = run.Ports().storage.OpenDevice(PhysicalDrivePath(disk), DeviceAccess::ReadWrite);
    if (!saved || saved->size() < 512) {
        run.FailedRow(row, {L"保存的扇区文件无法读取: " + item.saved}, false);
        return;
    }
    auto current = device ? device->ReadSectors(0, 1) : std::nullopt;
    if (!current || current->size() != saved->size()) {
        run.FailedRow(row, {L"无法读取磁盘" + item.target + L" 的主引导记录"}, false);
        return;
    }
    // The same disk still: its signature and partition table are what they were when the
    // code was saved (writing another disk's code is never right).
    if (!std::equal(saved->begin() + kMbrCodeArea, saved->begin() + 510,
                    current->begin() + kMbrCodeArea)) {
        run.FailedRow(
            row,
            {L"磁盘" + item.target + L" 的磁盘签名或分区表与修复时不同，已不是同一块磁盘，未写入"},
            false);
        return;
    }
    // Only the code: the partition table and disk signature stay as they are today.
    std::vector<std::uint8_t> sector = *current;
    std::copy(saved->begin(), saved->begin() + kMbrCodeArea, sector.begin());
    if (sector == *current) {
        run.Row(row + L"......无需还原（未改变）");
        return;
    }
    const SectorWriteResult result = device->WriteSectors(0, sector);
    if (result != SectorWriteResult::Written) {
        run.FailedRow(row, {WriteResultText(result)}, false);
    } else {
        run.Note(L"已写入磁盘" + item.target + L" 主引导记录的引导代码");
        run.Row(row + L"......成功");
    }
}

void RestoreBootRecord(RepairRun& run, const UndoItem& item) {
    const std::wstring row = L"还原 " + item.target + L" 的引导记录";
    const auto saved = ReadSaved(run, item);
    auto device = run.Ports().storage.OpenDevice(
        VolumeDevicePath(static_cast<char>(item.target[0])), DeviceAccess::ReadWrite);
    if (!saved || saved->size() < 512 || !device) {
        run.FailedRow(
            row, {saved ? L"无法打开 " + item.target : L"保存的扇区文件无法读取: " + item.saved},
            false);
        return;
    }
    const std::uint32_t sectorBytes = device->LogicalSectorBytes();
    const auto count = static_cast<std::uint32_t>(saved->size() / sectorBytes);
    auto current = sectorBytes != 0 && count != 0 ? device->ReadSectors(0, count) : std::nullopt;
    if (!current || current->size() != saved->size()) {
        run.FailedRow(row, {L"无法读取 " + item.target + L" 的引导记录"}, false);
        return;
    }
    if (*current == *saved) {
        run.Row(row + L"......无需还原（未改变）");
        return;
    }
    const std::span<const std::uint8_t> first(saved->data(), sectorBytes);
    const BootRecordKind kind = ClassifyBootRecord(first);
    switch (kind) {
        case BootRecordKind::Bootmgr:
        case BootRecordKind::Ntldr: {
            // Windows' own code: bootsect writes it as it fits this volume today.
            device.reset();
            const bool nt6 = kind == BootRecordKind::Bootmgr;
            const std::wstring named = row + (nt6 ? L"（NT6）" : L"（NT5）");
            run.Row(named + L"...");
            if (auto failure =
                    run.RunTool(CarriedTool::Bootsect,
                                BootsectParameters(nt6 ? BootCodeKind::Nt60 : BootCodeKind::Nt52,
                                                   item.target, false))) {
                run.FailedRow(named, *failure, true);
            } else {
                run.ReplaceRow(named + L"......成功");
            }
            return;
        }
        case BootRecordKind::BitLocker:
            run.FailedRow(row, {L"BitLocker 卷的引导记录不由本程序写入"}, false);
            return;
        default:
            break;
    }
    // Someone else's code (or none): its bytes go back, under today's parameter block.
    std::vector<std::uint8_t> bytes = *saved;
    const std::size_t keepEnd = ParameterBlockEnd(*current);
    std::copy(current->begin() + 3, current->begin() + static_cast<std::ptrdiff_t>(keepEnd),
              bytes.begin() + 3);
    std::optional<SectorWriteResult> result;
    for (std::uint32_t i = 0; i < count && (!result || *result == SectorWriteResult::Written);
         ++i) {
        const auto begin = static_cast<std::ptrdiff_t>(i * sectorBytes);
        const std::span<const std::uint8_t> want(bytes.data() + begin, sectorBytes);
        if (!std::equal(want.begin(), want.end(), current->begin() + begin)) {
            result = device->WriteSectors(i, want);
        }
    }
    if (result && *result != SectorWriteResult::Written) {
        run.FailedRow(row, {WriteResultText(*result)}, false);
    } else {
        run.Note(L"已写入 " + item.target + L" 的引导记录");
        run.Row(row + L"......成功");
    }
}

}  // namespace qn
