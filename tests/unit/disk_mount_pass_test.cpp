#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "disk/disk_info.h"
#include "disk/fake/fake_storage_port.h"
#include "disk/fake/fake_volume_port.h"
#include "disk/mount_pass.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_process_launcher.h"

namespace qn {
namespace {

using fake::FakeVolume;
using fake::FakeVolumePort;
using fake::kGiB;
using fake::kMiB;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// {EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}, basic data.
constexpr Guid kBasicDataType{
    0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
// {DE94BBA4-06D1-4D40-A16A-BFD50179D6AC}, Windows recovery.
constexpr Guid kRecoveryType{
    0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};

FakeVolume OnDisk(std::uint32_t disk, PartitionInformation partition) {
    FakeVolume volume;
    volume.diskNumber = disk;
    volume.partition = partition;
    return volume;
}

FakeVolume Esp(std::uint32_t disk, std::int64_t offset = kMiB) {
    return OnDisk(disk, fake::GptPartition(offset, kEfiSystemPartitionType));
}

FakeVolume GptData(std::uint32_t disk, std::int64_t offset) {
    return OnDisk(disk, fake::GptPartition(offset, kBasicDataType));
}

// A launcher that stands in for a tool with an effect on the machine.
class ActingLauncher final : public ProcessLauncher {
public:
    explicit ActingLauncher(std::function<void()> effect) : effect_(std::move(effect)) {}
    ProcessResult StartThroughShell(const ShellRequest& request) override {
        requests.push_back(request);
        effect_();
        return ProcessResult{true, true, 0};
    }
    ProcessResult RunCaptured(const std::wstring&, std::string&) override { return {}; }

    std::vector<ShellRequest> requests;

private:
    std::function<void()> effect_;
};

class MountPassTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(volumes.OpenSearches(), 0);
        EXPECT_THAT(storage.UnclosedDevices(), IsEmpty());
    }

    void AddDisk(std::uint32_t number, PartitionStyle style) {
        fake::FakePhysicalDrive& drive = storage.Drive(number);
        drive.geometry = fake::FixedDiskGeometry(500 * kGiB);
        PartitionInformation whole;
        whole.style = style;
        drive.partition = whole;
    }

    MountPorts Ports(ProcessLauncher& launcher) {
        return MountPorts{volumes,
                          storage,
                          launcher,
                          diagnostics,
                          [this](bool refresh) -> DiskInfo& {
                              if (!inventory) {
                                  inventory = std::make_unique<DiskInfo>(storage, codePage);
                              } else if (refresh) {
                                  inventory->Refresh();
                              }
                              refreshes += refresh ? 1 : 0;
                              return *inventory;
                          },
                          [this](std::chrono::milliseconds pause) { sleeps.push_back(pause); }};
    }
    MountPorts Ports() { return Ports(processes); }

    bool InventoryHas(const std::string& root) const {
        for (const PartitionRecord& record : inventory->Partitions()) {
            if (record.rootPath == root) {
                return true;
            }
        }
        return false;
    }

    fake::FakeStoragePort storage;
    FakeVolumePort volumes{storage};
    fake::FakeProcessLauncher processes;
    fake::FakeDiagnostics diagnostics;
    fake::FakeCodePage codePage{936, 936};
    std::unique_ptr<DiskInfo> inventory;
    int refreshes = 0;
    std::vector<std::chrono::milliseconds> sleeps;
    EspMountTable table;
};

TEST_F(MountPassTest, EspOnGptDiskGetsFirstFreeLetterAndLosesItAtShutdown) {
    AddDisk(0, PartitionStyle::Gpt);
    AddDisk(1, PartitionStyle::Mbr);
    volumes.AddVolume(L"esp", Esp(0));
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    volumes.AddVolume(L"data", GptData(0, 100 * kGiB), 'D');
    volumes.AddVolume(L"usb", OnDisk(1, fake::MbrPartition(kMiB)), 'E');

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'F'}}));
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'F'});
    EXPECT_EQ(volumes.LetterOf(L"esp"), 'F');
    // The inventory is first built after the walk, so it already lists the new letter.
    ASSERT_NE(inventory, nullptr);
    EXPECT_TRUE(InventoryHas("F:\\"));
    EXPECT_THAT(processes.Calls(), IsEmpty());

    RemoveEspMountPoints(table, volumes, diagnostics);

    EXPECT_THAT(volumes.Journal(),
                ElementsAre(L"mount F:\\ " + FakeVolumePort::NameOf(L"esp"), L"unmount F:\\"));
    EXPECT_EQ(volumes.LetterOf(L"esp"), 0);
    EXPECT_FALSE(storage.HasVolume('F'));
    EXPECT_TRUE(storage.HasVolume('C'));
    EXPECT_THAT(table.espLetters, IsEmpty());
    EXPECT_THAT(table.temporaryLetters, IsEmpty());
}

