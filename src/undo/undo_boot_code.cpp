#include "undo/undo_boot_code.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "boot/field_text.h"
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

// NTFS's boot code is its $Boot file, the volume's first 8 KiB whatever the sector size.
constexpr std::size_t kNtfsBootCodeBytes = 8192;
// exFAT's main boot region: boot sector, eight extended boot sectors, OEM parameters, a reserved
// sector, then the checksum over the eleven before it.
constexpr std::uint32_t kExfatChecksumSector = 11;
constexpr std::uint32_t kExfatRegionSectors = 12;
constexpr std::size_t kExfatSectorShiftAt = 0x6C;
// The code every file system keeps in its boot sector ends with the sector's first 512 bytes.
constexpr std::size_t kBootSectorCodeEnd = 512;

// Where today's parameter block ends: the code begins there.
std::size_t CodeStart(BootRecordFileSystem fileSystem) {
    switch (fileSystem) {
        case BootRecordFileSystem::Ntfs:
            return 0x54;
        case BootRecordFileSystem::Fat32:
            return 0x5A;
        case BootRecordFileSystem::Fat:
            return 0x3E;
        case BootRecordFileSystem::Exfat:
            return 0x78;
        case BootRecordFileSystem::Unknown:
        case BootRecordFileSystem::BitLocker:
            break;
    }
    return 0;
}

// The volume flags and the percentage in use change while the volume is mounted, so exFAT
// leaves them out of its checksum.
std::uint32_t ExfatChecksum(std::span<const std::uint8_t> region, std::uint32_t sectorBytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < std::size_t{kExfatChecksumSector} * sectorBytes; ++i) {
        if (i == 106 || i == 107 || i == 112) {
            continue;
        }
        sum = ((sum & 1) != 0 ? 0x80000000u : 0u) + (sum >> 1) + region[i];
    }
    return sum;
}

bool ChecksumSectorMatches(std::span<const std::uint8_t> region, std::uint32_t sectorBytes) {
    const std::uint32_t sum = ExfatChecksum(region, sectorBytes);
    const auto sector =
        region.subspan(std::size_t{kExfatChecksumSector} * sectorBytes, sectorBytes);
    for (std::size_t at = 0; at + 4 <= sector.size(); at += 4) {
        const std::uint32_t value = static_cast<std::uint32_t>(sector[at]) |
                                    (static_cast<std::uint32_t>(sector[at + 1]) << 8) |
                                    (static_cast<std::uint32_t>(sector[at + 2]) << 16) |
                                    (static_cast<std::uint32_t>(sector[at + 3]) << 24);
        if (value != sum) {
            return false;
        }
    }
    return true;
}

void PutChecksumSector(std::span<std::uint8_t> region, std::uint32_t sectorBytes) {
    const std::uint32_t sum = ExfatChecksum(region, sectorBytes);
    auto sector = region.subspan(std::size_t{kExfatChecksumSector} * sectorBytes, sectorBytes);
    for (std::size_t at = 0; at + 4 <= sector.size(); at += 4) {
        for (std::size_t i = 0; i < 4; ++i) {
            sector[at + i] = static_cast<std::uint8_t>(sum >> (8 * i));
        }
    }
}

// Checks what exFAT needs before its boot sector may change, and makes the checksum sector
// match; a refusal otherwise.
std::wstring MendExfatRegion(std::span<const std::uint8_t> today, std::span<std::uint8_t> bytes,
                             std::uint32_t sectorBytes) {
    if (bytes.size() < std::size_t{kExfatRegionSectors} * sectorBytes) {
        return L"无法读取 exFAT 引导区（扇区 0-11），无法重算其校验和，未写入";
    }
    const unsigned shift = today[kExfatSectorShiftAt];
    if (shift < 9 || shift > 12 || (1u << shift) != sectorBytes) {
        return L"exFAT 引导区所记的扇区大小与设备不符，无法重算其校验和，未写入";
    }
    // A region whose checksum does not match today is one this program does not understand.
    if (!ChecksumSectorMatches(today, sectorBytes)) {
        return L"exFAT 引导区现在的校验和与其内容不符，为安全起见未写入";
    }
    PutChecksumSector(bytes, sectorBytes);
    return {};
}

}  // namespace

