#include "disk/win32/win32_volume_port.h"

#include <windows.h>

#include <array>
#include <cwchar>

#include "disk/volume_name.h"
#include "disk/win32/unique_volume_find.h"

namespace qn::win32 {
namespace {

// Volume names are 49 characters; device names are far below MAX_PATH.
constexpr DWORD kNameBuffer = MAX_PATH;

VolumeText TextOf(const std::array<wchar_t, kNameBuffer>& buffer) {
    VolumeText result;
    result.ok = true;
    result.text.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    return result;
}

VolumeText Failure(DWORD error) {
    VolumeText result;
    result.error = error;
    return result;
}

class Win32VolumeSearch final : public VolumeSearch {
public:
    explicit Win32VolumeSearch(UniqueVolumeFind find) : find_(std::move(find)) {}

    VolumeText Next() override {
        std::array<wchar_t, kNameBuffer> name{};
        if (!FindNextVolumeW(find_.Get(), name.data(), kNameBuffer)) {
            return Failure(GetLastError());
        }
        return TextOf(name);
    }

private:
    UniqueVolumeFind find_;
};

}  // namespace

std::unique_ptr<VolumeSearch> Win32VolumePort::StartVolumeSearch(VolumeText& first) {
    std::array<wchar_t, kNameBuffer> name{};
    UniqueVolumeFind find(FindFirstVolumeW(name.data(), kNameBuffer));
    if (!find.Valid()) {
        first = Failure(GetLastError());
        return nullptr;
    }
    first = TextOf(name);
    return std::make_unique<Win32VolumeSearch>(std::move(find));
}

VolumeText Win32VolumePort::DosDeviceOf(const std::wstring& deviceName) {
    std::array<wchar_t, kNameBuffer> target{};
    const DWORD length = QueryDosDeviceW(deviceName.c_str(), target.data(), kNameBuffer);
    if (length == 0) {
        return Failure(GetLastError());
    }
    VolumeText result;
    result.ok = true;
    const auto targets = SplitMultiString(std::wstring_view(target.data(), length));
    if (!targets.empty()) {
        result.text = targets.front();
    }
    return result;
}

std::vector<std::wstring> Win32VolumePort::VolumePathNames(const std::wstring& volumeName) {
    std::wstring list(kNameBuffer, L'\0');
    DWORD needed = 0;
    // A volume with many folder mount points needs more room; the call says how much.
    while (!GetVolumePathNamesForVolumeNameW(volumeName.c_str(), list.data(),
                                             static_cast<DWORD>(list.size()), &needed)) {
        if (GetLastError() != ERROR_MORE_DATA || needed <= list.size()) {
            return {};
        }
        list.assign(needed, L'\0');
    }
    return SplitMultiString(list);
}

std::uint32_t Win32VolumePort::SetMountPoint(const std::wstring& mountPoint,
                                             const std::wstring& volumeName) {
    return SetVolumeMountPointW(mountPoint.c_str(), volumeName.c_str()) ? 0 : GetLastError();
}

std::uint32_t Win32VolumePort::DeleteMountPoint(const std::wstring& mountPoint) {
    return DeleteVolumeMountPointW(mountPoint.c_str()) ? 0 : GetLastError();
}

}  // namespace qn::win32
