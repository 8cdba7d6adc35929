#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qn {

// Win32 error codes the mount pass tells apart.
inline constexpr std::uint32_t kErrorNoMoreFiles = 18;  // ERROR_NO_MORE_FILES

// The result of a volume call: the text it gave, or the Win32 error code (GetLastError) it failed
// with.
struct VolumeText {
    bool ok = false;
    std::wstring text;
    std::uint32_t error = 0;
};

// One FindFirstVolumeW search; FindVolumeClose when destroyed.
class VolumeSearch {
public:
    virtual ~VolumeSearch() = default;

    // FindNextVolumeW: the next volume name; kErrorNoMoreFiles after the last one.
    virtual VolumeText Next() = 0;
};

// The machine's volumes and their mount points. Volume names have the form
// "\\?\Volume{GUID}\"; mount points are drive roots ("F:\"). Method names avoid the Win32
// macro names (FindFirstVolume, QueryDosDevice, ...) on purpose.
class VolumePort {
public:
    virtual ~VolumePort() = default;

    // FindFirstVolumeW: a search and the first volume name, or null and the error.
    virtual std::unique_ptr<VolumeSearch> StartVolumeSearch(VolumeText& first) = 0;
    // QueryDosDeviceW of a device name such as "Volume{GUID}": its first target
    // ("\Device\HarddiskVolume3").
    virtual VolumeText DosDeviceOf(const std::wstring& deviceName) = 0;
    // GetVolumePathNamesForVolumeNameW: every drive root and folder the volume is mounted at,
    // in the system's order; empty when it has none or the call fails.
    virtual std::vector<std::wstring> VolumePathNames(const std::wstring& volumeName) = 0;
    // SetVolumeMountPointW (volumeName with its trailing backslash). Returns 0 on success, else
    // the error code.
    virtual std::uint32_t SetMountPoint(const std::wstring& mountPoint,
                                        const std::wstring& volumeName) = 0;
    // DeleteVolumeMountPointW. Returns 0 on success, else the error code.
    virtual std::uint32_t DeleteMountPoint(const std::wstring& mountPoint) = 0;
};

}  // namespace qn
