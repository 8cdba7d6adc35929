#include "disk/fake/fake_volume_port.h"

#include <algorithm>

#include "disk/volume_name.h"

namespace qn::fake {
namespace {

std::wstring Root(char letter) {
    return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'};
}

class FakeVolumeSearch final : public VolumeSearch {
public:
    FakeVolumeSearch(std::vector<std::wstring> names, std::optional<std::size_t> failAfter,
                     std::uint32_t failError, std::shared_ptr<int> openSearches)
        : names_(std::move(names)),
          failAfter_(failAfter),
          failError_(failError),
          openSearches_(std::move(openSearches)) {
        ++*openSearches_;
    }
    ~FakeVolumeSearch() override { --*openSearches_; }

    VolumeText Next() override {
        VolumeText result;
        if (failAfter_ && next_ >= *failAfter_) {
            result.error = failError_;
            return result;
        }
        if (next_ >= names_.size()) {
            result.error = kErrorNoMoreFiles;
            return result;
        }
        result.ok = true;
        result.text = names_[next_++];
        return result;
    }

private:
    std::vector<std::wstring> names_;
    std::size_t next_ = 1;  // the first name came with FindFirstVolume
    std::optional<std::size_t> failAfter_;
    std::uint32_t failError_;
    std::shared_ptr<int> openSearches_;
};

}  // namespace

FakeVolumePort::FakeVolumePort(FakeStoragePort& storage)
    : storage_(storage), openSearches_(std::make_shared<int>(0)) {}

FakeMachineVolume& FakeVolumePort::AddVolume(const std::wstring& id, FakeVolume answers,
                                             char letter) {
    auto volume = std::make_unique<FakeMachineVolume>();
    volume->name = NameOf(id);
    volume->device = L"\\Device\\HarddiskVolume" + std::to_wstring(volumes_.size() + 1);
    volume->answers = std::move(answers);
    volume->letter = letter;
    if (letter != 0) {
        storage_.Volume(letter) = volume->answers;
    }
    enumeration_.push_back(volume->name);
    volumes_.push_back(std::move(volume));
    return *volumes_.back();
}

void FakeVolumePort::AddEnumeratedName(std::wstring name) {
    enumeration_.push_back(std::move(name));
}

void FakeVolumePort::FailDelete(char letter, std::uint32_t error) {
    deleteErrors_.emplace_back(letter, error);
}

char FakeVolumePort::LetterOf(const std::wstring& id) const {
    for (const auto& volume : volumes_) {
        if (volume->name == NameOf(id)) {
            return volume->letter;
        }
    }
    return 0;
}

FakeMachineVolume* FakeVolumePort::Find(const std::wstring& name) {
    for (const auto& volume : volumes_) {
        if (volume->name == name) {
            return volume.get();
        }
    }
    return nullptr;
}

FakeMachineVolume* FakeVolumePort::AtLetter(char letter) {
    for (const auto& volume : volumes_) {
        if (volume->letter == letter) {
            return volume.get();
        }
    }
    return nullptr;
}

std::unique_ptr<VolumeSearch> FakeVolumePort::StartVolumeSearch(VolumeText& first) {
    first = VolumeText{};
    if (findFirstError_ != 0) {
        first.error = findFirstError_;
        return nullptr;
    }
    if (enumeration_.empty()) {
        first.error = kErrorNoMoreFiles;
        return nullptr;
    }
    first.ok = true;
    first.text = enumeration_.front();
    return std::make_unique<FakeVolumeSearch>(enumeration_, failNextAfter_, findNextError_,
                                              openSearches_);
}

VolumeText FakeVolumePort::DosDeviceOf(const std::wstring& deviceName) {
    VolumeText result;
    for (const auto& volume : volumes_) {
        if (DosDeviceNameOfVolume(volume->name) == deviceName) {
            if (volume->queryDosDeviceError != 0) {
                result.error = volume->queryDosDeviceError;
                return result;
            }
            result.ok = true;
            result.text = volume->device;
            return result;
        }
    }
    result.error = kErrorFileNotFound;
    return result;
}

std::vector<std::wstring> FakeVolumePort::VolumePathNames(const std::wstring& volumeName) {
    const FakeMachineVolume* volume = Find(volumeName);
    if (volume == nullptr) {
        return {};
    }
    std::vector<std::wstring> paths = volume->folderMounts;
    if (volume->letter != 0) {
        paths.push_back(Root(volume->letter));
    }
    return paths;
}

std::uint32_t FakeVolumePort::SetMountPoint(const std::wstring& mountPoint,
                                            const std::wstring& volumeName) {
    const auto letter = DriveLetterOfMountPath(mountPoint);
    FakeMachineVolume* volume = Find(volumeName);
    std::uint32_t error = 0;
    if (!letter) {
        error = kErrorInvalidName;
    } else if (volume == nullptr || volume->letter != 0) {
        error = kErrorInvalidParameter;
    } else if (volume->mountError != 0) {
        error = volume->mountError;
    } else if (storage_.HasVolume(*letter)) {
        error = kErrorDirNotEmpty;
    }
    journal_.push_back(L"mount " + mountPoint + L" " + volumeName +
                       (error != 0 ? L" failed " + std::to_wstring(error) : L""));
    if (error == 0) {
        volume->letter = *letter;
        storage_.Volume(*letter) = volume->answers;
    }
    return error;
}

std::uint32_t FakeVolumePort::DeleteMountPoint(const std::wstring& mountPoint) {
    const auto letter = DriveLetterOfMountPath(mountPoint);
    std::uint32_t error = 0;
    if (!letter) {
        error = kErrorInvalidName;
    } else if (!storage_.HasVolume(*letter)) {
        error = kErrorFileNotFound;
    } else {
        const auto scripted =
            std::find_if(deleteErrors_.begin(), deleteErrors_.end(),
                         [&letter](const auto& entry) { return entry.first == *letter; });
        if (scripted != deleteErrors_.end()) {
            error = scripted->second;
        }
    }
    journal_.push_back(L"unmount " + mountPoint +
                       (error != 0 ? L" failed " + std::to_wstring(error) : L""));
    if (error == 0) {
        if (FakeMachineVolume* volume = AtLetter(*letter)) {
            volume->letter = 0;
        }
        storage_.RemoveVolume(*letter);
    }
    return error;
}

}  // namespace qn::fake
