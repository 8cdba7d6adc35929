#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs_redirection.h"

namespace qn::fake {

// Redirection of a 32-bit program on 64-bit Windows (supported) or of one where there is none.
// Records "disable" and "revert N" in order; Disable hands out 1, 2, 3, ... as the old values.
class FakeFsRedirection : public FsRedirection {
public:
    explicit FakeFsRedirection(bool supported = true) : supported_(supported) {}

    bool Disable(std::uintptr_t& previous) override {
        journal_.push_back("disable");
        if (!supported_) {
            return false;
        }
        previous = ++handedOut_;
        ++depth_;
        return true;
    }
    void Revert(std::uintptr_t previous) override {
        journal_.push_back("revert " + std::to_string(previous));
        --depth_;
    }

    // How many Disable calls are not yet reverted.
    int Depth() const { return depth_; }
    const std::vector<std::string>& Journal() const { return journal_; }

private:
    bool supported_;
    std::uintptr_t handedOut_ = 0;
    int depth_ = 0;
    std::vector<std::string> journal_;
};

}  // namespace qn::fake
