#pragma once

#include "disk/volume_port.h"

namespace qn::win32 {

class Win32VolumePort : public VolumePort {
public:
    std::unique_ptr<VolumeSearch> StartVolumeSearch(VolumeText& first) override;
    VolumeText DosDeviceOf(const std::wstring& deviceName) override;
    std::vector<std::wstring> VolumePathNames(const std::wstring& volumeName) override;
    std::uint32_t SetMountPoint(const std::wstring& mountPoint,
                                const std::wstring& volumeName) override;
    std::uint32_t DeleteMountPoint(const std::wstring& mountPoint) override;
};

}  // namespace qn::win32
