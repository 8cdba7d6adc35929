#include "editor/editor_bcdedit.h"

#include "boot/command_line_quoting.h"
#include "run/repair_run.h"

namespace qn {

std::optional<std::wstring> EditorBcdedit::Run(const std::wstring& parameters) {
    std::string output;
    recorded_.RunCaptured(QuoteArgument(path_, true) + L" " + parameters, output);
    return LastFailure();
}

std::optional<std::wstring> EditorBcdedit::LastFailure() const {
    const ToolRun last = recorded_.Last();
    if (last.Succeeded()) {
        return std::nullopt;
    }
    return DescribeFailedRun(last, L"bcdedit.exe");
}

}  // namespace qn
