#include "sim/sim_machine.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "disk/installation_scan.h"
#include "platform/file_system.h"
#include "sim/bcd_store_file.h"
#include "sim/boot_ini_text.h"
#include "sim/glob_match.h"
#include "sim/loader_image.h"
#include "sim/scenario_store_builder.h"
#include "sim/utf8_text.h"

namespace qn::sim {
namespace {

constexpr std::uint32_t kDriveRemovable = 2;
constexpr std::uint32_t kClusterBytes = 4096;
// Letters outside A-Z that stand for a volume whether it has a letter or not, so the machine
// reaches the files of a letterless volume without giving it one.
constexpr wchar_t kVolumeKeyBase = 0xE000;
constexpr std::uint32_t kBootFileAttributes =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

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

int MajorVersion(const std::wstring& version) {
    int major = 0;
    for (wchar_t c : version) {
        if (c < L'0' || c > L'9') {
            break;
        }
        major = major * 10 + (c - L'0');
        if (major > 100) {
            break;
        }
    }
    return major;
}

std::uint64_t Seed(const std::wstring& name) {
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (char c : ToUtf8(name)) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001B3ull;
    }
    return hash;
}

std::wstring ToolMarker(const std::wstring& name) {
    return L"Quenra simulated program: " + name + L"\r\n";
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Cylinder, head and sector of a sector number as a BIOS with 255 heads and 63 sectors per
// track counts them; beyond what three bytes hold, the marker for "use the LBA".
void PutChs(std::span<std::uint8_t> at, std::uint64_t lba) {
    const std::uint64_t cylinder = lba / (255 * 63);
    if (cylinder > 1023) {
        at[0] = 0xFE;
        at[1] = 0xFF;
        at[2] = 0xFF;
        return;
    }
    const auto head = static_cast<std::uint8_t>((lba / 63) % 255);
    const auto sector = static_cast<std::uint8_t>(lba % 63 + 1);
    at[0] = head;
    at[1] = static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0));
    at[2] = static_cast<std::uint8_t>(cylinder & 0xFF);
}

}  // namespace

SimMachine::SimMachine(const Scenario& scenario) : SimMachine(scenario, asciiCodePage_) {}

SimMachine::SimMachine(const Scenario& scenario, CodePage& codePage)
    : scenario_(scenario),
      winPE_(scenario.winPE),
      codePage_(&codePage),
      volumes_(storage_),
      processes_(*this),
      volumePort_(*this),
      fileSystem_(*this),
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
        const bool windows = Lower(entry.path) == L"\\efi\\microsoft\\boot\\bootmgfw.efi";
        firmwareEntries_.push_back(FirmwareEntry{windows ? kBootmgrGuid : guids_.Next(),
                                                 entry.description, volume->id, entry.path});
    }
    PlaceSystem();
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
    // Windows makes no volume of the Microsoft reserved partition: nothing can mount it.
    if (disk.style != PartitionStyle::Gpt || !(p.gptType == kMsReservedPartitionType)) {
        volumes_.AddVolume(id, AnswersFor(disk, p, position), p.letter);
        volume.deviceNumber = ++deviceCount_;
    }
    const BootRecordCode code = p.bootCode.value_or(
        HasBootCodeLayout(p.fileSystem) ? BootRecordCode::Bootmgr : BootRecordCode::None);
    diskVolumes_.push_back(std::move(volume));
    diskVolumes_.back().bootSector = BootSectorBytes(code, GeometryOf(diskVolumes_.back()));
}

void SimMachine::PlaceFiles(const DiskVolume& volume) {
    const ScenarioPartition& p = *volume.partition;
    for (const std::wstring& file : p.files) {
        const auto named = p.fileImages.find(file);
        const FileImage image = named != p.fileImages.end() ? named->second : DefaultImageFor(file);
        files_.AddFile(PathOn(volume, file), ImageBytes(image));
        const std::wstring lower = Lower(file);
        if (lower == L"\\bootmgr" || lower == L"\\ntldr" || lower == L"\\ntdetect.com") {
            files_.SetAttributes(PathOn(volume, file), kBootFileAttributes);
        }
    }
    if (p.bootIni) {
        const std::string text = codePage_->FromWide(BootIniText(*p.bootIni), CodePageKind::Ansi);
        files_.AddFile(PathOn(volume, L"\\boot.ini"), Bytes(text));
        files_.SetAttributes(PathOn(volume, L"\\boot.ini"), kBootFileAttributes);
    }
    if (!p.install) {
        return;
    }
    const ScenarioInstall& install = *p.install;
    auto add = [&](const wchar_t* path, FileImage image) {
        files_.AddFile(PathOn(volume, path), ImageBytes(image));
    };
    add(L"\\Windows\\System32\\config\\SOFTWARE", FileImage::Empty);
    if (install.x64) {
        files_.AddDirectory(PathOn(volume, L"\\Windows\\SysWOW64"));
    }
    if (MajorVersion(install.currentVersion) < 6) {
        return;
    }
    add(L"\\Windows\\System32\\winload.exe", FileImage::Winload);
    add(L"\\Windows\\System32\\winresume.exe", FileImage::Other);
    if (install.x64) {
        add(L"\\Windows\\System32\\winload.efi", FileImage::WinloadEfi);
    }
    if (install.bootFiles) {
        add(L"\\Windows\\Boot\\PCAT\\bootmgr", FileImage::Bootmgr);
        add(L"\\Windows\\Boot\\PCAT\\memtest.exe", FileImage::Other);
        add(L"\\Windows\\Boot\\Fonts\\wgl4_boot.ttf", FileImage::Other);
        // A 64-bit firmware runs 64-bit EFI programs only, and only 64-bit Windows has them.
        if (install.x64) {
            add(L"\\Windows\\Boot\\EFI\\bootmgfw.efi", FileImage::BootmgrEfi);
            add(L"\\Windows\\Boot\\EFI\\bootmgr.efi", FileImage::BootmgrEfi);
            add(L"\\Windows\\Boot\\EFI\\memtest.efi", FileImage::Other);
        }
    }
}

