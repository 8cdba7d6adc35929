#include "ui/notify_pump.h"

#include "ui/control.h"

namespace qn {

void CNotifyPump::AddHandler(std::wstring type, std::wstring controlName, Handler handler) {
    routes_.push_back({std::move(type), std::move(controlName), std::move(handler)});
}

bool CNotifyPump::NotifyPump(Notification& msg) {
    const std::wstring& name = msg.sender != nullptr ? msg.sender->Name() : std::wstring();
    for (const Route& route : routes_) {
        if (route.type == msg.type && (route.name.empty() || route.name == name)) {
            // A copy: the handler may register more routes while it runs.
            Handler handler = route.handler;
            handler(msg);
            return true;
        }
    }
    return false;
}

}  // namespace qn
