#include "app/win32/main_frame.h"

#include "app/detect_job.h"
#include "app/digits_only_filter.h"
#include "app/main_dispatch.h"
#include "app/main_messages.h"
#include "app/result_line.h"
#include "app/shutdown_plan.h"
#include "app/start_diagnosis.h"
#include "app/ui_probe.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/pages/workflows.h"
#include "boot/cleanup_journal.h"
#include "diagnosis/system_diagnosis.h"
#include "disk/disk_info.h"
#include "disk/installation_scan.h"
#include "disk/system_storage.h"
#include "editor/ui/boot_editor.h"
#include "platform/diagnostics.h"
#include "platform/registry_port.h"
#include "platform/system_ports.h"
#include "repair/repair_engine.h"
#include "run/repair_guards.h"
#include "ui/container.h"
#include "ui/edit_box.h"
#include "ui/list_element.h"
#include "ui/list_view.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn {
namespace {

// How long the closing window waits for a worker to finish what it must not leave half done (a
// hive loaded, a boot store half written). A scan or repair step takes seconds.
constexpr std::chrono::seconds kShutdownWait{60};

constexpr wchar_t kRepairingText[] = L"正在修复引导，请稍候......";
constexpr wchar_t kScanningText[] = L"正在检测可修复引导的分区，请稍候...";

// The start page's buttons, which wait for the start-up diagnosis.
constexpr const wchar_t* kWorkflowButtons[] = {L"BtnAutoRepair", L"BtnManuRepair", L"BtnEditBcd",
                                               L"BtnRepairMBR"};

template <typename T>
T* As(Control* control) {
    return dynamic_cast<T*>(control);
}

void SetEnabled(Control* control, bool enabled) {
    if (control != nullptr) {
        control->SetEnabled(enabled);
    }
}

void SetText(Control* control, const std::wstring& text) {
    if (control != nullptr) {
        control->SetText(text);
    }
}

void RemoveAllRows(Control* list) {
    if (auto* container = As<Container>(list)) {
        container->RemoveAll();
    }
}

void Uncheck(Control* control) {
    if (auto* check = As<CheckBox>(control)) {
        check->SetCheck(false, false);
    }
}

}  // namespace

MainFrame::MainFrame()
    : espMounts_(SystemMountPorts()), detect_(std::make_shared<DetectStatus>()) {}

MainFrame::~MainFrame() {
    ShutDown();
}

void MainFrame::ShutDown() {
    closing_ = true;
    if (channel_) {
        channel_->Close();
    }
    // A worker may still hold a hive loaded or run a tool from the work directory: let it end
    // before both go. Messages it sends meanwhile are taken (and ignored) so it is not blocked.
    const bool ended = workers_.WaitIdle(kShutdownWait, [] {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    });
    // One that still runs keeps what it uses; everything else goes, and the diagnostics say
    // what was left behind.
    const ShutdownPlan plan =
        PlanShutdown(ended ? 0 : workers_.Running(), ended ? WorkerFootprint{} : workers_.InUse(),
                     EspMounts().temporaryLetters, workDir_ ? workDir_->Path() : std::wstring());
    espMounts_.Remove(plan.keepLetters);
    ::PostQuitMessage(0);
    if (!plan.deleteWorkDirectory && workDir_) {
        workDir_->Release();
    }
    workDir_.reset();
    if (!plan.diagnostic.empty()) {
        SystemDiagnostics().Write(plan.diagnostic);
    }
}

void MainFrame::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

void MainFrame::InitWindow() {
    channel_ = std::make_shared<win32::Win32UiChannel>(hwnd_);
    ShowStartSummary();
    ShowDiagnosing();
    // What the first paint does not show waits for it; a window that gets no paint (a hidden
    // desktop) still starts it.
    ::SetTimer(hwnd_, kAfterFirstPaintTimer, kAfterFirstPaintWaitMs, nullptr);
    tab_ = As<TabLayout>(Find(L"mainframe_tab"));
    btnSpNext_ = Find(L"BtnSpNext");
    listResult_ = As<ListView>(Find(L"listResult"));
    listBceEdit_ = Find(L"listBceEdit");
    selBootList_ = Find(L"SelBootList");
    edTimeout_ = Find(L"edTimeout");
    edBeTimeout_ = Find(L"edBeTimeout");
    lbResultTip_ = Find(L"lbResultTip");
    btnBootRepair_ = Find(L"BtnBootRepair");
    btnBootReturn_ = Find(L"BtnBootReturn");
    ckClearBootRepair_ = Find(L"ckClearBootRepair");
    cmbBootFile_ = Find(L"CmbBootFile");
    cmbBootEntry_ = Find(L"CmbBootEntry");
    btnBeDel_ = Find(L"BtnBeDel");
    Probe();
}

