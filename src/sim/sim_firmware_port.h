#pragma once

#include "platform/firmware_port.h"
#include "sim/scenario.h"

namespace qn::sim {

// The firmware mode the program sees on the simulated machine: the scenario's firmware, which
// the machine also boots with (the verdict's firmware).
class SimFirmwarePort final : public FirmwarePort {
public:
    explicit SimFirmwarePort(Firmware firmware) : firmware_(firmware) {}
    FirmwareMode Mode() override {
        return firmware_ == Firmware::Uefi ? FirmwareMode::Uefi : FirmwareMode::Bios;
    }

private:
    Firmware firmware_;
};

}  // namespace qn::sim
