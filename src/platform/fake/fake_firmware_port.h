#pragma once

#include "platform/firmware_port.h"

namespace qn::fake {

// Answers the mode it was given, and counts how often it was asked.
class FakeFirmwarePort final : public FirmwarePort {
public:
    explicit FakeFirmwarePort(FirmwareMode mode = FirmwareMode::Bios) : mode_(mode) {}

    FirmwareMode Mode() override {
        ++queries_;
        return mode_;
    }
    void SetMode(FirmwareMode mode) { mode_ = mode; }
    int Queries() const { return queries_; }

private:
    FirmwareMode mode_;
    int queries_ = 0;
};

}  // namespace qn::fake