TEST_F(MountPassTest, ActiveSystemReservedPartitionKeepsItsLetterUntilShutdown) {
    AddDisk(0, PartitionStyle::Mbr);
    volumes.AddVolume(L"reserved", OnDisk(0, fake::MbrPartition(kMiB, true)));
    volumes.AddVolume(L"windows", OnDisk(0, fake::MbrPartition(100 * kMiB)), 'C');

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(volumes.LetterOf(L"reserved"), 'D');
    EXPECT_TRUE(InventoryHas("D:\\"));
    EXPECT_THAT(table.espLetters, IsEmpty());
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'D'});
    EXPECT_THAT(processes.Calls(), IsEmpty());  // no GPT disk

    RemoveEspMountPoints(table, volumes, diagnostics);
    // Left behind, the partition would show up as a drive that users damage.
    EXPECT_EQ(volumes.LetterOf(L"reserved"), 0);
    EXPECT_EQ(volumes.LetterOf(L"windows"), 'C');
}

TEST_F(MountPassTest, ALetterAWorkerStillUsesIsLeftMountedAndForgotten) {
    AddDisk(0, PartitionStyle::Mbr);
    AddDisk(1, PartitionStyle::Gpt);
    volumes.AddVolume(L"reserved", OnDisk(0, fake::MbrPartition(kMiB, true)));
    volumes.AddVolume(L"windows", OnDisk(0, fake::MbrPartition(100 * kMiB)), 'C');
    volumes.AddVolume(L"esp", Esp(1, 200 * kMiB));
    MountLetterlessVolumes(table, Ports());
    const char reserved = volumes.LetterOf(L"reserved");
    const char esp = volumes.LetterOf(L"esp");
    ASSERT_NE(reserved, 0);
    ASSERT_NE(esp, 0);

    RemoveEspMountPoints(table, volumes, diagnostics, {reserved});
    EXPECT_EQ(volumes.LetterOf(L"reserved"), reserved) << "a repair still writes there";
    EXPECT_EQ(volumes.LetterOf(L"esp"), 0);
    EXPECT_THAT(table.temporaryLetters, IsEmpty());
    RemoveEspMountPoints(table, volumes, diagnostics);  // what the destructor does later
    EXPECT_EQ(volumes.LetterOf(L"reserved"), reserved);
}

TEST_F(MountPassTest, RecoveryPartitionIsMountedAndUnmountedAtOnce) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    volumes.AddVolume(L"recovery", OnDisk(0, fake::GptPartition(kMiB, kRecoveryType)));
    volumes.AddVolume(L"esp", Esp(0, 200 * kMiB));

    MountLetterlessVolumes(table, Ports());

    // The recovery partition's letter is free again for the ESP.
    const std::wstring recovery = FakeVolumePort::NameOf(L"recovery");
    EXPECT_THAT(volumes.Journal(), ElementsAre(L"mount D:\\ " + recovery, L"unmount D:\\",
                                               L"mount D:\\ " + FakeVolumePort::NameOf(L"esp")));
    EXPECT_EQ(volumes.LetterOf(L"recovery"), 0);
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'D'}}));
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'D'});
}

TEST_F(MountPassTest, PreExistingEspLetterIsRecordedButNotRemoved) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"esp", Esp(0), 'S');
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');

    MountLetterlessVolumes(table, Ports());
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'S'}}));
    EXPECT_THAT(table.temporaryLetters, IsEmpty());

    RemoveEspMountPoints(table, volumes, diagnostics);
    EXPECT_THAT(volumes.Journal(), IsEmpty());
    EXPECT_EQ(volumes.LetterOf(L"esp"), 'S');
}

TEST_F(MountPassTest, TwoEspsOnOneDiskTheLargerOffsetWins) {
    AddDisk(0, PartitionStyle::Gpt);
    // Enumerated first and lettered first, yet the later one on the disk is the one kept.
    volumes.AddVolume(L"esp-late", Esp(0, 400 * kGiB), 'P');
    volumes.AddVolume(L"esp-early", Esp(0, kMiB), 'S');

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'P'}}));
}

TEST_F(MountPassTest, LetterToolRunsOnceWhenGptDisksLackEspLetters) {
    AddDisk(0, PartitionStyle::Gpt);
    AddDisk(1, PartitionStyle::Gpt);
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    volumes.AddVolume(L"data", GptData(1, kMiB), 'D');
    // Nothing scripted: no pecmd on this machine.

    MountLetterlessVolumes(table, Ports());

    ASSERT_EQ(processes.Calls().size(), 1u);
    const ShellRequest& request = processes.Calls()[0].shell;
    EXPECT_EQ(request.file, L"\"pecmd\"");
    EXPECT_EQ(request.parameters, L"show");
    EXPECT_TRUE(request.wait);
    EXPECT_FALSE(request.show);
    EXPECT_TRUE(request.noUi);
    EXPECT_EQ(sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(100)});
    EXPECT_EQ(refreshes, 1);
    EXPECT_THAT(table.espLetters, IsEmpty());
}