void MainFrame::Probe() {
    if (Control* root = pm_.Root()) {
        pm_.LayoutIfNeeded();  // positions are what the test clicks at
        POINT origin{0, 0};
        ::ClientToScreen(hwnd_, &origin);
        ProbeUi(*root, tab_ != nullptr ? tab_->CurSel() : -1, origin.x, origin.y,
                ::IsIconic(hwnd_) != FALSE);
    }
}

void MainFrame::ShowStartSummary() {
    SystemPorts& ports = TheSystemPorts();
    if (IsWinPeSystemDirectory(ports.files.FolderPath(KnownFolder::System))) {
        wizard_.isWinPE = true;
    }
    if (auto key = SystemRegistry().OpenKey(RegistryRoot::LocalMachine, kCurrentVersionKey)) {
        SetText(Find(L"lbStOs"),
                OperatingSystemText(key->ReadString(L"ProductName"), wizard_.isWinPE));
    }
    const StartSummary summary =
        BuildStartSummary(SummaryInputFrom(DiskInfo::GetInstance(false), SystemStorage()),
                          EspMounts().espLetters, wizard_.isWinPE);
    wizard_.bootPartitions = summary.bootPartitions;
    SetText(Find(L"lbStDkPt"), summary.diskText);
    wizard_.startActiveText = summary.activeText;
    SetText(Find(L"lbStActPt"), summary.activeText);
}

void MainFrame::ShowDiagnosing() {
    SetText(Find(kStartDiagnosisLabel), kDiagnosingText);
    for (const wchar_t* name : kWorkflowButtons) {
        SetEnabled(Find(name), false);
    }
}

void MainFrame::AfterFirstPaint() {
    if (started_ || closing_) {
        return;
    }
    started_ = true;
    ::KillTimer(hwnd_, kAfterFirstPaintTimer);
    SystemPorts& ports = TheSystemPorts();
    workDir_.emplace(ports.files, ports.random, &SystemCleanupJournal());
    StartBootDiagnosis();
}

void MainFrame::StartBootDiagnosis() {
    // It reads every drive; bcdedit runs from a work folder of its own.
    WorkerFootprint footprint;
    footprint.allLetters = true;
    const bool started = StartWorker(footprint, [channel = channel_] {
        std::unique_ptr<BootDiagnosis> diagnosis;
        try {
            diagnosis = std::make_unique<BootDiagnosis>(DiagnoseSystemBoot());
        } catch (...) {
            // Nothing may escape a worker; the window then shows that there is no diagnosis.
        }
        if (channel->Post(WM_DIAGNOSIS_READY, 0,
                          reinterpret_cast<std::intptr_t>(diagnosis.get()))) {
            diagnosis.release();  // the window owns it now
        }
    });
    if (!started) {
        ShowBootDiagnosis(nullptr);
    }
}

void MainFrame::ShowBootDiagnosis(std::unique_ptr<BootDiagnosis> diagnosis) {
    SetText(Find(kStartDiagnosisLabel),
            diagnosis ? StartDiagnosisText(*diagnosis) : std::wstring(kNoDiagnosisText));
    wizard_.startDiagnosis = std::move(diagnosis);
    if (wizard_.startDiagnosis) {
        SetText(Find(L"lbStActPt"),
                StartBootLine(wizard_.startActiveText, AutomaticChoice(wizard_)));
    }
    for (const wchar_t* name : kWorkflowButtons) {
        SetEnabled(Find(name), true);
    }
}

LRESULT MainFrame::ResponseDefaultKeyEvent(WPARAM key) {
    // Escape is swallowed; Return presses the focused button. Neither closes the window.
    return key == VK_ESCAPE ? 1 : 0;
}

