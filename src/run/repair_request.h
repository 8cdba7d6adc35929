#pragma once

#include <string>

#include "disk/boot_partition.h"
#include "disk/windows_install.h"

namespace qn {

// What one repair run works with, taken from the window (or the command line) before it starts.
struct RepairRequest {
    BootPartition boot;       // receives the boot files
    std::wstring bootReason;  // where and why, when the program chose it ("磁盘1 激活分区 S: ...")
    std::wstring timeoutText = L"3";
    bool clearExisting = false;
    bool isWinPE = false;
    InstallationTable installations;  // the systems to repair are selected
    // What the guards' answers leave of the run: bootsect without /mbr (another system's boot
    // code in the master boot record stays), and a switch every bcdboot run gets ("/p" or
    // "/addlast": the firmware's boot order stays as it is).
    bool keepMbr = false;
    std::wstring bcdbootSwitch;
};

// Which boot code the MBR repair page asked for.
enum class MbrRepairKind { Nt6Pbr = 0, Nt5Pbr = 1, Mbr = 2 };

struct MbrRepairRequest {
    BootPartition boot;
    MbrRepairKind kind = MbrRepairKind::Mbr;
    bool isWinPE = false;
};

}  // namespace qn
