#include "sim/sim_machine.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "boot/utf8_text.h"
#include "sim/boot_region.h"
#include "sim/glob_match.h"
#include "sim/lower_case.h"

namespace qn::sim {
namespace {

constexpr std::uint32_t kClusterBytes = 4096;
// Letters outside A-Z that stand for a volume whether it has a letter or not, so the machine
// reaches the files of a letterless volume without giving it one.
constexpr wchar_t kVolumeKeyBase = 0xE000;

fake::FakeVolume AnswersFor(const ScenarioDisk& disk, const ScenarioPartition& p, int position) {
    fake::FakeVolume answers;
    answers.driveType = disk.removable ? kDriveRemovable : kDriveFixed;
    const auto clusters = static_cast<std::uint64_t>(p.length) / kClusterBytes;
    FreeSpace space;
    space.bytesPerSector = 512;
    space.sectorsPerCluster = kClusterBytes / 512;
    space.totalClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(clusters, 0xFFFFFFFF));
    space.freeClusters = p.freeBytes ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                           *p.freeBytes / kClusterBytes, space.totalClusters))
                                     : space.totalClusters / 2;
    answers.freeSpace = space;
    answers.info = VolumeInformation{p.label, static_cast<std::uint32_t>(p.offset >> 20) ^ 0x5A17u,
                                     p.fileSystem};
    // Windows mounts a locked BitLocker volume without recognising a file system in it.
    if (p.locked) {
        answers.freeSpace = std::nullopt;
        answers.info = VolumeInformation{L"", answers.info->serialNumber, L"RAW"};
    }
    // A volume that continues on another disk has no single extent and no partition of its own.
    if (!p.spanned) {
        answers.diskNumber = disk.number;
        PartitionInformation info = disk.style == PartitionStyle::Gpt
                                        ? fake::GptPartition(p.offset, p.gptType)
                                        : fake::MbrPartition(p.offset, p.active, p.mbrType);
        info.partitionLength = p.length;
        info.partitionNumber = static_cast<std::uint32_t>(position);
        answers.partition = info;
    }
    return answers;
}

std::uint64_t Seed(const std::wstring& name) {
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (char c : WideToUtf8(name)) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ull;
    }
    return hash;
}

}  // namespace

SimMachine::SimMachine(const Scenario& scenario) : SimMachine(scenario, asciiCodePage_) {}

SimMachine::SimMachine(const Scenario& scenario, CodePage& codePage)
    : scenario_(scenario),
      winPE_(scenario.winPE),
      codePage_(&codePage),
      volumes_(storage_),
      registry_(*this),
      processes_(*this),
      volumePort_(*this),
      fileSystem_(*this),
      firmwarePort_(scenario.peFirmware.value_or(scenario.firmware), scenario.firmwareArchitecture),
      failures_(scenario.failures),
      guids_(Seed(scenario.name)) {
    files_.SetDriveResolver([this](wchar_t letter) { return VolumeIdAt(letter); });
    for (const ScenarioDisk& disk : scenario_.disks) {
        fake::FakePhysicalDrive& drive = storage_.Drive(disk.number);
        drive.descriptor = fake::MakeDeviceDescriptor(disk.vendor, disk.product,
                                                      "SIM" + std::to_string(disk.number));
        drive.geometry = fake::FixedDiskGeometry(disk.size);
        if (disk.removable) {
            drive.geometry->mediaType = 11;
        }
        PartitionInformation whole;
        whole.style = disk.style;
        whole.partitionLength = static_cast<std::int64_t>(disk.size);
        drive.partition = whole;
        drive.hotplug = HotplugInfo{disk.removable, disk.removable};
        drive.sectors.source = [this, number = disk.number](std::uint64_t first,
                                                            std::uint32_t count) {
            return ReadDiskSectors(number, first, count);
        };
        drive.sectors.sink = [this, number = disk.number](std::uint64_t first,
                                                          std::span<const std::uint8_t> bytes) {
            return WriteDiskSectors(number, first, bytes);
        };
        DiskState state;
        state.disk = &disk;
        state.code = MbrCodeBytes(disk.mbrCode.value_or(MbrCode::Nt60));
        state.signature = 0x4E510000u | disk.number;
        disks_.push_back(state);
        int position = 0;
        for (const ScenarioPartition& partition : disk.partitions) {
            AddVolume(disk, partition, ++position);
        }
    }
    // Files after all volumes: a store may name a partition of a later disk.
    for (const DiskVolume& volume : diskVolumes_) {
        PlaceFiles(volume);
    }
    for (const DiskVolume& volume : diskVolumes_) {
        PlaceStores(volume);
    }
    for (const ScenarioFirmwareEntry& entry : scenario_.firmwareEntries) {
        const DiskVolume* volume = VolumeAt(entry.partition.disk, entry.partition.position);
        if (volume == nullptr) {
            continue;
        }
        const bool windows = LowerCase(entry.path) == L"\\efi\\microsoft\\boot\\bootmgfw.efi";
        const FirmwareEntry made{windows ? kBootmgrGuid : guids_.Next(), entry.description,
                                 volume->id, entry.path};
        if (entry.inOrder) {
            firmwareEntries_.push_back(made);
        }
        if (entry.next) {
            bootNext_ = made;
        }
    }
    PlaceSystem();
    HoldOpenFiles();
}

