#include "app/channel_guard_asker.h"

#include "app/main_messages.h"

namespace qn {

GuardAnswer ChannelGuardAsker::Ask(const RepairGuard& guard) {
    switch (channel_.Send(WM_GUARD_QUESTION, guard.yesByDefault ? 1 : 0,
                          reinterpret_cast<std::intptr_t>(&guard.question))) {
        case 1:
            return GuardAnswer::Yes;
        case 2:
            return GuardAnswer::No;
        default:
            return GuardAnswer::Refused;
    }
}

}  // namespace qn