void RestoreMbrCode(RepairRun& run, const UndoItem& item) {
    const std::wstring row = L"还原磁盘" + item.target + L" 主引导记录的引导代码";
    const auto saved = ReadSaved(run, item);
    // A disk number of at most three digits, as the record's reader accepted it.
    const auto disk = static_cast<std::uint32_t>(ParseDecimal(item.target).value_or(0));
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

BootRecordFileSystem BootRecordFileSystemOf(std::span<const std::uint8_t> sector) {
    auto text = [&](std::size_t at, std::string_view s) {
        return sector.size() >= at + s.size() &&
               std::equal(s.begin(), s.end(), sector.begin() + static_cast<std::ptrdiff_t>(at));
    };
    if (text(3, "NTFS    ")) {
        return BootRecordFileSystem::Ntfs;
    }
    if (text(3, "EXFAT   ")) {
        return BootRecordFileSystem::Exfat;
    }
    if (text(3, "-FVE-FS-")) {
        return BootRecordFileSystem::BitLocker;
    }
    if (text(0x52, "FAT32   ")) {
        return BootRecordFileSystem::Fat32;
    }
    if (text(0x36, "FAT")) {
        return BootRecordFileSystem::Fat;
    }
    return BootRecordFileSystem::Unknown;
}

BootCodeRestore RestoreOfBootCode(std::span<const std::uint8_t> saved,
                                  std::span<const std::uint8_t> today, std::uint32_t sectorBytes) {
    BootCodeRestore restore;
    if (sectorBytes < kBootSectorCodeEnd || saved.size() < kBootSectorCodeEnd ||
        today.size() < sectorBytes) {
        restore.refusal = L"无法读取引导记录";
        return restore;
    }
    restore.fileSystem = BootRecordFileSystemOf(today);
    const BootRecordFileSystem then = BootRecordFileSystemOf(saved);
    switch (restore.fileSystem) {
        case BootRecordFileSystem::BitLocker:
            restore.refusal = L"BitLocker 卷的引导记录不由本程序写入";
            return restore;
        case BootRecordFileSystem::Unknown:
            restore.refusal = L"无法识别该卷现在的文件系统，为安全起见未写入";
            return restore;
        default:
            break;
    }
    // A sector saved without a parameter block (wiped) still brings its code back.
    if (then != BootRecordFileSystem::Unknown && then != restore.fileSystem) {
        restore.refusal = L"该卷的文件系统已与修复时不同，为安全起见未写入";
        return restore;
    }
    const bool ntfs = restore.fileSystem == BootRecordFileSystem::Ntfs;
    const bool exfat = restore.fileSystem == BootRecordFileSystem::Exfat;
    std::size_t codeEnd = kBootSectorCodeEnd;
    if (ntfs) {
        const std::size_t both = std::min({kNtfsBootCodeBytes, saved.size(), today.size()});
        codeEnd = std::max<std::size_t>(both / sectorBytes * sectorBytes, kBootSectorCodeEnd);
    }
    const std::size_t span = (codeEnd + sectorBytes - 1) / sectorBytes * sectorBytes;
    const std::size_t length =
        exfat ? std::min(today.size(), std::size_t{kExfatRegionSectors} * sectorBytes) : span;
    std::vector<std::uint8_t> bytes(today.begin(),
                                    today.begin() + static_cast<std::ptrdiff_t>(length));
    std::copy(saved.begin(), saved.begin() + 3, bytes.begin());
    std::copy(saved.begin() + static_cast<std::ptrdiff_t>(CodeStart(restore.fileSystem)),
              saved.begin() + static_cast<std::ptrdiff_t>(codeEnd),
              bytes.begin() + static_cast<std::ptrdiff_t>(CodeStart(restore.fileSystem)));
    if (std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(span),
                   today.begin())) {
        return restore;
    }
    if (exfat) {
        restore.refusal = MendExfatRegion(today, bytes, sectorBytes);
        if (!restore.refusal.empty()) {
            return restore;
        }
    }
    // Only from the first sector that changes to the last one.
    std::size_t first = 0;
    std::size_t end = bytes.size() / sectorBytes;
    auto same = [&](std::size_t sector) {
        const auto at = static_cast<std::ptrdiff_t>(sector * sectorBytes);
        return std::equal(bytes.begin() + at, bytes.begin() + at + sectorBytes, today.begin() + at);
    };
    while (first < end && same(first)) {
        ++first;
    }
    while (end > first && same(end - 1)) {
        --end;
    }
    restore.firstSector = static_cast<std::uint32_t>(first);
    restore.sectors.assign(bytes.begin() + static_cast<std::ptrdiff_t>(first * sectorBytes),
                           bytes.begin() + static_cast<std::ptrdiff_t>(end * sectorBytes));
    return restore;
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
    const auto count =
        sectorBytes != 0 ? static_cast<std::uint32_t>(saved->size() / sectorBytes) : 0;
    // exFAT's checksum needs its whole boot region, however few sectors were saved.
    const std::uint32_t wanted = std::min(std::max(count, kExfatRegionSectors), kMaxSectorsPerRead);
    auto today = count != 0 ? device->ReadSectors(0, wanted) : std::nullopt;
    if (!today && count != 0 && count < wanted) {
        today = device->ReadSectors(0, count);
    }
    if (!today || today->size() < std::size_t{count} * sectorBytes) {
        run.FailedRow(row, {L"无法读取 " + item.target + L" 的引导记录"}, false);
        return;
    }
    const std::span<const std::uint8_t> kept(saved->data(), std::size_t{count} * sectorBytes);
    if (std::equal(kept.begin(), kept.end(), today->begin())) {
        run.Row(row + L"......无需还原（未改变）");
        return;
    }
    const BootCodeRestore restore = RestoreOfBootCode(kept, *today, sectorBytes);
    if (restore.refusal.empty() && restore.sectors.empty()) {
        run.Row(row + L"......无需还原（未改变）");
        return;
    }
    const BootRecordKind kind = ClassifyBootRecord(kept.first(sectorBytes));
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
    // Someone else's code (or none).
    if (!restore.refusal.empty()) {
        run.FailedRow(row, {restore.refusal}, false);
        return;
    }
    const SectorWriteResult result = device->WriteSectors(restore.firstSector, restore.sectors);
    if (result != SectorWriteResult::Written) {
        run.FailedRow(row, {WriteResultText(result)}, false);
    } else {
        run.Note(L"已写入 " + item.target + L" 的引导记录");
        run.Row(row + L"......成功");
    }
}

}  // namespace qn