void SimMachine::HoldOpenFiles() {
    auto hold = [this](const DiskVolume& volume, const std::wstring& rooted) {
        if (files_.IsFile(PathOn(volume, rooted))) {
            heldOpen_.emplace_back(volume.id, LowerCase(rooted));
        }
    };
    for (const DiskVolume& volume : diskVolumes_) {
        for (const std::wstring& path : volume.partition->openFiles) {
            hold(volume, path);
        }
    }
    const DiskVolume* running = RunningVolume();
    if (running != nullptr && scenario_.systemFilesOpen) {
        // The registry keeps every hive of the running system open, with its transaction logs.
        for (const wchar_t* hive : {L"SOFTWARE", L"SYSTEM", L"SAM", L"SECURITY", L"DEFAULT"}) {
            const std::wstring path = std::wstring(L"\\Windows\\System32\\config\\") + hive;
            for (const wchar_t* tail : {L"", L".LOG", L".LOG1", L".LOG2"}) {
                hold(*running, path + tail);
            }
        }
        // So is the system store, a hive too: Windows loads it at start as BCD00000000.
        if (const DiskVolume* system = SystemPartition()) {
            const std::wstring store = scenario_.firmware == Firmware::Uefi
                                           ? L"\\EFI\\Microsoft\\Boot\\BCD"
                                           : L"\\Boot\\BCD";
            if (files_.IsFile(PathOn(*system, store))) {
                files_.AddFile(PathOn(*system, store + L".LOG"));
                files_.SetAttributes(PathOn(*system, store + L".LOG"),
                                     kAttributeHidden | kAttributeSystem);
            }
            for (const wchar_t* tail : {L"", L".LOG", L".LOG1", L".LOG2"}) {
                hold(*system, store + tail);
            }
        }
    }
    // Open handles keep a volume from being locked: bootsect and the program's own sector
    // writes alike.
    for (const DiskVolume& volume : diskVolumes_) {
        const bool inUse = VolumeInUse(volume);
        if (fake::FakeMachineVolume* answers =
                volumes_.Find(fake::FakeVolumePort::NameOf(volume.id))) {
            answers->answers.sectors.lockRefused = inUse;
        }
        if (const wchar_t letter = LetterOf(volume); letter != 0) {
            storage_.Volume(static_cast<char>(letter)).sectors.lockRefused = inUse;
        }
    }
}

bool SimMachine::IsHeldOpen(const std::wstring& path) const {
    if (heldOpen_.empty() || path.size() < 3 || path[1] != L':') {
        return false;
    }
    const std::wstring volume = VolumeIdAt(static_cast<wchar_t>(std::towupper(path[0])));
    const std::wstring rooted = LowerCase(path.substr(2));
    return std::any_of(heldOpen_.begin(), heldOpen_.end(), [&](const auto& held) {
        return held.first == volume && held.second == rooted;
    });
}

