#pragma once

#include <memory>
#include <string>
#include <vector>

#include "disk/volume_port.h"

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

}  // namespace qn::sim
