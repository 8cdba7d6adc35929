#include "run/repair_run.h"

#include "boot/command_line_quoting.h"
#include "boot/tool_output.h"

namespace qn {
namespace {

constexpr wchar_t kFailedSuffix[] = L"......失败 ";

}  // namespace

RepairRun::RepairRun(RepairPorts& ports, RepairSink& sink)
    : ports_(ports), sink_(sink), processes_(ports.processes, ports.codePage) {}

RepairRun::~RepairRun() = default;

void RepairRun::Row(const std::wstring& text) {
    rows_.push_back(text);
    sink_.Append(text);
}

void RepairRun::ReplaceRow(const std::wstring& text) {
    if (rows_.empty()) {
        Row(text);
        return;
    }
    rows_.back() = text;
    sink_.ReplaceLast(text);
}

void RepairRun::FailedRow(const std::wstring& text, const StepFailure& failure, bool replace) {
    ++failures_;
    const std::wstring row = text + kFailedSuffix + failure.detail;
    if (replace) {
        ReplaceRow(row);
    } else {
        Row(row);
    }
}

void RepairRun::FailureRow(const std::wstring& text) {
    ++failures_;
    Row(text);
}

void RepairRun::Note(const std::wstring& text) {
    notes_.emplace_back(processes_.Runs().size(), text);
}

void RepairRun::AddBackup(const std::wstring& path) {
    backups_.push_back(path);
    Note(L"备份: " + path);
    if (undo_ != nullptr) {
        undo_->KeepBackup(path);
    }
}

const PreparedTool& RepairRun::Tool(CarriedTool tool) {
    auto it = tools_.find(tool);
    if (it != tools_.end()) {
        return it->second;
    }
    if (!workDir_) {
        workDir_ = std::make_unique<WorkDir>(ports_.files, ports_.random, ports_.leftovers);
    }
    PreparedTool prepared = PrepareTool(ports_.files, ports_.resources, *workDir_, tool);
    const std::wstring name = ToolFileName(tool);
    switch (prepared.source) {
        case ToolSource::Embedded:
            Note(name + L": 已将随带的副本写入 " + prepared.path);
            break;
        case ToolSource::System:
            Row(L"程序未内置 " + name + L"，使用系统中的 " + prepared.path);
            break;
        case ToolSource::Missing:
            Note(name + L": 程序未内置，系统中也没有");
            break;
    }
    return tools_.emplace(tool, std::move(prepared)).first->second;
}

BcdTool RepairRun::Bcdedit() {
    return BcdTool{processes_, ports_.codePage, Tool(CarriedTool::Bcdedit).path};
}

std::optional<StepFailure> RepairRun::RunTool(CarriedTool tool, const std::wstring& parameters) {
    const PreparedTool& prepared = Tool(tool);
    const std::wstring name = ToolFileName(tool);
    if (prepared.path.empty()) {
        return StepFailure{L"缺少 " + name + L"（程序未内置，系统中也没有）"};
    }
    // Asked to stop: no step starts any more; what ran stays recorded for undo.
    if (ports_.interrupt != nullptr && ports_.interrupt->load()) {
        interrupted_ = true;
        return StepFailure{L"已中断（Ctrl+C），未运行 " + name};
    }
    std::string output;
    processes_.RunCaptured(QuoteArgument(prepared.path, true) + L" " + parameters, output);
    return LastRunFailure(tool);
}

std::optional<StepFailure> RepairRun::LastRunFailure(CarriedTool tool) const {
    const ToolRun last = processes_.Last();
    if (last.Succeeded()) {
        return std::nullopt;
    }
    return StepFailure{DescribeFailedRun(last, ToolFileName(tool), tool == CarriedTool::Bcdboot)};
}

std::vector<RunRecordEntry> RepairRun::Record() const {
    const std::vector<ToolRun> runs = processes_.Runs();
    std::vector<RunRecordEntry> record;
    std::size_t note = 0;
    for (std::size_t i = 0; i <= runs.size(); ++i) {
        while (note < notes_.size() && notes_[note].first == i) {
            record.push_back({std::nullopt, notes_[note++].second});
        }
        if (i < runs.size()) {
            record.push_back({runs[i], {}});
        }
    }
    return record;
}

std::wstring DescribeFailedRun(const ToolRun& run, const std::wstring& toolName,
                               bool exitsWithWin32Error) {
    if (!run.result.started) {
        return toolName + L" 无法启动";
    }
    if (run.result.timedOut) {
        return toolName + L" 没有响应";
    }
    if (!run.result.exitCodeKnown) {
        return toolName + L" 结果未知";
    }
    std::wstring text = toolName + L" 退出码 " + std::to_wstring(run.result.exitCode);
    const std::wstring meaning =
        exitsWithWin32Error ? Win32ErrorMeaning(run.result.exitCode) : std::wstring();
    if (!meaning.empty()) {
        text += L"（" + meaning + L"）";
    }
    const std::wstring line = MeaningfulFailureLine(run.decodedOutput);
    if (!line.empty()) {
        text += L": " + line;
    }
    return text;
}

}  // namespace qn