TEST_F(MountPassTest, LettersTheToolGaveAreRecordedAndRemovedAtShutdown) {
    AddDisk(0, PartitionStyle::Gpt);
    AddDisk(1, PartitionStyle::Gpt);
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    volumes.AddVolume(L"user-esp", Esp(1), 'S');
    // The ESP is invisible to the volume walk (the enumeration ends early), as on PE builds
    // where only the tool can reach it.
    FakeVolume esp = Esp(0);
    ActingLauncher pecmd([this, esp] { storage.Volume('Z') = esp; });

    MountLetterlessVolumes(table, Ports(pecmd));

    ASSERT_EQ(pecmd.requests.size(), 1u);
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'Z'}, {1, 'S'}}));
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'Z'});
    RemoveEspMountPoints(table, volumes, diagnostics);
    EXPECT_FALSE(storage.HasVolume('Z'));
    EXPECT_TRUE(storage.HasVolume('C'));
    EXPECT_TRUE(storage.HasVolume('S'));
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{1, 'S'}}));
}

TEST_F(MountPassTest, AllLettersInUseNothingIsMountedOrRecorded) {
    AddDisk(0, PartitionStyle::Gpt);
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        storage.Volume(letter) = GptData(0, (letter - 'B') * kGiB);
    }
    volumes.AddVolume(L"esp", Esp(0));

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(FindFreeDriveLetter(storage), kNoFreeDriveLetter);
    EXPECT_THAT(volumes.Journal(), IsEmpty());
    EXPECT_THAT(table.espLetters, IsEmpty());
    EXPECT_THAT(table.temporaryLetters, IsEmpty());
    EXPECT_THAT(diagnostics.Text(),
                HasSubstr(L"No free drive letter for " + FakeVolumePort::NameOf(L"esp") + L"\n"));
}

TEST_F(MountPassTest, FreeLetterSkipsAAndBAndUsedLetters) {
    EXPECT_EQ(FindFreeDriveLetter(storage), 'C');
    storage.Volume('A');
    storage.Volume('C');
    storage.Volume('D').driveType = 5;  // an empty optical drive still holds its letter
    EXPECT_EQ(FindFreeDriveLetter(storage), 'E');
}

TEST_F(MountPassTest, FindFirstVolumeFailsNothingElseHappens) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"esp", Esp(0));
    volumes.FailFindFirst(5);

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(diagnostics.Text(), L"FindFirstVolumeW failed with error code 5\n");
    EXPECT_EQ(inventory, nullptr);
    EXPECT_THAT(processes.Calls(), IsEmpty());
    EXPECT_THAT(volumes.Journal(), IsEmpty());
    EXPECT_THAT(table.espLetters, IsEmpty());
}

TEST_F(MountPassTest, DiagnosticLinesOfOneVolume) {
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');

    MountLetterlessVolumes(table, Ports());

    EXPECT_THAT(diagnostics.Writes(),
                ElementsAre(L"\nFound a device:\n \\Device\\HarddiskVolume1",
                            L"\nVolume name: \\\\?\\Volume{windows}\\", L"\nPaths:"));
}

// Failures during the walk end it with one line; the letters already given stay recorded and
// the ESP collection still runs.
struct WalkFailure {
    const char* name;
    std::function<void(FakeVolumePort&)> script;
    std::wstring line;  // empty: no line at all
};

void PrintTo(const WalkFailure& failure, std::ostream* os) {
    *os << failure.name;
}

class MountPassWalkFailureTest : public MountPassTest,
                                 public ::testing::WithParamInterface<WalkFailure> {};

