// The BIOS road: the boot disk's master boot record, the active partition's boot record, and
// the loader that boot record looks for.
#include <optional>
#include <span>

#include "sim/bcd_store_file.h"
#include "sim/boot_chain.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

constexpr std::size_t kTableOffset = 446;
constexpr std::uint8_t kBootFlag = 0x80;

BootVerdict Broken(BootVerdict verdict, std::wstring problem) {
    verdict.problem = std::move(problem);
    return verdict;
}

std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// The stick the program ran from is gone at the next start: a repair that only works through it
// does not count.
const ScenarioDisk* BiosBootDisk(const SimMachine& machine) {
    const std::vector<std::uint32_t> order = machine.BiosDiskOrder();
    const ScenarioDisk* boot = nullptr;
    for (const ScenarioDisk& disk : machine.Description().disks) {
        if (!order.empty() && disk.number == order.front()) {
            boot = &disk;
        }
    }
    return boot;
}

// Why the MBR's code does not go on to the active partition; empty when it does.
std::wstring MbrCodeProblem(MbrCode code) {
    switch (code) {
        case MbrCode::None:
            return L"MBR has no boot code";
        case MbrCode::Grub:
            return L"MBR holds GRUB's boot code: the machine starts GRUB, not a "
                   L"Windows boot loader";
        case MbrCode::Other:
            return L"MBR holds boot code that is not Windows'";
        case MbrCode::Nt60:
        case MbrCode::Nt52:
        // Syslinux's generic MBR does what Windows' does: it starts the active partition's boot
        // record (syslinux mbr/mbr.S), so the rest of the road decides.
        case MbrCode::Syslinux:
            break;
    }
    return {};
}

// The one active entry of the partition table in sector 0, or why there is none to start.
struct ActiveEntry {
    std::uint32_t start = 0;  // first sector
    std::wstring problem;
};

ActiveEntry ReadActiveEntry(std::span<const std::uint8_t> sector) {
    ActiveEntry entry;
    std::uint8_t activeType = 0;
    int active = 0;
    for (std::size_t slot = 0; slot < 4; ++slot) {
        const std::size_t at = kTableOffset + 16 * slot;
        const std::uint8_t flag = sector[at];
        if (flag != 0 && flag != kBootFlag) {
            return {0, L"the MBR's partition table is invalid"};
        }
        if (flag == kBootFlag) {
            ++active;
            activeType = sector[at + 4];
            entry.start = ReadLe32(sector, at + 8);
        }
    }
    if (active == 0) {
        return {0, L"no active partition on the boot disk"};
    }
    if (active > 1) {
        return {0,
                L"more than one active partition on the boot disk (the MBR says "
                L"\"Invalid partition table\")"};
    }
    // The MBR code loads the active entry's first sector whatever its type: of an extended
    // partition that is the first logical partition's table, which holds no code.
    if (IsExtendedPartitionType(activeType)) {
        return {0,
                L"the active flag is on an extended partition: the MBR starts its first "
                L"sector, which holds no boot code"};
    }
    return entry;
}

// The active partition's boot record, the loader it looks for and that loader's menu.
BootVerdict ActivePartitionChain(const SimMachine& machine, const DiskVolume& system,
                                 BootVerdict verdict) {
    switch (machine.VolumeBootCode(system)) {
        case BootRecordCode::None:
            return Broken(verdict, L"the active partition's boot record has no boot code");
        case BootRecordCode::Grub:
            return Broken(verdict,
                          L"the active partition's boot record holds GRUB's boot code: "
                          L"the machine starts GRUB, not a Windows boot loader");
        case BootRecordCode::BitLocker:
            return Broken(verdict,
                          L"the active partition is encrypted by BitLocker: its boot "
                          L"record cannot start a loader");
        case BootRecordCode::Other:
            return Broken(verdict,
                          L"the active partition's boot record holds boot code that "
                          L"is not Windows'");
        case BootRecordCode::Ntldr:
            if (!HasFile(machine, system, L"\\ntldr")) {
                return Broken(verdict,
                              L"ntldr missing on the active partition (\"NTLDR is "
                              L"missing\")");
            }
            MenuFromBootIni(machine, system, verdict);
            return verdict;
        case BootRecordCode::Bootmgr:
            break;
    }
    if (!HasFile(machine, system, L"\\bootmgr")) {
        return Broken(verdict,
                      L"bootmgr missing on the active partition (\"BOOTMGR is "
                      L"missing\")");
    }
    const auto* bytes = machine.Files().FileBytes(machine.PathOn(system, L"\\Boot\\BCD"));
    if (bytes == nullptr) {
        return Broken(verdict, L"\\Boot\\BCD missing on the active partition");
    }
    const auto store = DeserializeStore(*bytes);
    if (!store) {
        return Broken(verdict, L"\\Boot\\BCD on the active partition cannot be read");
    }
    MenuFromStore(machine, system, *store, false, verdict);
    return verdict;
}

}  // namespace

bool HasFile(const SimMachine& machine, const DiskVolume& volume, std::wstring_view rooted) {
    const auto* bytes = machine.Files().FileBytes(machine.PathOn(volume, rooted));
    return bytes != nullptr && !bytes->empty();
}

BootVerdict BiosBootChain(const SimMachine& machine) {
    BootVerdict verdict;
    verdict.firmware = L"bios";
    const ScenarioDisk* boot = BiosBootDisk(machine);
    if (boot == nullptr) {
        return Broken(verdict, L"no disk to start from");
    }
    if (auto problem = MbrCodeProblem(machine.DiskMbrCode(boot->number)); !problem.empty()) {
        return Broken(verdict, problem);
    }
    if (boot->style == PartitionStyle::Gpt) {
        return Broken(verdict,
                      L"the boot disk has a GPT partition table, which a BIOS cannot "
                      L"start Windows from");
    }
    // The code reads the table the sector really holds, not the scenario.
    const ActiveEntry active = ReadActiveEntry(machine.DiskSector0(boot->number));
    if (!active.problem.empty()) {
        return Broken(verdict, active.problem);
    }
    const DiskVolume* system = nullptr;
    for (const DiskVolume& volume : machine.DiskVolumes()) {
        if (volume.disk == boot &&
            static_cast<std::uint64_t>(volume.partition->offset) / 512 == active.start) {
            system = &volume;
        }
    }
    if (system == nullptr) {
        return Broken(verdict, L"the active partition holds no volume");
    }
    return ActivePartitionChain(machine, *system, verdict);
}

}  // namespace qn::sim
