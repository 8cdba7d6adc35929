#include "sim/sim_machine.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <cwctype>
#include <thread>

#include "disk/installation_scan.h"
#include "platform/file_system.h"

namespace qn::sim {
namespace {

constexpr std::uint32_t kDriveRemovable = 2;
constexpr std::uint32_t kClusterBytes = 4096;

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}

std::wstring Unquoted(std::wstring text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

fake::FakeVolume AnswersFor(const ScenarioDisk& disk, const ScenarioPartition& p) {
    fake::FakeVolume answers;
    answers.driveType = disk.removable ? kDriveRemovable : kDriveFixed;
    const auto clusters = static_cast<std::uint64_t>(p.length) / kClusterBytes;
    FreeSpace space;
    space.bytesPerSector = 512;
    space.sectorsPerCluster = kClusterBytes / 512;
    space.totalClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(clusters, 0xFFFFFFFF));
    space.freeClusters = space.totalClusters / 2;
    answers.freeSpace = space;
    answers.info = VolumeInformation{p.label, static_cast<std::uint32_t>(p.offset >> 20) ^ 0x5A17u,
                                     p.fileSystem};
    answers.diskNumber = disk.number;
    PartitionInformation info = disk.style == PartitionStyle::Gpt
                                    ? fake::GptPartition(p.offset, p.gptType)
                                    : fake::MbrPartition(p.offset, p.active, p.mbrType);
    info.partitionLength = p.length;
    answers.partition = info;
    return answers;
}

}  // namespace

SimMachine::SimMachine(const Scenario& scenario)
    : scenario_(scenario),
      winPE_(scenario.winPE),
      volumes_(storage_),
      processes_(*this),
      volumePort_(*this),
      fileSystem_(*this) {
    files_.SetDriveResolver(
        [this](wchar_t letter) { return placing_.empty() ? VolumeAt(letter) : placing_; });
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
        int index = 0;
        for (const ScenarioPartition& partition : disk.partitions) {
            AddVolume(disk, partition, ++index);
        }
    }
    if (winPE_) {
        // The pre-installation environment's own RAM drive: on no disk.
        fake::FakeVolume ram;
        ram.info = VolumeInformation{L"Boot", 0x1234, L"NTFS"};
        volumes_.AddVolume(L"winpe-ram", ram, static_cast<char>(kPeDrive));
        simVolumes_.push_back({L"winpe-ram", nullptr});
        files_.AddDirectory(L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
        files_.SetFolder(KnownFolder::LocalAppData,
                         L"X:\\Windows\\System32\\config\\systemprofile\\AppData\\Local");
        files_.SetFolder(KnownFolder::Desktop,
                         L"X:\\Windows\\System32\\config\\systemprofile\\Desktop");
        files_.AddFile(L"X:\\Windows\\System32\\cmd.exe");
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
            }
        }
    }
}

void SimMachine::AddVolume(const ScenarioDisk& disk, const ScenarioPartition& p, int index) {
    wchar_t id[40] = {};
    std::swprintf(id, 40, L"5ed1%04x-0000-0000-0000-%012x", disk.number,
                  static_cast<unsigned>(index));
    volumes_.AddVolume(id, AnswersFor(disk, p), p.letter);
    simVolumes_.push_back({id, &p});
    // The volume may have no letter: its files go in through a path whose letter stands for it.
    placing_ = id;
    for (const std::wstring& file : p.files) {
        files_.AddFile(L"?:" + file);
    }
    if (p.install) {
        files_.AddFile(L"?:\\Windows\\System32\\config\\SOFTWARE");
        if (p.install->x64) {
            files_.AddDirectory(L"?:\\Windows\\SysWOW64");
        }
    }
    placing_.clear();
}

std::wstring SimMachine::VolumeAt(wchar_t letter) const {
    for (const SimVolume& volume : simVolumes_) {
        if (static_cast<wchar_t>(volumes_.LetterOf(volume.id)) == letter) {
            return volume.id;
        }
    }
    return {};
}

const ScenarioInstall* SimMachine::InstallAt(wchar_t letter) const {
    const std::wstring id = VolumeAt(static_cast<wchar_t>(std::towupper(letter)));
    for (const SimVolume& volume : simVolumes_) {
        if (volume.id == id && volume.partition != nullptr && volume.partition->install) {
            return &*volume.partition->install;
        }
    }
    return nullptr;
}

std::vector<std::wstring> SimMachine::Journal() const {
    std::lock_guard<std::mutex> guard(journalLock_);
    return journal_;
}

void SimMachine::Record(std::wstring line) {
    std::lock_guard<std::mutex> guard(journalLock_);
    if (sink_) {
        sink_(line);
    }
    journal_.push_back(std::move(line));
}

void SimMachine::SetJournalSink(std::function<void(const std::wstring&)> sink) {
    std::lock_guard<std::mutex> guard(journalLock_);
    sink_ = std::move(sink);
}

std::unique_ptr<VolumeSearch> SimVolumePort::StartVolumeSearch(VolumeText& first) {
    return machine_.Volumes().StartVolumeSearch(first);
}

VolumeText SimVolumePort::DosDeviceOf(const std::wstring& deviceName) {
    return machine_.Volumes().DosDeviceOf(deviceName);
}

std::vector<std::wstring> SimVolumePort::VolumePathNames(const std::wstring& volumeName) {
    return machine_.Volumes().VolumePathNames(volumeName);
}

std::uint32_t SimVolumePort::SetMountPoint(const std::wstring& mountPoint,
                                           const std::wstring& volumeName) {
    const std::uint32_t error = machine_.Volumes().SetMountPoint(mountPoint, volumeName);
    machine_.Record(L"mount " + mountPoint + L" " + volumeName +
                    (error == 0 ? std::wstring() : L" failed " + std::to_wstring(error)));
    return error;
}

