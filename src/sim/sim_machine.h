#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "disk/fake/fake_storage_port.h"
#include "disk/fake/fake_volume_port.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_fs_redirection.h"
#include "platform/fake/fake_registry.h"
#include "platform/process_launcher.h"
#include "sim/scenario.h"

namespace qn::sim {

class SimMachine;

// The machine's volume port as the program sees it: every mount and unmount it makes goes into
// the machine's journal, in order with the commands it runs.
class SimVolumePort final : public VolumePort {
public:
    explicit SimVolumePort(SimMachine& machine) : machine_(machine) {}

    std::unique_ptr<VolumeSearch> StartVolumeSearch(VolumeText& first) override;
    VolumeText DosDeviceOf(const std::wstring& deviceName) override;
    std::vector<std::wstring> VolumePathNames(const std::wstring& volumeName) override;
    std::uint32_t SetMountPoint(const std::wstring& mountPoint,
                                const std::wstring& volumeName) override;
    std::uint32_t DeleteMountPoint(const std::wstring& mountPoint) override;

private:
    SimMachine& machine_;
};

// Child processes on the simulated machine: "cmd.exe /c reg load|unload" act on the simulated
// registry with the hive of the volume named, and every other program "does not start" unless a
// stand-in for it exists. Every run is journaled.
class SimProcessLauncher final : public ProcessLauncher {
public:
    explicit SimProcessLauncher(SimMachine& machine) : machine_(machine) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override;
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override;

private:
    ProcessResult RunCmd(const std::wstring& parameters);

    SimMachine& machine_;
};

// The machine's files as the program sees them: every change it makes (folders made and removed,
// files written, copied and deleted) goes into the machine's journal.
class SimFileSystem final : public FileSystem {
public:
    explicit SimFileSystem(SimMachine& machine) : machine_(machine) {}

    CreateDirResult MakeDirectory(const std::wstring& path) override;
    bool RemoveEmptyDirectory(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    bool PathExists(const std::wstring& path) override;
    std::optional<std::vector<DirEntry>> ListDirectory(const std::wstring& path) override;
    std::unique_ptr<WritableFile> CreateFileForWrite(const std::wstring& path) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    bool CopyFileTo(const std::wstring& source, const std::wstring& target,
                    bool replaceExisting) override;
    bool MoveReplacing(const std::wstring& source, const std::wstring& target) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    std::wstring FolderPath(KnownFolder folder) override;

private:
    SimMachine& machine_;
};

// One simulated machine built from a scenario: its disks and volumes (storage and volume ports),
// the files on its volumes, its registry (the running system's and the hives of the others), and
// a journal of every change the program makes to it. Mounting a letterless volume really gives
// it a letter here: storage queries, the inventory and file paths all see it.
class SimMachine {
public:
    explicit SimMachine(const Scenario& scenario);
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    fake::FakeStoragePort& Storage() { return storage_; }
    // The volume port the program uses (journaled); Volumes() is the machine's own view.
    SimVolumePort& VolumePortForProgram() { return volumePort_; }
    // The file system the program uses (journaled); Files() is the machine's own view.
    SimFileSystem& FilesForProgram() { return fileSystem_; }
    fake::FakeVolumePort& Volumes() { return volumes_; }
    fake::FakeFileSystem& Files() { return files_; }
    fake::FakeRegistry& Registry() { return registry_; }
    fake::FakeFsRedirection& Redirection() { return redirection_; }
    SimProcessLauncher& Processes() { return processes_; }
    bool WinPE() const { return winPE_; }
    int RegLoadDelayMs() const { return scenario_.regLoadDelayMs; }

    // Mounts and commands, in the order they happened.
    std::vector<std::wstring> Journal() const;
    void Record(std::wstring line);
    // Also hands every new journal line to sink (the demo program writes them to a file a test
    // reads, as they happen: the program may end without running destructors).
    void SetJournalSink(std::function<void(const std::wstring&)> sink);

    // The scenario's installation on the volume now at letter; null when none.
    const ScenarioInstall* InstallAt(wchar_t letter) const;

    // Where the running system keeps its folders on this machine.
    static constexpr wchar_t kPeDrive = L'X';

private:
    struct SimVolume {
        std::wstring id;  // FakeVolumePort id, also the file system's volume key
        const ScenarioPartition* partition = nullptr;
    };
    std::wstring VolumeAt(wchar_t letter) const;
    void AddVolume(const ScenarioDisk& disk, const ScenarioPartition& partition, int index);

    Scenario scenario_;
    bool winPE_;
    fake::FakeStoragePort storage_;
    fake::FakeVolumePort volumes_;
    fake::FakeFileSystem files_;
    fake::FakeRegistry registry_;
    fake::FakeFsRedirection redirection_;
    SimProcessLauncher processes_;
    SimVolumePort volumePort_;
    SimFileSystem fileSystem_;
    std::vector<SimVolume> simVolumes_;
    std::wstring placing_;  // the volume whose scenario files are being put on it
    mutable std::mutex journalLock_;
    std::vector<std::wstring> journal_;
    std::function<void(const std::wstring&)> sink_;
};

}  // namespace qn::sim