void MainFrame::SelectPage(int page) {
    if (tab_ != nullptr) {
        tab_->SelectItem(page);
    }
}

void MainFrame::AppendResultLine(int mode, const std::wstring& text) {
    if (listResult_ == nullptr) {
        return;
    }
    switch (ResultLineActionFor(mode, listResult_->Count())) {
        case ResultLineAction::Append: {
            auto row = std::make_unique<ListLabelElement>();
            row->SetAttribute(L"padding", L"10, 0, 0, 0");
            row->SetAttribute(L"width", L"500");
            row->SetAttribute(L"textcolor", L"#FF404040");
            row->SetText(text);
            listResult_->Add(std::move(row));
            listResult_->ScrollToEnd();
            break;
        }
        case ResultLineAction::ReplaceLast:
            if (Control* last = listResult_->ItemAt(listResult_->Count() - 1)) {
                last->SetText(text);
            }
            break;
        case ResultLineAction::Nothing:
            break;
    }
}

bool MainFrame::StartWorker(WorkerFootprint footprint, std::function<void()> work) {
    return workers_.Start(std::move(footprint), std::move(work));
}

void MainFrame::StartDetection() {
    auto claim = DetectionClaim::TryTake(*detect_);
    if (!claim) {
        return;  // one runs already; its end is handled in the mode the window is in then
    }
    scanResult_ = std::make_shared<InstallationTable>();
    auto held = std::make_shared<DetectionClaim>(std::move(*claim));
    // The scan reads every drive's hive through HKU\Software.
    WorkerFootprint footprint;
    footprint.allLetters = true;
    footprint.registryHive = true;
    StartWorker(footprint, [held, status = detect_, result = scanResult_, channel = channel_,
                            ports = SystemInstallationScanPorts()] {
        RunDetection(
            std::move(*held),
            [&ports](const DetectionClaim& c) { return ScanInstallations(c, ports); }, *result,
            *channel);
    });
}

void MainFrame::Notify(Notification& msg) {
    if (msg.sender == nullptr || closing_) {
        return;
    }
    Perform(static_cast<int>(NotificationAction(msg.type, msg.sender->Name(), wizard_.mode)),
            msg.sender);
    if (!closing_) {
        Probe();
    }
}

void MainFrame::Perform(int action, Control* sender) {
    const auto what = static_cast<MainAction>(action);
    if (!PerformNavigation(what) && !PerformRepairAction(what)) {
        PerformEditorAction(what, sender);
    }
}

bool MainFrame::PerformNavigation(MainAction action) {
    switch (action) {
        case MainAction::CloseWindow:
            Close(1);
            return true;
        case MainAction::Minimize:
            ::SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return true;
        case MainAction::StartAutoRepairFlow:
            StartAutoRepairFlow();
            return true;
        case MainAction::StartManualRepairFlow:
            StartManualRepairFlow();
            return true;
        case MainAction::StartEditBootFlow:
            StartEditBootFlow();
            return true;
        case MainAction::StartRepairMbrFlow:
            StartRepairMbrFlow();
            return true;
        case MainAction::ShowStartPage:
            SelectPage(kStartPage);
            return true;
        case MainAction::ShowInstallPage:
            SelectPage(kInstallPage);
            return true;
        case MainAction::ShowBootPartitionPage:
            SelectPage(kBootPartitionPage);
            return true;
        default:
            return false;
    }
}

bool MainFrame::PerformRepairAction(MainAction action) {
    switch (action) {
        case MainAction::AcceptCheckedInstalls:
            AcceptCheckedInstalls(*this);
            return true;
        case MainAction::StartManualRepair:
            StartManualRepair(*this);
            return true;
        case MainAction::CheckMbrTarget:
            CheckMbrTarget(*this);
            return true;
        case MainAction::StartMbrRepairNt6:
            StartMbrRepair(*this, 0);
            return true;
        case MainAction::StartMbrRepairNt5:
            StartMbrRepair(*this, 1);
            return true;
        case MainAction::StartMbrRepairMbr:
            StartMbrRepair(*this, 2);
            return true;
        case MainAction::UndoLastRepair:
            UndoLastRepair(*this);
            return true;
        case MainAction::UndoEarlierRun:
            UndoEarlierRun(*this);
            return true;
        default:
            return false;
    }
}