bool SimMachine::OnLockedVolume(const std::wstring& path) const {
    if (path.size() < 2 || path[1] != L':') {
        return false;
    }
    const DiskVolume* volume = VolumeById(VolumeIdAt(static_cast<wchar_t>(std::towupper(path[0]))));
    return volume != nullptr && VolumeLocked(*volume);
}

std::uint64_t SimMachine::FreeBytes(const DiskVolume& volume) const {
    if (const auto known = freeBytes_.find(volume.id); known != freeBytes_.end()) {
        return known->second;
    }
    const ScenarioPartition& p = *volume.partition;
    return p.freeBytes.value_or(static_cast<std::uint64_t>(p.length) / 2);
}

bool SimMachine::UseBytes(const DiskVolume& volume, std::uint64_t bytes) {
    const std::uint64_t free = FreeBytes(volume);
    if (bytes > free) {
        return false;
    }
    freeBytes_[volume.id] = free - bytes;
    return true;
}

void SimMachine::ReleaseBytes(const DiskVolume& volume, std::uint64_t bytes) {
    const std::uint64_t free = FreeBytes(volume);
    freeBytes_[volume.id] =
        std::min<std::uint64_t>(free + bytes, static_cast<std::uint64_t>(volume.partition->length));
}

bool SimMachine::VolumeInUse(const DiskVolume& volume) const {
    return volume.partition->lockFails || &volume == RunningVolume() ||
           std::any_of(heldOpen_.begin(), heldOpen_.end(),
                       [&](const auto& held) { return held.first == volume.id; });
}

void SimMachine::AddVolume(const ScenarioDisk& disk, const ScenarioPartition& p, int position) {
    wchar_t id[40] = {};
    std::swprintf(id, 40, L"5ed1%04x-0000-0000-0000-%012x", disk.number,
                  static_cast<unsigned>(position));
    DiskVolume volume;
    volume.id = id;
    volume.disk = &disk;
    volume.partition = &p;
    volume.position = position;
    // Windows makes no volume of the Microsoft reserved partition, nor of an extended partition,
    // which only holds the logical ones: nothing can mount them.
    const bool noVolume = disk.style == PartitionStyle::Gpt ? p.gptType == kMsReservedPartitionType
                                                            : IsExtendedPartitionType(p.mbrType);
    if (!noVolume) {
        fake::FakeVolume answers = AnswersFor(disk, p, position);
        answers.sectors.source = [this, volumeId = std::wstring(id)](std::uint64_t first,
                                                                     std::uint32_t count) {
            return ReadVolumeSectors(volumeId, first, count);
        };
        answers.sectors.sink = [this, volumeId = std::wstring(id)](
                                   std::uint64_t first, std::span<const std::uint8_t> bytes) {
            return WriteVolumeSectors(volumeId, first, bytes);
        };
        volumes_.AddVolume(id, answers, p.letter);
        volume.deviceNumber = ++deviceCount_;
    }
    const BootRecordCode code = p.bootCode.value_or(
        HasBootCodeLayout(p.fileSystem) ? BootRecordCode::Bootmgr : BootRecordCode::None);
    diskVolumes_.push_back(std::move(volume));
    DiskVolume& added = diskVolumes_.back();
    added.bootSector = BootSectorBytes(code, GeometryOf(added));
    added.followingSectors = FormattedSectors(added.bootSector, GeometryOf(added));
}

std::wstring SimMachine::VolumeIdAt(wchar_t letter) const {
    if (letter >= kVolumeKeyBase &&
        static_cast<std::size_t>(letter - kVolumeKeyBase) < diskVolumes_.size()) {
        return diskVolumes_[static_cast<std::size_t>(letter - kVolumeKeyBase)].id;
    }
    for (const DiskVolume& volume : diskVolumes_) {
        if (static_cast<wchar_t>(volumes_.LetterOf(volume.id)) == letter) {
            return volume.id;
        }
    }
    if (!peVolume_.empty() && static_cast<wchar_t>(volumes_.LetterOf(peVolume_)) == letter) {
        return peVolume_;
    }
    return {};
}

const ScenarioInstall* SimMachine::InstallAt(wchar_t letter) const {
    const DiskVolume* volume = VolumeAtLetter(letter);
    return volume != nullptr && volume->partition->install ? &*volume->partition->install : nullptr;
}