void SimMachine::PlaceStores(const DiskVolume& volume) {
    StoreBuildContext context;
    context.selfVolume = volume.id;
    context.volumeOf = [this](const ScenarioPartitionRef& ref) -> std::optional<std::wstring> {
        const DiskVolume* target = VolumeAt(ref.disk, ref.position);
        return target != nullptr ? std::optional<std::wstring>(target->id) : std::nullopt;
    };
    context.newGuid = [this] { return guids_.Next(); };
    for (const ScenarioStore& store : volume.partition->stores) {
        auto built = BuildScenarioStore(store, context);
        // The reader has checked the store; one that still does not build stays unreadable.
        const auto* data = std::get_if<BcdStoreData>(&built);
        files_.AddFile(PathOn(volume, store.path),
                       data != nullptr ? SerializeStore(*data) : std::vector<std::uint8_t>{});
    }
}

void SimMachine::PlaceSystem() {
    std::wstring system;
    int runningMajor = 0;
    if (winPE_) {
        // The pre-installation environment's own RAM drive: on no disk.
        fake::FakeVolume ram;
        ram.info = VolumeInformation{L"Boot", 0x1234, L"NTFS"};
        peVolume_ = L"winpe-ram";
        volumes_.AddVolume(peVolume_, ram, static_cast<char>(kPeDrive));
        files_.AddDirectory(L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
        files_.SetFolder(KnownFolder::LocalAppData,
                         L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::Desktop,
                         L"X:\\Windows\\System32\\config\\systemprofile\\Desktop");
        files_.AddFile(L"X:\\Windows\\System32\\cmd.exe");
        system = L"X:\\Windows\\System32";
    }
    for (const ScenarioDisk& disk : scenario_.disks) {
        for (const ScenarioPartition& p : disk.partitions) {
            if (!p.install || !p.install->running || p.letter == 0) {
                continue;
            }
            const std::wstring drive(1, static_cast<wchar_t>(p.letter));
            registry_.AddKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
            if (p.install->productReadable) {
                registry_.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"ProductName",
                                    p.install->productName);
                registry_.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey,
                                    L"CurrentVersion", p.install->currentVersion);
            }
            if (!winPE_) {
                files_.SetFolder(KnownFolder::System, drive + L":\\Windows\\System32");
                files_.SetFolder(KnownFolder::LocalAppData,
                                 drive + L":\\Users\\Administrator\\AppData\\Local");
                files_.SetFolder(KnownFolder::Desktop, drive + L":\\Users\\Administrator\\Desktop");
                files_.AddDirectory(drive + L":\\Users\\Administrator\\Desktop");
                files_.AddDirectory(drive + L":\\Users\\Administrator\\AppData\\Local");
                files_.AddFile(drive + L":\\Windows\\System32\\cmd.exe");
                system = drive + L":\\Windows\\System32";
                runningMajor = MajorVersion(p.install->currentVersion);
            }
        }
    }
    if (system.empty()) {
        return;
    }
    // Windows PE carries all three tools; an installed Windows has bcdedit from Vista on and
    // bcdboot from 7 on, never bootsect.
    std::vector<std::wstring> tools;
    if (scenario_.systemTools) {
        tools = *scenario_.systemTools;
    } else if (winPE_) {
        tools = {L"bcdedit", L"bcdboot", L"bootsect"};
    } else {
        if (runningMajor >= 6) {
            tools.push_back(L"bcdedit");
            const ScenarioInstall* running =
                RunningVolume() ? &*RunningVolume()->partition->install : nullptr;
            if (running != nullptr && running->currentVersion != L"6.0") {
                tools.push_back(L"bcdboot");
            }
        }
    }
    for (const std::wstring& tool : tools) {
        const std::wstring name = tool + L".exe";
        files_.AddFile(system + L"\\" + name, Bytes(ToUtf8(ToolMarker(name))));
    }
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
    const std::wstring lower = Lower(std::wstring(text));
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
    const std::wstring device = L"\\device\\harddiskvolume";
    if (target.rfind(device, 0) == 0) {
        for (const DiskVolume& volume : diskVolumes_) {
            if (volume.deviceNumber > 0 &&
                target.substr(device.size()) == std::to_wstring(volume.deviceNumber)) {
                return BcdDevice{BcdDeviceKind::Partition, volume.id};
            }
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
    const DiskState* boot = nullptr;
    for (const DiskState& disk : disks_) {
        if (scenario_.biosBootDisk ? disk.disk->number == *scenario_.biosBootDisk
                                   : boot == nullptr || disk.disk->number < boot->disk->number) {
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

const SimMachine::DiskState* SimMachine::Disk(std::uint32_t number) const {
    for (const DiskState& disk : disks_) {
        if (disk.disk->number == number) {
            return &disk;
        }
    }
    return nullptr;
}

std::array<std::uint8_t, kSectorBytes> SimMachine::DiskSector0(std::uint32_t number) const {
    std::array<std::uint8_t, kSectorBytes> sector{};
    const DiskState* disk = Disk(number);
    if (disk == nullptr) {
        return sector;
    }
    std::copy(disk->code.begin(), disk->code.end(), sector.begin());
    std::span<std::uint8_t> s(sector);
    PutLittleEndian(s, 440, disk->signature, 4);
    const std::uint64_t diskSectors = disk->disk->size / 512;
    if (disk->disk->style == PartitionStyle::Gpt) {
        // The protective entry that covers the whole disk.
        std::span<std::uint8_t> entry = s.subspan(446, 16);
        PutChs(entry.subspan(1, 3), 1);
        entry[4] = 0xEE;
        PutChs(entry.subspan(5, 3), diskSectors - 1);
        PutLittleEndian(entry, 8, 1, 4);
        PutLittleEndian(entry, 12, std::min<std::uint64_t>(diskSectors - 1, 0xFFFFFFFF), 4);
    } else if (disk->disk->style == PartitionStyle::Mbr) {
        std::size_t slot = 0;
        for (const ScenarioPartition& p : disk->disk->partitions) {
            if (slot == 4) {
                break;  // logical drives are not modelled
            }
            std::span<std::uint8_t> entry = s.subspan(446 + 16 * slot++, 16);
            const auto first = static_cast<std::uint64_t>(p.offset) / 512;
            const auto count = static_cast<std::uint64_t>(p.length) / 512;
            entry[0] = p.active ? 0x80 : 0x00;
            PutChs(entry.subspan(1, 3), first);
            entry[4] = p.mbrType;
            PutChs(entry.subspan(5, 3), first + count - 1);
            PutLittleEndian(entry, 8, std::min<std::uint64_t>(first, 0xFFFFFFFF), 4);
            PutLittleEndian(entry, 12, std::min<std::uint64_t>(count, 0xFFFFFFFF), 4);
        }
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

MbrCode SimMachine::DiskMbrCode(std::uint32_t number) const {
    const DiskState* disk = Disk(number);
    return disk != nullptr ? ClassifyMbrCode(disk->code) : MbrCode::None;
}

void SimMachine::SetMbrCode(std::uint32_t number, MbrCode code) {
    WriteMbrCode(number, MbrCodeBytes(code));
}

void SimMachine::WriteMbrCode(std::uint32_t number, std::span<const std::uint8_t> code) {
    for (DiskState& disk : disks_) {
        if (disk.disk->number == number && code.size() == disk.code.size()) {
            std::copy(code.begin(), code.end(), disk.code.begin());
        }
    }
}

VolumeGeometry SimMachine::GeometryOf(const DiskVolume& volume) const {
    const ScenarioPartition& p = *volume.partition;
    return VolumeGeometry{p.fileSystem, static_cast<std::uint64_t>(p.offset) / 512,
                          static_cast<std::uint64_t>(p.length) / 512,
                          static_cast<std::uint32_t>(p.offset >> 20) ^ 0x5A17u};
}

BootRecordCode SimMachine::VolumeBootCode(const DiskVolume& volume) const {
    return ClassifyBootSector(volume.bootSector, GeometryOf(volume));
}

void SimMachine::SetBootRecordCode(const std::wstring& volumeId, BootRecordCode code) {
    if (DiskVolume* volume = MutableVolume(volumeId)) {
        volume->bootSector = BootSectorBytes(code, GeometryOf(*volume));
    }
}

void SimMachine::WriteBootSector(const std::wstring& volumeId,
                                 std::span<const std::uint8_t> sector) {
    DiskVolume* volume = MutableVolume(volumeId);
    if (volume != nullptr && sector.size() == kSectorBytes) {
        volume->bootSector.assign(sector.begin(), sector.end());
    }
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
        if (Lower(it->tool) != Lower(tool) || !GlobMatch(it->pattern, joined)) {
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

std::vector<ToolRun> SimMachine::ToolRuns() const {
    std::lock_guard<std::mutex> guard(journalLock_);
    return runs_;
}

void SimMachine::RecordRun(ToolRun run) {
    std::lock_guard<std::mutex> guard(journalLock_);
    runs_.push_back(std::move(run));
}

}  // namespace qn::sim
