#include "sim/sim_volume_port.h"

#include "sim/sim_machine.h"

namespace qn::sim {

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

}  // namespace qn::sim
