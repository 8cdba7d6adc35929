#include "app/win32/pages/workflow_pending.h"

#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"

namespace qn {

void ShowWorkflowPending(MainFrame& frame) {
    ShowMessageBox(L"提示信息", L"此功能在当前版本中尚未提供，未对系统做任何更改。",
                   frame.GetHWND());
}

}  // namespace qn