std::uint32_t SimVolumePort::DeleteMountPoint(const std::wstring& mountPoint) {
    const std::uint32_t error = machine_.Volumes().DeleteMountPoint(mountPoint);
    machine_.Record(L"unmount " + mountPoint +
                    (error == 0 ? std::wstring() : L" failed " + std::to_wstring(error)));
    return error;
}

namespace {

std::wstring Outcome(bool ok) {
    return ok ? std::wstring() : std::wstring(L" failed");
}

}  // namespace

CreateDirResult SimFileSystem::MakeDirectory(const std::wstring& path) {
    const CreateDirResult result = machine_.Files().MakeDirectory(path);
    machine_.Record(L"mkdir " + path +
                    (result == CreateDirResult::Created         ? L""
                     : result == CreateDirResult::AlreadyExists ? L" exists"
                                                                : L" failed"));
    return result;
}

bool SimFileSystem::RemoveEmptyDirectory(const std::wstring& path) {
    const bool ok = machine_.Files().RemoveEmptyDirectory(path);
    machine_.Record(L"rmdir " + path + Outcome(ok));
    return ok;
}

bool SimFileSystem::RemoveFile(const std::wstring& path) {
    const bool ok = machine_.Files().RemoveFile(path);
    machine_.Record(L"del " + path + Outcome(ok));
    return ok;
}

bool SimFileSystem::PathExists(const std::wstring& path) {
    return machine_.Files().PathExists(path);
}

std::optional<std::vector<DirEntry>> SimFileSystem::ListDirectory(const std::wstring& path) {
    return machine_.Files().ListDirectory(path);
}

std::unique_ptr<WritableFile> SimFileSystem::CreateFileForWrite(const std::wstring& path) {
    auto file = machine_.Files().CreateFileForWrite(path);
    machine_.Record(L"write " + path + Outcome(file != nullptr));
    return file;
}

bool SimFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    const bool ok = machine_.Files().SetAttributes(path, attributes);
    machine_.Record(L"attrib " + path + L" " + std::to_wstring(attributes) + Outcome(ok));
    return ok;
}

bool SimFileSystem::CopyFileTo(const std::wstring& source, const std::wstring& target,
                               bool replaceExisting) {
    const bool ok = machine_.Files().CopyFileTo(source, target, replaceExisting);
    machine_.Record(L"copy " + source + L" " + target + Outcome(ok));
    return ok;
}

bool SimFileSystem::MoveReplacing(const std::wstring& source, const std::wstring& target) {
    const bool ok = machine_.Files().MoveReplacing(source, target);
    machine_.Record(L"move " + source + L" " + target + Outcome(ok));
    return ok;
}

std::optional<std::uint32_t> SimFileSystem::Attributes(const std::wstring& path) {
    return machine_.Files().Attributes(path);
}

std::wstring SimFileSystem::FolderPath(KnownFolder folder) {
    return machine_.Files().FolderPath(folder);
}

ProcessResult SimProcessLauncher::StartThroughShell(const ShellRequest& request) {
    const std::wstring file = Unquoted(request.file);
    ProcessResult result;
    if (EndsWith(file, L"\\cmd.exe") && machine_.Files().PathExists(file)) {
        result = RunCmd(request.parameters);
    }
    machine_.Record(L"run " + file + L" " + request.parameters +
                    (result.started ? L" -> " + std::to_wstring(result.exitCode)
                                    : std::wstring(L" -> not started")));
    if (!request.wait) {
        result.exitCodeKnown = false;
    }
    return result;
}

ProcessResult SimProcessLauncher::RunCmd(const std::wstring& parameters) {
    ProcessResult result;
    result.started = true;
    result.exitCodeKnown = true;
    const std::wstring lower = Lower(parameters);
    const std::wstring load = L"/c reg load hku\\software ";
    const std::wstring hiveTail = L"\\windows\\system32\\config\\software";
    fake::FakeRegistry& registry = machine_.Registry();
    if (lower.rfind(load, 0) == 0 && EndsWith(lower, hiveTail)) {
        const std::wstring hive = parameters.substr(load.size());
        const ScenarioInstall* install =
            hive.size() > 2 && hive[1] == L':' ? machine_.InstallAt(hive[0]) : nullptr;
        // reg refuses a second load at the same place, and a hive that is not there.
        if (install == nullptr || registry.HasKey(RegistryRoot::Users, L"Software")) {
            result.exitCode = 1;
            return result;
        }
        if (machine_.RegLoadDelayMs() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(machine_.RegLoadDelayMs()));
        }
        registry.AddKey(RegistryRoot::Users, L"Software");
        if (install->productReadable) {
            const std::wstring key = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
            registry.AddKey(RegistryRoot::Users, key);
            registry.SetString(RegistryRoot::Users, key, L"ProductName", install->productName);
            if (!install->currentVersion.empty()) {
                registry.SetString(RegistryRoot::Users, key, L"CurrentVersion",
                                   install->currentVersion);
            }
        }
        return result;
    }
    if (lower == L"/c reg unload hku\\software") {
        if (!registry.HasKey(RegistryRoot::Users, L"Software")) {
            result.exitCode = 1;
            return result;
        }
        registry.RemoveTree(RegistryRoot::Users, L"Software");
        return result;
    }
    result.exitCode = 1;  // cmd.exe ran something this machine does not know
    return result;
}

ProcessResult SimProcessLauncher::RunCaptured(const std::wstring& commandLine, std::string&) {
    machine_.Record(L"capture " + commandLine + L" -> not started");
    return {};
}

}  // namespace qn::sim
