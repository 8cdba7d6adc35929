#pragma once

#include "app/ui_channel.h"
#include "run/repair_sink.h"

namespace qn {

// A repair worker's rows, sent to the window as WM_RESULT_LINE (appended with 0, replacing the
// last row with 1). Sent, not posted: the text lives only for the call.
class ChannelRepairSink final : public RepairSink {
public:
    explicit ChannelRepairSink(UiChannel& channel) : channel_(channel) {}

    void Append(const std::wstring& text) override;
    void ReplaceLast(const std::wstring& text) override;

private:
    UiChannel& channel_;
};

}  // namespace qn
