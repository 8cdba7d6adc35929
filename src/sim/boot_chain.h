#pragma once

#include <optional>
#include <string>

#include "sim/bcd_model.h"
#include "sim/boot_verdict.h"

namespace qn::sim {

class SimMachine;
struct DiskVolume;

// The pieces of the verdict. They read the machine's truth (sectors, files, stores) and never
// the program's own readers.

// What one menu entry starts, or why it starts nothing.
struct Reach {
    std::optional<int> disk;
    std::optional<int> partition;
    std::wstring product;
    std::wstring problem;  // "names a volume without Windows"; empty when it reaches Windows
};

BootVerdict BiosBootChain(const SimMachine& machine);
BootVerdict UefiBootChain(const SimMachine& machine);

// The boot manager's menu from a store on volume (its own partition, for "boot" devices).
// verdict arrives with the firmware set; place names the store in problems.
void MenuFromStore(const SimMachine& machine, const DiskVolume& volume, const BcdStoreData& store,
                   bool uefi, BootVerdict& verdict);

// ntldr's menu from the boot.ini on volume (which holds ntldr and NTDETECT.COM).
void MenuFromBootIni(const SimMachine& machine, const DiskVolume& volume, BootVerdict& verdict);

// What ntldr on volume starts by default, for a legacy entry of a store.
Reach ReachThroughNtldr(const SimMachine& machine, const DiskVolume& volume);

// Whether the volume holds a non-empty file there.
bool HasFile(const SimMachine& machine, const DiskVolume& volume, std::wstring_view rooted);

}  // namespace qn::sim
