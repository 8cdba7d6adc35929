// The UEFI road: the one-time next boot, the firmware's boot entries in their order, then each
// disk's fallback loader; the first program found on a FAT EFI system partition, and the store
// next to Windows' boot manager.
#include <algorithm>
#include <cwctype>

#include "sim/bcd_store_file.h"
#include "sim/boot_chain.h"
#include "sim/loader_image.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

constexpr wchar_t kWindowsStore[] = L"\\EFI\\Microsoft\\Boot\\BCD";
constexpr std::uint8_t kMbrEspType = 0xEF;

bool IsEsp(const DiskVolume& volume) {
    return volume.disk->style == PartitionStyle::Gpt
               ? volume.partition->gptType == kEfiSystemPartitionType
               : volume.partition->mbrType == kMbrEspType;
}

// The firmware reads FAT file systems only.
bool FirmwareReads(const DiskVolume& volume) {
    std::wstring fs = volume.partition->fileSystem;
    for (wchar_t& c : fs) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return fs == L"FAT32" || fs == L"FAT" || fs == L"FAT16" || fs == L"FAT12";
}

struct Candidate {
    std::wstring name;  // how problems name it
    const DiskVolume* volume = nullptr;
    std::wstring path;
    bool once = false;  // the next boot (BootNext)
};

// In the order the firmware tries them. The stick the program ran from is gone at the next
// start: its entries lead nowhere and its fallback loader is not there.
std::vector<Candidate> Candidates(const SimMachine& machine) {
    std::vector<Candidate> candidates;
    auto volumeOf = [&](const FirmwareEntry& entry) {
        const DiskVolume* volume = machine.VolumeById(entry.volume);
        return volume != nullptr && machine.PulledAtNextStart(*volume->disk) ? nullptr : volume;
    };
    // BootNext comes first, once; when its program cannot be loaded UEFI firmware goes on with
    // its boot order.
    if (const auto& next = machine.FirmwareBootNext()) {
        candidates.push_back({L"the one-time next boot entry \"" + next->description + L"\"",
                              volumeOf(*next), next->path, true});
    }
    for (const FirmwareEntry& entry : machine.FirmwareEntries()) {
        candidates.push_back(
            {L"firmware entry \"" + entry.description + L"\"", volumeOf(entry), entry.path});
    }
    std::vector<const DiskVolume*> esps;
    for (const DiskVolume& volume : machine.DiskVolumes()) {
        if (IsEsp(volume) && !machine.PulledAtNextStart(*volume.disk)) {
            esps.push_back(&volume);
        }
    }
    std::stable_sort(esps.begin(), esps.end(), [](const DiskVolume* a, const DiskVolume* b) {
        return a->disk->number < b->disk->number;
    });
    for (const DiskVolume* esp : esps) {
        candidates.push_back({L"the fallback loader of disk " + std::to_wstring(esp->disk->number),
                              esp, FallbackLoaderFor(machine.FirmwareArch())});
    }
    return candidates;
}

// Why the firmware cannot load the candidate's program; empty when it can.
std::wstring LoadProblem(const SimMachine& machine, const Candidate& candidate) {
    if (candidate.volume == nullptr) {
        return candidate.name + L" names a partition that is not on the machine";
    }
    if (!IsEsp(*candidate.volume)) {
        return candidate.name + L" names a partition that is not an EFI system partition";
    }
    if (!FirmwareReads(*candidate.volume)) {
        return candidate.name + L": its EFI system partition is " +
               candidate.volume->partition->fileSystem + L", which the firmware cannot read";
    }
    if (!machine.Files().IsFile(machine.PathOn(*candidate.volume, candidate.path))) {
        return candidate.name + L": " + candidate.path + L" missing on its partition";
    }
    if (!HasFile(machine, *candidate.volume, candidate.path)) {
        return candidate.name + L": " + candidate.path + L" is empty (damaged)";
    }
    return {};
}

// The program the firmware starts: Windows' boot manager and the store beside it, or the end.
BootVerdict ChainFrom(const SimMachine& machine, const Candidate& candidate, BootVerdict verdict) {
    const auto* bytes =
        machine.Files().FileBytes(machine.PathOn(*candidate.volume, candidate.path));
    switch (ClassifyImage(*bytes)) {
        case FileImage::BootmgrEfi:
            break;
        case FileImage::Grub:
            verdict.problem =
                L"the firmware starts GRUB (" + candidate.name + L"), not a Windows boot manager";
            return verdict;
        default:
            verdict.problem = L"the firmware starts " + candidate.path + L" (" + candidate.name +
                              L"), which is not a Windows boot manager";
            return verdict;
    }
    const auto* storeBytes =
        machine.Files().FileBytes(machine.PathOn(*candidate.volume, kWindowsStore));
    if (storeBytes == nullptr) {
        verdict.problem = L"\\EFI\\Microsoft\\Boot\\BCD missing on the EFI system partition";
        return verdict;
    }
    const auto store = DeserializeStore(*storeBytes);
    if (!store) {
        verdict.problem = L"\\EFI\\Microsoft\\Boot\\BCD on the EFI system partition cannot be read";
        return verdict;
    }
    MenuFromStore(machine, *candidate.volume, *store, true, verdict);
    return verdict;
}

}  // namespace

BootVerdict UefiBootChain(const SimMachine& machine) {
    BootVerdict verdict;
    verdict.firmware = L"uefi";
    std::wstring firstProblem;
    for (const Candidate& candidate : Candidates(machine)) {
        const std::wstring problem = LoadProblem(machine, candidate);
        if (problem.empty()) {
            return ChainFrom(machine, candidate, verdict);
        }
        // A dead next boot is passed over as if it were not there.
        if (firstProblem.empty() && !candidate.once) {
            firstProblem = problem;
        }
    }
    verdict.problem = firstProblem.empty() ? L"the firmware has no boot entry and no disk has an "
                                             L"EFI system partition"
                                           : firstProblem;
    return verdict;
}

}  // namespace qn::sim