TEST_P(MountPassWalkFailureTest, EndsTheWalkButNotThePass) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"esp", Esp(0));
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    GetParam().script(volumes);
    volumes.AddVolume(L"never", OnDisk(0, fake::MbrPartition(kMiB, true)));

    MountLetterlessVolumes(table, Ports());

    EXPECT_EQ(volumes.LetterOf(L"esp"), 'D');
    EXPECT_EQ(volumes.LetterOf(L"never"), 0);
    EXPECT_EQ(table.espLetters, (std::map<std::int32_t, char>{{0, 'D'}}));
    EXPECT_NE(inventory, nullptr);
    const std::wstring text = diagnostics.Text();
    if (GetParam().line.empty()) {
        EXPECT_THAT(text, ::testing::Not(HasSubstr(L"failed")));
    } else {
        EXPECT_TRUE(text.ends_with(GetParam().line)) << GetParam().name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, MountPassWalkFailureTest,
    ::testing::Values(
        WalkFailure{"BadPath", [](FakeVolumePort& v) { v.AddEnumeratedName(L"C:\\bad\\"); },
                    L"FindFirstVolumeW/FindNextVolumeW returned a bad path: C:\\bad\\\n"},
        WalkFailure{"PrefixOnly", [](FakeVolumePort& v) { v.AddEnumeratedName(L"\\\\?\\"); },
                    L"FindFirstVolumeW/FindNextVolumeW returned a bad path: \\\\?\\\n"},
        WalkFailure{"QueryDosDevice",
                    [](FakeVolumePort& v) {
                        v.AddVolume(L"odd", GptData(0, kGiB)).queryDosDeviceError = 2;
                    },
                    L"QueryDosDeviceW failed with error code 2\n"},
        WalkFailure{"FindNext", [](FakeVolumePort& v) { v.FailFindNextAfter(2, 21); },
                    L"FindNextVolumeW failed with error code 21\n"},
        WalkFailure{"FindNextNoMoreFiles",
                    [](FakeVolumePort& v) { v.FailFindNextAfter(2, kErrorNoMoreFiles); }, L""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MountPassTest, FailedMountTouchesNothingElse) {
    AddDisk(0, PartitionStyle::Mbr);
    volumes.AddVolume(L"windows", OnDisk(0, fake::MbrPartition(100 * kMiB)), 'C');
    volumes.AddVolume(L"reserved", OnDisk(0, fake::MbrPartition(kMiB, true))).mountError =
        fake::kErrorDirNotEmpty;

    MountLetterlessVolumes(table, Ports());

    EXPECT_THAT(volumes.Journal(),
                ElementsAre(L"mount D:\\ " + FakeVolumePort::NameOf(L"reserved") + L" failed 145"));
    EXPECT_THAT(table.temporaryLetters, IsEmpty());
    EXPECT_THAT(diagnostics.Text(),
                HasSubstr(L"SetVolumeMountPointW failed with error code 145\n"));
}

TEST_F(MountPassTest, UnmountThatFailsIsTriedAgainAtShutdown) {
    volumes.AddVolume(L"recovery", OnDisk(0, fake::GptPartition(kMiB, kRecoveryType)));
    volumes.FailDelete('C', 5);

    MountLetterlessVolumes(table, Ports());
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'C'});
    EXPECT_THAT(diagnostics.Text(),
                HasSubstr(L"DeleteVolumeMountPointW failed with error code 5\n"));

    RemoveEspMountPoints(table, volumes, diagnostics);
    EXPECT_THAT(volumes.Journal(), ElementsAre(L"mount C:\\ " + FakeVolumePort::NameOf(L"recovery"),
                                               L"unmount C:\\ failed 5", L"unmount C:\\ failed 5"));
    EXPECT_THAT(table.temporaryLetters, IsEmpty());
}

TEST_F(MountPassTest, FolderMountedVolumeIsNoLetterlessVolume) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"windows", GptData(0, 300 * kMiB), 'C');
    fake::FakeMachineVolume& esp = volumes.AddVolume(L"esp", Esp(0));
    esp.folderMounts = {L"C:\\mnt\\esp\\"};

    MountLetterlessVolumes(table, Ports());

    // The folder's own drive C: is not taken for the volume's letter.
    EXPECT_THAT(volumes.Journal(), IsEmpty());
    EXPECT_THAT(table.espLetters, IsEmpty());
}

TEST_F(MountPassTest, ScopedMountsRemoveTheirLettersOnceOnEveryWayOut) {
    AddDisk(0, PartitionStyle::Gpt);
    volumes.AddVolume(L"esp", Esp(0));
    {
        ScopedEspMounts mounts(Ports());
        EXPECT_EQ(mounts.Table().espLetters, (std::map<std::int32_t, char>{{0, 'C'}}));
        EXPECT_EQ(volumes.LetterOf(L"esp"), 'C');
    }  // e.g. the start-up abort: the owner goes away without an orderly shutdown
    EXPECT_EQ(volumes.LetterOf(L"esp"), 0);

    {
        ScopedEspMounts mounts(Ports());
        mounts.Remove();
        EXPECT_EQ(volumes.LetterOf(L"esp"), 0);
    }
    const auto unmounts = std::count_if(volumes.Journal().begin(), volumes.Journal().end(),
                                        [](const std::wstring& e) { return e.starts_with(L"un"); });
    EXPECT_EQ(unmounts, 2);
}

}  // namespace
}  // namespace qn
