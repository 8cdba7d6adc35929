#include "diagnosis/diagnosis_log.h"

#include "boot/text_helpers.h"
#include "disk/locked_volumes.h"

namespace qn {
namespace {

std::wstring DiskLine(const DiskDiagnosis& disk) {
    std::wstring line =
        L"磁盘" + std::to_wstring(disk.number) + L" (" + PartitionStyleName(disk.style) + L"): ";
    if (!disk.sectorRead) {
        line += L"主引导记录无法读取";
    } else {
        line += std::wstring(L"主引导记录 ") + MbrCodeText(disk.mbrCode);
        if (!disk.bootSignature) {
            line += L"，缺少结束标志 55AA";
        }
        if (!disk.tableValid) {
            line += L"，分区表无效";
        }
    }
    if (disk.style == PartitionStyle::Mbr) {
        if (disk.activeCount > 1) {
            line += L"，有 " + std::to_wstring(disk.activeCount) + L" 个激活分区";
        } else if (disk.activeCount == 0) {
            line += L"，没有激活分区";
        }
        if (disk.activeExtended) {
            line += L"，激活标记在扩展分区上";
        } else if (disk.activeLetter != 0) {
            line += L"，激活分区 " + DriveText(disk.activeLetter);
        }
    }
    if (disk.espLetter != 0) {
        line += L"，EFI 系统分区 " + DriveText(disk.espLetter);
    }
    return line;
}

void AddFile(std::wstring& list, FilePresence presence, const wchar_t* name) {
    if (presence == FilePresence::Missing) {
        return;
    }
    list += (list.empty() ? L"" : L", ") + std::wstring(name) +
            (presence == FilePresence::Empty ? L" (0 字节)" : L"");
}

std::wstring VolumeLine(const VolumeDiagnosis& volume, const std::wstring& fallbackLoader) {
    std::wstring line = L"卷 " + DriveText(volume.letter) + L" (";
    line += volume.disk >= 0 ? L"磁盘" + std::to_wstring(volume.disk) : std::wstring(L"磁盘未知");
    if (!volume.fileSystem.empty()) {
        line += L", " + volume.fileSystem;
    }
    if (volume.active) {
        line += L", 激活";
    }
    if (volume.esp) {
        line += L", EFI 系统分区";
    }
    line += L"): 引导记录 ";
    line += volume.bootRecord ? BootRecordText(*volume.bootRecord) : L"无法读取";
    // Its files were not seen: "无" would claim it holds none.
    if (volume.locked) {
        return line + L"；已加密（锁定），无法检查";
    }
    std::wstring files;
    AddFile(files, volume.files.bootmgr, L"bootmgr");
    AddFile(files, volume.files.bcd, L"\\Boot\\BCD");
    AddFile(files, volume.files.bootmgfw, L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi");
    AddFile(files, volume.files.efiBcd, L"\\EFI\\Microsoft\\Boot\\BCD");
    AddFile(files, volume.files.efiFallback, fallbackLoader.c_str());
    AddFile(files, volume.files.ntldr, L"ntldr");
    AddFile(files, volume.files.ntdetect, L"NTDETECT.COM");
    AddFile(files, volume.files.bootIni, L"boot.ini");
    line += L"；引导文件 " + (files.empty() ? std::wstring(L"无") : files);
    return line;
}

}  // namespace

std::vector<std::wstring> DiagnosisLogLines(const BootDiagnosis& d) {
    std::vector<std::wstring> lines;
    lines.push_back(L"引导诊断: " + DiagnosisStatus(d));
    lines.push_back(
        std::wstring(L"固件: ") + FirmwareModeText(d.firmware) +
        (d.firmware == FirmwareMode::Uefi
             ? std::wstring(L" (") + FirmwareArchitectureText(d.architecture) + L"，后备启动程序 " +
                   d.fallbackLoader + L")"
             : std::wstring()) +
        (d.firmwareReason.empty() ? std::wstring() : L"；按磁盘判断：" + d.firmwareReason));
    for (const DiskDiagnosis& disk : d.disks) {
        lines.push_back(DiskLine(disk));
    }
    for (const VolumeDiagnosis& volume : d.volumes) {
        lines.push_back(VolumeLine(volume, d.fallbackLoader));
    }
    if (d.firmware == FirmwareMode::Uefi) {
        if (!d.firmwareOrderKnown) {
            lines.push_back(L"固件启动顺序: 无法读取（系统 BCD 存储无法打开）");
        } else {
            std::wstring order;
            int n = 0;
            for (const FirmwareBootEntry& entry : d.firmwareOrder) {
                order += (order.empty() ? L"" : L"  ") + std::to_wstring(++n) + L". " +
                         (entry.description.empty() ? entry.identifier : entry.description);
                if (!entry.path.empty()) {
                    order += L" (" + entry.path + L")";
                }
            }
            lines.push_back(L"固件启动顺序: " + (order.empty() ? std::wstring(L"空") : order));
            for (const FirmwareBootEntry& entry : d.firmwareBootSequence) {
                lines.push_back(L"下次启动（仅一次）: " +
                                (entry.description.empty() ? entry.identifier : entry.description) +
                                (entry.path.empty() ? std::wstring() : L" (" + entry.path + L")"));
            }
        }
    }
    std::wstring road;
    for (const std::wstring& link : d.chain) {
        road += (road.empty() ? L"" : L" → ") + link;
    }
    lines.push_back(L"启动过程: " + road);
    if (d.menuReached) {
        std::wstring heading = L"启动菜单 (" + d.menuFile;
        if (d.timeout) {
            heading += L"，等待 " + std::to_wstring(*d.timeout) + L" 秒";
        }
        lines.push_back(heading + (d.menu.empty() ? L"): 没有启动项" : L"):"));
        for (const MenuEntryDiagnosis& entry : d.menu) {
            std::wstring line =
                L"  " + (entry.description.empty() ? entry.identifier : entry.description);
            if (entry.reaches) {
                line += L" → " + DriveText(entry.target) + L" 可以启动";
            } else {
                line += L" → 无法启动: " + entry.problem;
            }
            lines.push_back(line + (entry.isDefault ? L"（默认）" : L""));
        }
    }
    for (const InstallationDiagnosis& system : d.installations) {
        std::wstring line = L"系统 " + DriveText(system.letter) + L" " + system.name + L": ";
        if (system.bootable) {
            line += system.isDefault ? L"可以启动（默认启动项）" : L"可以从启动菜单选择启动";
        } else {
            line += L"无法启动: " + system.reason;
        }
        lines.push_back(line);
    }
    if (const std::vector<char> locked = LockedVolumeLetters(d); !locked.empty()) {
        lines.push_back(L"未检查: " + LockedNotCheckedText(locked) + L"其中的 Windows");
    }
    return lines;
}

}  // namespace qn
