#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/start_summary.h"
#include "app/win32/win32_ui_channel.h"
#include "app/wizard_state.h"
#include "app/worker_tracker.h"
#include "boot/work_dir.h"
#include "disk/detect_status.h"
#include "disk/mount_pass.h"
#include "ui/win32/window_impl_base.h"

namespace qn {

class Control;
class EditBox;
class ListView;
class TabLayout;
enum class MainAction;  // app/main_dispatch.h

// The program's main window: the skin "MainFrame.xml" with its six pages, the state the
// workflows share, and the routing of every notification and worker message. Only the UI thread
// touches it; workers reach it through its UiChannel. The object deletes itself when its window is
// destroyed, after the workers it started have ended.
class MainFrame : public win32::WindowImplBase {
public:
    static constexpr wchar_t kTitle[] = L"QuenraNT引导修复工具";

    MainFrame();
    ~MainFrame() override;

    // Pages of "mainframe_tab".
    enum Page {
        kStartPage = 0,
        kResultPage,
        kInstallPage,
        kBootPartitionPage,
        kMbrKindPage,
        kBootEditPage
    };

    // What the pages share: the wizard's findings and choices, and the boot entry editor's
    // session (only the UI thread reads and changes them).
    WizardState& Wizard() { return wizard_; }
    EditorSession& Editor() { return editor_; }
    int DetectDone() const { return detect_->done ? 1 : 0; }

    const EspMountTable& EspMounts() const { return espMounts_.Table(); }
    // Empty once the window is closing.
    const std::optional<WorkDir>& WorkDirectory() const { return workDir_; }

    // Looks a control up by its skin name; null when the skin has none.
    Control* Find(const wchar_t* name) { return pm_.FindControl(name); }
    void SelectPage(int page);
    // mode 0 appends a row to "listResult", mode 1 replaces the text of the last row.
    void AppendResultLine(int mode, const std::wstring& text);
    // Starts work on a thread of its own; it may report only through Channel(). footprint is
    // what it uses until it ends (kept in place if the window closes before that).
    bool StartWorker(WorkerFootprint footprint, std::function<void()> work);
    std::shared_ptr<UiChannel> Channel() const { return channel_; }

    // Runs the installation scan with its progress display (the automatic and manual flows).
    void StartDetection();
    // A repair run has ended with this many failed steps: the result page's buttons come back
    // and its tip tells the outcome.
    // tip: the run's own last row; empty: worked out from failedSteps.
    void OnRepairDone(int failedSteps, const std::wstring& tip = {});

    // The record the last run left for undo ("撤销本次修复(U)" shows once the run is done);
    // empty when it left none or after it was used or the page was reused.
    const std::wstring& UndoRecordPath() const { return undoRecord_; }
    void ForgetUndoRecord();
    // The next run is an undo: its end says "撤销完成!" and offers no undo of its own.
    void MarkUndoing() { undoing_ = true; }

protected:
    const wchar_t* GetWindowClassName() const override { return L"QNGUI"; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;
    void InitWindow() override;
    std::wstring GetSkinFile() const override { return L"MainFrame.xml"; }
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;
    win32::SkinResourceKind GetResourceType() const override {
        return win32::SkinResourceKind::ZipResource;
    }
    SkinResourceId GetResourceId() const override { return SkinResourceId{129, L"ZIPRES"}; }
    void Notify(Notification& msg) override;

private:
    void ShowStartSummary();
    // The start page's diagnosis line: the diagnosis runs on a worker (it runs bcdedit); the
    // workflow buttons wait for it, as the workflows read and change the same disks.
    void ShowDiagnosing();
    void StartBootDiagnosis();
    // After the first paint: the work folder and the diagnosis, which the first look at the
    // window does not need.
    void AfterFirstPaint();
    static constexpr UINT_PTR kAfterFirstPaintTimer = 0x5153;
    static constexpr UINT kAfterFirstPaintWaitMs = 500;
    void ShowBootDiagnosis(std::unique_ptr<BootDiagnosis> diagnosis);
    void Perform(int action, Control* sender);
    // Perform's parts, by where the action leads; false: not one of theirs.
    bool PerformNavigation(MainAction action);
    bool PerformRepairAction(MainAction action);
    bool PerformEditorAction(MainAction action, Control* sender);
    // HandleMessage's parts: what a worker handed over is freed unread once the window closes;
    // otherwise the worker's message is acted on.
    static void FreeHandedOver(UINT message, LPARAM lParam);
    LRESULT OnWorkerMessage(MainAction action, WPARAM wParam, LPARAM lParam);
    void StartAutoRepairFlow();
    void StartManualRepairFlow();
    void StartRepairMbrFlow();
    void StartEditBootFlow();
    void FilterDigits(Control* edit);
    void OnDetectProgress(int percent);
    void ShutDown();
    void Probe();

    WizardState wizard_;
    EditorSession editor_;
    ScopedEspMounts espMounts_;
    std::optional<WorkDir> workDir_;
    // Shared with the scan's worker, which may outlive a wait that timed out.
    std::shared_ptr<DetectStatus> detect_;
    std::shared_ptr<InstallationTable> scanResult_;
    std::shared_ptr<win32::Win32UiChannel> channel_;
    WorkerTracker workers_;
    bool closing_ = false;
    bool painted_ = false;  // the first paint is the start-up benchmark's mark
    bool started_ = false;  // AfterFirstPaint has run
    std::wstring undoRecord_;
    bool undoing_ = false;

    // Found once at initialisation.
    TabLayout* tab_ = nullptr;
    Control* btnSpNext_ = nullptr;
    ListView* listResult_ = nullptr;
    Control* listBceEdit_ = nullptr;
    Control* selBootList_ = nullptr;
    Control* edTimeout_ = nullptr;
    Control* edBeTimeout_ = nullptr;
    Control* lbResultTip_ = nullptr;
    Control* btnBootRepair_ = nullptr;
    Control* btnBootReturn_ = nullptr;
    Control* ckClearBootRepair_ = nullptr;
    Control* cmbBootFile_ = nullptr;
    Control* cmbBootEntry_ = nullptr;
    Control* btnBeDel_ = nullptr;
};

}  // namespace qn
