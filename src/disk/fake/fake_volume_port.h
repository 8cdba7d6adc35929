#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/fake/fake_storage_port.h"
#include "disk/volume_port.h"

namespace qn::fake {

// One volume of the fake machine as the volume calls see it.
struct FakeMachineVolume {
    std::wstring name;    // "\\?\Volume{id}\"
    std::wstring device;  // what QueryDosDeviceW gives, "\Device\HarddiskVolumeN"
    // What its drive letter answers on the storage port while it has one.
    FakeVolume answers;
    char letter = 0;  // 0: no drive letter
    // Folder mount points; GetVolumePathNamesForVolumeNameW lists them before the drive root.
    std::vector<std::wstring> folderMounts;
    std::uint32_t queryDosDeviceError = 0;  // non-zero: QueryDosDeviceW fails with it
    std::uint32_t mountError = 0;           // non-zero: SetVolumeMountPointW fails with it
};

// The volumes of a fake machine, working on a FakeStoragePort: mounting a volume at a letter
// puts its answers on the storage port under that letter, and deleting the mount point takes
// them away again, so storage queries and inventory rebuilds see the letters the code under test
// gave. Every mount and unmount is journaled, successful or not.
//
//     FakeStoragePort storage;
//     FakeVolumePort volumes(storage);
//     volumes.AddVolume(L"esp", espAnswers);   // letterless
//     volumes.AddVolume(L"win", windowsAnswers, 'C');
//     ... run code ...
//     EXPECT_EQ(volumes.Journal(), (std::vector<std::wstring>{L"mount
//     D:\\ \\\\?\\Volume{esp}\\"}));
class FakeVolumePort final : public VolumePort {
public:
    explicit FakeVolumePort(FakeStoragePort& storage);

    // Adds the volume "\\?\Volume{id}\" (device "\Device\HarddiskVolumeN", N counting from 1),
    // mounted at letter when one is given. Enumeration follows the order of adding.
    FakeMachineVolume& AddVolume(const std::wstring& id, FakeVolume answers, char letter = 0);
    // Adds a name to the enumeration that belongs to no volume (malformed names).
    void AddEnumeratedName(std::wstring name);

    void FailFindFirst(std::uint32_t error) { findFirstError_ = error; }
    // FindNextVolumeW fails with error once this many names have been handed out.
    void FailFindNextAfter(std::size_t names, std::uint32_t error) {
        failNextAfter_ = names;
        findNextError_ = error;
    }
    void FailDelete(char letter, std::uint32_t error);

    // The volume's current letter, 0 when it has none or there is no such volume.
    char LetterOf(const std::wstring& id) const;
    // "mount F:\ <volume name>" and "unmount F:\", with " failed N" appended on failure.
    const std::vector<std::wstring>& Journal() const { return journal_; }
    // Searches not closed with FindVolumeClose.
    int OpenSearches() const { return *openSearches_; }

    std::unique_ptr<VolumeSearch> StartVolumeSearch(VolumeText& first) override;
    VolumeText DosDeviceOf(const std::wstring& deviceName) override;
    std::vector<std::wstring> VolumePathNames(const std::wstring& volumeName) override;
    std::uint32_t SetMountPoint(const std::wstring& mountPoint,
                                const std::wstring& volumeName) override;
    std::uint32_t DeleteMountPoint(const std::wstring& mountPoint) override;

    static std::wstring NameOf(const std::wstring& id) { return L"\\\\?\\Volume{" + id + L"}\\"; }

    // The volume of that name ("\\?\Volume{id}\"), null when none; answers changed here reach
    // its next mount (its letter's answers on the storage port are the caller's to change).
    FakeMachineVolume* Find(const std::wstring& name);

private:
    FakeMachineVolume* AtLetter(char letter);

    FakeStoragePort& storage_;
    std::vector<std::unique_ptr<FakeMachineVolume>> volumes_;
    std::vector<std::wstring> enumeration_;
    std::uint32_t findFirstError_ = 0;
    std::optional<std::size_t> failNextAfter_;
    std::uint32_t findNextError_ = 0;
    std::vector<std::pair<char, std::uint32_t>> deleteErrors_;
    std::vector<std::wstring> journal_;
    std::shared_ptr<int> openSearches_;
};

// Win32 error codes the fake answers with.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorDirNotEmpty = 145;

}  // namespace qn::fake
