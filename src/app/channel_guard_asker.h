#pragma once

#include "app/ui_channel.h"
#include "run/guard_asker.h"

namespace qn {

// A repair worker's questions, asked by the window (WM_GUARD_QUESTION, sent: the worker waits
// for the answer). A window that is gone answers nothing, and the run ends unwritten.
class ChannelGuardAsker final : public GuardAsker {
public:
    explicit ChannelGuardAsker(UiChannel& channel) : channel_(channel) {}
    GuardAnswer Ask(const RepairGuard& guard) override;

private:
    UiChannel& channel_;
};

}  // namespace qn