const DiskVolume* SimMachine::VolumeById(const std::wstring& id) const {
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.id == id) {
            return &volume;
        }
    }
    return nullptr;
}

DiskVolume* SimMachine::MutableVolume(const std::wstring& id) {
    for (DiskVolume& volume : diskVolumes_) {
        if (volume.id == id) {
            return &volume;
        }
    }
    return nullptr;
}

const DiskVolume* SimMachine::VolumeAtLetter(wchar_t letter) const {
    const wchar_t upper = static_cast<wchar_t>(std::towupper(letter));
    if (upper < L'A' || upper > L'Z') {
        return nullptr;
    }
    for (const DiskVolume& volume : diskVolumes_) {
        if (LetterOf(volume) == upper) {
            return &volume;
        }
    }
    return nullptr;
}

const DiskVolume* SimMachine::VolumeAt(std::uint32_t disk, int position) const {
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.disk->number == disk && volume.position == position) {
            return &volume;
        }
    }
    return nullptr;
}

std::vector<std::uint32_t> SimMachine::BiosDiskOrder() const {
    std::vector<std::uint32_t> order;
    if (scenario_.biosBootDisk) {
        order.push_back(*scenario_.biosBootDisk);
    }
    std::vector<std::uint32_t> numbers;
    for (const ScenarioDisk& disk : scenario_.disks) {
        if (!PulledAtNextStart(disk) &&
            (!scenario_.biosBootDisk || disk.number != *scenario_.biosBootDisk)) {
            numbers.push_back(disk.number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    order.insert(order.end(), numbers.begin(), numbers.end());
    return order;
}

bool SimMachine::PulledAtNextStart(const ScenarioDisk& disk) const {
    if (!disk.removable) {
        return false;
    }
    return std::any_of(scenario_.disks.begin(), scenario_.disks.end(),
                       [](const ScenarioDisk& other) { return !other.removable; });
}

wchar_t SimMachine::LetterOf(const DiskVolume& volume) const {
    return static_cast<wchar_t>(volumes_.LetterOf(volume.id));
}

std::wstring SimMachine::PathOn(const DiskVolume& volume, std::wstring_view rooted) const {
    const auto index = static_cast<std::size_t>(&volume - diskVolumes_.data());
    return std::wstring(1, static_cast<wchar_t>(kVolumeKeyBase + index)) + L":" +
           std::wstring(rooted);
}

std::wstring SimMachine::DeviceText(const BcdDevice& device) const {
    if (device.kind == BcdDeviceKind::Boot) {
        return L"boot";
    }
    const DiskVolume* volume = VolumeById(device.volume);
    if (volume == nullptr || volume->deviceNumber == 0) {
        return L"unknown";
    }
    const wchar_t letter = LetterOf(*volume);
    return letter != 0
               ? std::wstring(L"partition=") + letter + L":"
               : L"partition=\\Device\\HarddiskVolume" + std::to_wstring(volume->deviceNumber);
}

std::optional<BcdDevice> SimMachine::DeviceFromText(std::wstring_view text) const {
    const std::wstring lower = LowerCase(text);
    if (lower == L"boot") {
        return BcdDevice{BcdDeviceKind::Boot, {}};
    }
    const std::wstring prefix = L"partition=";
    if (lower.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    const std::wstring target = lower.substr(prefix.size());
    if (target.size() == 2 && target[1] == L':') {
        const DiskVolume* volume = VolumeAtLetter(target[0]);
        return volume ? std::optional<BcdDevice>(BcdDevice{BcdDeviceKind::Partition, volume->id})
                      : std::nullopt;
    }
    const std::wstring_view device = L"\\device\\harddiskvolume";
    if (target.rfind(device, 0) != 0) {
        return std::nullopt;
    }
    const std::wstring_view number = std::wstring_view(target).substr(device.size());
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.deviceNumber > 0 && number == std::to_wstring(volume.deviceNumber)) {
            return BcdDevice{BcdDeviceKind::Partition, volume.id};
        }
    }
    return std::nullopt;
}

const DiskVolume* SimMachine::SystemPartition() const {
    if (scenario_.systemPartitionNone) {
        return nullptr;
    }
    if (scenario_.systemPartition) {
        return VolumeAt(scenario_.systemPartition->disk, scenario_.systemPartition->position);
    }
    if (winPE_) {
        return nullptr;  // started from a medium this machine does not show
    }
    if (scenario_.firmware == Firmware::Uefi) {
        for (const FirmwareEntry& entry : firmwareEntries_) {
            const DiskVolume* volume = VolumeById(entry.volume);
            if (volume != nullptr && volume->partition->gptType == kEfiSystemPartitionType) {
                return volume;
            }
        }
        for (const DiskVolume& volume : diskVolumes_) {
            if (volume.disk->style == PartitionStyle::Gpt &&
                volume.partition->gptType == kEfiSystemPartitionType) {
                return &volume;
            }
        }
        return nullptr;
    }
    const std::vector<std::uint32_t> order = BiosDiskOrder();
    const DiskState* boot = nullptr;
    for (const DiskState& disk : disks_) {
        if (!order.empty() && disk.disk->number == order.front()) {
            boot = &disk;
        }
    }
    if (boot == nullptr || boot->disk->style != PartitionStyle::Mbr) {
        return nullptr;
    }
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.disk == boot->disk && volume.partition->active) {
            return &volume;
        }
    }
    return nullptr;
}