bool MainFrame::PerformEditorAction(MainAction action, Control* sender) {
    switch (action) {
        case MainAction::OpenBootFilesForEdit:
            OpenBootFilesForEdit(*this);
            return true;
        case MainAction::SaveBootEntries:
            SaveBootEntries(*this);
            return true;
        case MainAction::MoveEntryUp:
            MoveBootEntry(*this, -1);
            return true;
        case MainAction::MoveEntryDown:
            MoveBootEntry(*this, 1);
            return true;
        case MainAction::RemoveEntry:
            RemoveBootEntry(*this);
            return true;
        case MainAction::AddEntry:
            AddBootEntry(*this);
            return true;
        case MainAction::LoadBootEntries:
            LoadBootEntries(*this);
            return true;
        case MainAction::FilterTimeoutEdit:
        case MainAction::FilterBootEditTimeout:
            FilterDigits(sender);
            return true;
        default:
            return false;
    }
}

void MainFrame::StartAutoRepairFlow() {
    wizard_.mode = ModeAutoRepair;
    SetEnabled(Find(L"BtnRsQuit"), false);
    SetEnabled(Find(L"BtnRsReturn"), false);
    ForgetUndoRecord();
    Uncheck(ckClearBootRepair_);
    SetText(lbResultTip_, kRepairingText);
    RemoveAllRows(listResult_);
    SelectPage(kResultPage);
    StartDetection();
}

void MainFrame::StartManualRepairFlow() {
    wizard_.mode = ModeManualRepair;
    Uncheck(ckClearBootRepair_);
    SelectPage(kInstallPage);
    Control* tip = Find(L"lbSpTip");
    if (tip == nullptr) {
        return;
    }
    tip->SetText(kScanningText);
    SetText(lbResultTip_, kRepairingText);
    Control* list = Find(L"SelPartList");
    if (list == nullptr) {
        return;
    }
    RemoveAllRows(list);
    SetEnabled(btnSpNext_, false);
    StartDetection();
}

void MainFrame::StartRepairMbrFlow() {
    wizard_.mode = ModeRepairMbr;
    wizard_.installations.clear();
    RemoveAllRows(listResult_);
    BuildBootPartitionList(*this);
    SetText(btnBootRepair_, L"下一步(S)");
}

void MainFrame::StartEditBootFlow() {
    wizard_.mode = ModeEditBoot;
    wizard_.installations.clear();
    RemoveAllRows(listResult_);
    RemoveAllRows(listBceEdit_);
    BuildBootPartitionList(*this);
    SetText(btnBootRepair_, L"下一步(S)");
}

void MainFrame::FilterDigits(Control* edit) {
    auto* box = As<EditBox>(edit);
    if (box == nullptr) {
        return;
    }
    if (auto digits = DigitsOnly(box->Text())) {
        const int end = static_cast<int>(digits->size());
        box->SetText(std::move(*digits));
        box->SetSel(end, end);
    }
}

void MainFrame::OnDetectProgress(int percent) {
    Control* tip = Find(L"lbSpTip");
    if (tip == nullptr) {
        return;
    }
    const std::wstring text = std::wstring(kScanningText) + L"(" + std::to_wstring(percent) + L"%)";
    tip->SetText(text);
    AppendResultLine(1, text);
}

void MainFrame::OnRepairDone(int failedSteps, const std::wstring& tip) {
    SetEnabled(Find(L"BtnRsQuit"), true);
    SetEnabled(Find(L"BtnRsReturn"), true);
    if (undoing_) {
        undoing_ = false;
        undoRecord_.clear();
        SetText(lbResultTip_, !tip.empty() ? tip : CompletionText(failedSteps, L"撤销"));
        return;
    }
    SetText(lbResultTip_, !tip.empty() ? tip : CompletionText(failedSteps));
    if (Control* undo = Find(L"BtnRsUndo"); undo != nullptr && !undoRecord_.empty()) {
        undo->SetVisible(true);
        undo->SetEnabled(true);
    }
}

