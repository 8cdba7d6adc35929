#include "app/channel_repair_sink.h"

#include "app/main_messages.h"

namespace qn {

void ChannelRepairSink::Append(const std::wstring& text) {
    channel_.Send(WM_RESULT_LINE, 0, reinterpret_cast<std::intptr_t>(text.c_str()));
}

void ChannelRepairSink::ReplaceLast(const std::wstring& text) {
    channel_.Send(WM_RESULT_LINE, 1, reinterpret_cast<std::intptr_t>(text.c_str()));
}

}  // namespace qn