std::wstring SimMachine::SystemStorePath() const {
    const DiskVolume* volume = SystemPartition();
    if (volume == nullptr) {
        return {};
    }
    return PathOn(*volume, scenario_.firmware == Firmware::Uefi ? L"\\EFI\\Microsoft\\Boot\\BCD"
                                                                : L"\\Boot\\BCD");
}

const DiskVolume* SimMachine::RunningVolume() const {
    if (winPE_) {
        return nullptr;
    }
    for (const DiskVolume& volume : diskVolumes_) {
        if (volume.partition->install && volume.partition->install->running) {
            return &volume;
        }
    }
    return nullptr;
}

std::wstring SimMachine::NewGuid() {
    return guids_.Next();
}

std::optional<ToolOutcome> SimMachine::TakeInjectedFailure(
    const std::wstring& tool, const std::vector<std::wstring>& arguments) {
    std::wstring joined;
    for (const std::wstring& argument : arguments) {
        joined += (joined.empty() ? L"" : L" ") + argument;
    }
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
        if (LowerCase(it->tool) != LowerCase(tool) || !GlobMatch(it->pattern, joined)) {
            continue;
        }
        ToolOutcome outcome{it->exitCode, it->message.empty() ? L"" : it->message + L"\r\n"};
        if (it->times > 0 && --it->times == 0) {
            failures_.erase(it);
        }
        return outcome;
    }
    return std::nullopt;
}

std::vector<std::wstring> SimMachine::Journal() const {
    std::lock_guard<std::mutex> guard(journalLock_);
    return journal_;
}

void SimMachine::Record(std::wstring line) {
    std::lock_guard<std::mutex> guard(journalLock_);
    journal_.push_back(line);
    if (sink_) {
        sink_(line);
    }
}

void SimMachine::SetJournalSink(std::function<void(const std::wstring&)> sink) {
    std::lock_guard<std::mutex> guard(journalLock_);
    sink_ = std::move(sink);
}

void SimMachine::SetFileSink(FileSink sink) {
    std::lock_guard<std::mutex> guard(journalLock_);
    fileSink_ = std::move(sink);
}

void SimMachine::FileClosed(const std::wstring& path) {
    FileSink sink;
    {
        std::lock_guard<std::mutex> guard(journalLock_);
        sink = fileSink_;
    }
    const std::vector<std::uint8_t>* bytes = files_.FileBytes(path);
    if (sink && bytes != nullptr) {
        sink(path, *bytes);
    }
}

std::vector<ToolRun> SimMachine::ToolRuns() const {
    std::lock_guard<std::mutex> guard(journalLock_);
    return runs_;
}

void SimMachine::RecordRun(ToolRun run) {
    std::lock_guard<std::mutex> guard(journalLock_);
    runs_.push_back(std::move(run));
}

}  // namespace qn::sim
