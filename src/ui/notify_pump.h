#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/notification.h"

namespace qn {

// Routes notifications to handlers registered by type and control name: a window's dispatch
// table as data. An empty name matches every sender.
class CNotifyPump {
public:
    using Handler = std::function<void(Notification&)>;

    void AddHandler(std::wstring type, std::wstring controlName, Handler handler);
    // Runs the first handler whose type and name match; false when none does.
    bool NotifyPump(Notification& msg);

private:
    struct Route {
        std::wstring type;
        std::wstring name;
        Handler handler;
    };
    std::vector<Route> routes_;
};

}  // namespace qn