void MainFrame::ForgetUndoRecord() {
    undoRecord_.clear();
    if (Control* undo = Find(L"BtnRsUndo")) {
        undo->SetVisible(false);
    }
}

LRESULT MainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const MainAction action = MessageAction(message, wizard_.mode);
    if (action == MainAction::PassToBase) {
        const LRESULT result = WindowImplBase::HandleMessage(message, wParam, lParam);
        if ((message == WM_MOVE || message == WM_SIZE) && tab_ != nullptr) {
            Probe();  // the test channel reports where the window is, and whether minimised
        }
        if (message == WM_PAINT && !painted_) {
            painted_ = true;
            ProbeFirstPaint();
            AfterFirstPaint();
        } else if (message == WM_TIMER && wParam == kAfterFirstPaintTimer) {
            AfterFirstPaint();
        }
        return result;
    }
    if (closing_) {
        FreeHandedOver(message, lParam);
        return 0;
    }
    return OnWorkerMessage(action, wParam, lParam);
}

void MainFrame::FreeHandedOver(UINT message, LPARAM lParam) {
    // Going away: a listing, a diagnosis, a save's outcome or the undo records found, handed
    // over, are still ours to free.
    if (message == WM_BOOTLIST_READY) {
        delete reinterpret_cast<LoadedListing*>(lParam);
    } else if (message == WM_DIAGNOSIS_READY) {
        delete reinterpret_cast<BootDiagnosis*>(lParam);
    } else if (message == WM_BOOTSAVE_DONE) {
        delete reinterpret_cast<FinishedSave*>(lParam);
    } else if (message == WM_UNDOLIST_READY) {
        delete reinterpret_cast<FoundUndoRecords*>(lParam);
    }
}

LRESULT MainFrame::OnWorkerMessage(MainAction action, WPARAM wParam, LPARAM lParam) {
    switch (action) {
        case MainAction::StartAutomaticRepair:
        case MainAction::FillInstallList:
            if (scanResult_) {
                wizard_.installations = *scanResult_;
            }
            if (action == MainAction::StartAutomaticRepair) {
                StartAutomaticRepair(*this);
            } else {
                FillInstallList(*this);
            }
            break;
        case MainAction::ShowDetectProgress:
            OnDetectProgress(static_cast<int>(wParam));
            break;
        case MainAction::AppendResultLine:
            if (lParam != 0) {
                AppendResultLine(static_cast<int>(wParam),
                                 reinterpret_cast<const wchar_t*>(lParam));
            }
            break;
        case MainAction::RepairDone:
            OnRepairDone(
                static_cast<int>(wParam),
                lParam != 0 ? *reinterpret_cast<const std::wstring*>(lParam) : std::wstring());
            break;
        case MainAction::FillBootEditPage:
            FillBootEditPage(
                *this, std::unique_ptr<LoadedListing>(reinterpret_cast<LoadedListing*>(lParam)));
            break;
        case MainAction::FinishBootSave:
            FinishBootSave(*this,
                           std::unique_ptr<FinishedSave>(reinterpret_cast<FinishedSave*>(lParam)));
            break;
        case MainAction::OfferEarlierUndo:
            OfferEarlierUndo(*this, std::unique_ptr<FoundUndoRecords>(
                                        reinterpret_cast<FoundUndoRecords*>(lParam)));
            break;
        case MainAction::ShowDiagnosis:
            ShowBootDiagnosis(
                std::unique_ptr<BootDiagnosis>(reinterpret_cast<BootDiagnosis*>(lParam)));
            break;
        case MainAction::KeepUndoRecord:
            if (const auto* path = reinterpret_cast<const std::wstring*>(lParam)) {
                undoRecord_ = *path;
            }
            return 1;
        case MainAction::AskGuardQuestion: {
            const auto* question = reinterpret_cast<const std::wstring*>(lParam);
            const UINT answer =
                question != nullptr
                    ? ShowQuestionBox(kGuardCaption, *question, hwnd_,
                                      wParam == 1 ? QuestionDefault::Yes : QuestionDefault::No)
                    : kConfirmNo;
            Probe();
            return answer == kConfirmYes ? 1 : 2;
        }
        default:
            break;
    }
    Probe();
    return 0;
}

}  // namespace qn
