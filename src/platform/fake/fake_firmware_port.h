#pragma once

#include "platform/firmware_port.h"

namespace qn::fake {

// Answers the mode and architecture it was given, and counts how often it was asked.
class FakeFirmwarePort final : public FirmwarePort {
public:
    explicit FakeFirmwarePort(FirmwareMode mode = FirmwareMode::Bios,
                              FirmwareArchitecture architecture = FirmwareArchitecture::X64)
        : mode_(mode), architecture_(architecture) {}

    FirmwareMode Mode() override {
        ++queries_;
        return mode_;
    }
    FirmwareArchitecture Architecture() override { return architecture_; }
    void SetMode(FirmwareMode mode) { mode_ = mode; }
    int Queries() const { return queries_; }

private:
    FirmwareMode mode_;
    FirmwareArchitecture architecture_;
    int queries_ = 0;
};

}  // namespace qn::fake
