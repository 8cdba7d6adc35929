#pragma once

#include "platform/firmware_port.h"
#include "sim/scenario.h"

namespace qn::sim {

// The firmware mode and architecture the program sees on the simulated machine: how the running
// system was started, which is how the machine starts its disks unless Windows PE was started the
// other way.
class SimFirmwarePort final : public FirmwarePort {
public:
    SimFirmwarePort(Firmware firmware, FirmwareArchitecture architecture)
        : firmware_(firmware), architecture_(architecture) {}
    FirmwareMode Mode() override {
        return firmware_ == Firmware::Uefi ? FirmwareMode::Uefi : FirmwareMode::Bios;
    }
    FirmwareArchitecture Architecture() override { return architecture_; }

private:
    Firmware firmware_;
    FirmwareArchitecture architecture_;
};

}  // namespace qn::sim
