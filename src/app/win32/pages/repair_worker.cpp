#include "app/win32/pages/repair_worker.h"

#include "app/channel_guard_asker.h"
#include "app/channel_repair_sink.h"
#include "app/main_messages.h"
#include "app/win32/main_frame.h"
#include "run/repair_request.h"
#include "run/system_repair_ports.h"
#include "ui/list_view.h"

namespace qn {

std::optional<BootPartition> SelectedBootPartition(MainFrame& frame) {
    auto* list = dynamic_cast<ListView*>(frame.Find(L"SelBootList"));
    Control* row = list != nullptr ? list->ItemAt(list->SelectedIndex()) : nullptr;
    if (row == nullptr) {
        return std::nullopt;
    }
    return BootPartitionOfRow(frame.Wizard(), static_cast<int>(row->Tag()));
}

void ShowResultPageBusy(MainFrame& frame, bool clearRows) {
    for (const wchar_t* name : {L"BtnRsQuit", L"BtnRsReturn"}) {
        if (Control* button = frame.Find(name)) {
            button->SetEnabled(false);
        }
    }
    frame.ForgetUndoRecord();
    if (Control* tip = frame.Find(L"lbResultTip")) {
        tip->SetText(L"正在修复引导，请稍候......");
    }
    if (auto* rows = dynamic_cast<Container*>(frame.Find(L"listResult")); rows && clearRows) {
        rows->RemoveAll();
    }
    frame.SelectPage(MainFrame::kResultPage);
}

void StartRepairWorker(MainFrame& frame, std::set<char> letters, RepairWork work) {
    WorkerFootprint footprint;
    footprint.letters = std::move(letters);
    const bool started = frame.StartWorker(footprint, [channel = frame.Channel(),
                                                       work = std::move(work)] {
        ChannelRepairSink sink(*channel);
        ChannelGuardAsker asker(*channel);
        RepairPorts ports = SystemRepairPorts();
        const RepairOutcome outcome = work(ports, sink, asker);
        if (!outcome.undoRecord.empty()) {
            channel->Send(WM_UNDO_RECORD, 0, reinterpret_cast<std::intptr_t>(&outcome.undoRecord));
        }
        // The tip says what the run's last row says; valid while the message is sent.
        const std::wstring tip =
            outcome.stoppedByGuard ? std::wstring(L"修复已取消，未做任何更改") : outcome.completion;
        channel->Send(WM_REPAIR_DONE, static_cast<std::uintptr_t>(outcome.failedSteps),
                      reinterpret_cast<std::intptr_t>(&tip));
    });
    if (!started) {
        frame.AppendResultLine(0, L"无法启动修复线程，未做任何更改");
        frame.OnRepairDone(1);
    }
}

}  // namespace qn
