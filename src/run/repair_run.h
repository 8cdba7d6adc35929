#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "boot/bcd_store.h"
#include "boot/carried_tool.h"
#include "boot/work_dir.h"
#include "record/undo_recorder.h"
#include "run/recording_processes.h"
#include "run/repair_ports.h"
#include "run/repair_sink.h"

namespace qn {

// One entry of a run's record, in the order things happened: a tool run, or a note about a
// file the run copied, wrote or deleted.
struct RunRecordEntry {
    std::optional<ToolRun> run;
    std::wstring note;
};

// What a failed step says after "......失败 ".
struct StepFailure {
    std::wstring detail;
};

// The shared state of one repair run: the ports, the rows it sends, the tools it prepared in its
// own work directory, every tool run and file change for the log, the backups it made and the
// steps that failed. Lives for one run on the worker thread.
class RepairRun {
public:
    RepairRun(RepairPorts& ports, RepairSink& sink);
    ~RepairRun();
    RepairRun(const RepairRun&) = delete;
    RepairRun& operator=(const RepairRun&) = delete;

    RepairPorts& Ports() { return ports_; }

    // Rows, also kept for the log (a replacement replaces the kept text too).
    void Row(const std::wstring& text);
    void ReplaceRow(const std::wstring& text);
    const std::vector<std::wstring>& Rows() const { return rows_; }

    // A row that ends a step in failure; counted.
    void FailedRow(const std::wstring& text, const StepFailure& failure, bool replace);
    // A row, as it stands, that reports a failure; counted.
    void FailureRow(const std::wstring& text);
    int Failures() const { return failures_; }

    void Note(const std::wstring& text);
    // A backup the run made; also kept out of undo's way when the run records for undo.
    void AddBackup(const std::wstring& path);

    // Where the run saves what it is about to change, for undo; null when it does not (a plan,
    // or a run whose undo folder could not be made).
    void SetUndo(UndoRecorder* undo) { undo_ = undo; }
    UndoRecorder* Undo() { return undo_; }
    const std::vector<std::wstring>& Backups() const { return backups_; }

    // The tool from the run's work directory (or the system's copy, which a row then names);
    // empty path when neither exists. Prepared once per run.
    const PreparedTool& Tool(CarriedTool tool);
    // bcdedit, as the store functions take it; its runs are recorded.
    BcdTool Bcdedit();

    // Runs the tool hidden with these parameters, output captured, and tells how it ended.
    std::optional<StepFailure> RunTool(CarriedTool tool, const std::wstring& parameters);
    // Why the last recorded run of this tool failed; nullopt when it succeeded.
    std::optional<StepFailure> LastRunFailure(CarriedTool tool) const;
    // What the last recorded run printed, decoded.
    std::wstring LastRunOutput() const { return processes_.Last().decodedOutput; }

    // The user asked the run to stop and a step was not started because of it.
    bool Interrupted() const { return interrupted_; }

    // Everything recorded, in order.
    std::vector<RunRecordEntry> Record() const;
    RecordingProcesses& Processes() { return processes_; }

private:
    RepairPorts& ports_;
    RepairSink& sink_;
    bool interrupted_ = false;
    RecordingProcesses processes_;
    std::unique_ptr<WorkDir> workDir_;
    std::map<CarriedTool, PreparedTool> tools_;
    std::vector<std::wstring> rows_;
    std::vector<std::wstring> backups_;
    UndoRecorder* undo_ = nullptr;
    int failures_ = 0;
    // Notes, each placed after the tool run count at the time it was made.
    std::vector<std::pair<std::size_t, std::wstring>> notes_;
};

// "bcdboot.exe 退出码 112（磁盘空间不足）: <the line that says why>" for a failed run; the exit
// code's meaning only for a tool that ends with a Win32 error code (bcdboot does; bcdedit and
// bootsect end with 1).
std::wstring DescribeFailedRun(const ToolRun& run, const std::wstring& toolName,
                               bool exitsWithWin32Error = false);

}  // namespace qn
