#include "sim_command.h"

#include <variant>

#include "boot/utf8_text.h"
#include "platform/fake/fake_code_page.h"
#include "sim/lower_case.h"
#include "sim/scenario_reader.h"
#include "sim/sim_machine.h"

namespace qn::simtool {
namespace {

constexpr int kUsageError = 2;
constexpr const char* kUsage =
    "usage: qnboot-sim SCENARIO.xml [--run \"COMMAND LINE\"]... [--verdict]\n";
constexpr const wchar_t* kStandIns[] = {L"bcdedit", L"bcdboot", L"bootsect"};

// Where the program would have written its copies of the tools: a folder of the running
// system's temporary files, so bare names reach the stand-ins wherever System32 lacks one.
std::wstring PrepareWorkFolder(sim::SimMachine& machine) {
    const std::wstring local = machine.Files().FolderPath(KnownFolder::LocalAppData);
    if (local.empty()) {
        return {};
    }
    const std::wstring folder = local + L"\\Temp\\qnboot-sim";
    machine.Files().AddDirectory(folder);
    for (const wchar_t* tool : kStandIns) {
        const std::string marker = "qnboot-sim stand-in\r\n";
        machine.Files().AddFile(folder + L"\\" + tool + L".exe",
                                std::vector<std::uint8_t>(marker.begin(), marker.end()));
    }
    return folder;
}

// A command line whose program is a bare tool name runs the work folder's copy.
std::wstring WithToolPath(const std::wstring& line, const std::wstring& folder) {
    const std::size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring::npos || folder.empty()) {
        return line;
    }
    const std::size_t end = std::min(line.find_first_of(L" \t", start), line.size());
    std::wstring program = sim::LowerCase(line.substr(start, end - start));
    if (program.size() > 4 && program.ends_with(L".exe")) {
        program.resize(program.size() - 4);
    }
    for (const wchar_t* tool : kStandIns) {
        if (program == tool) {
            return L"\"" + folder + L"\\" + tool + L".exe\"" + line.substr(end);
        }
    }
    return line;
}

}  // namespace

int RunSimCommand(const std::vector<std::string>& args,
                  const std::function<std::optional<std::string>(const std::string&)>& readFile,
                  std::ostream& out, std::ostream& err) {
    std::optional<std::string> scenarioPath;
    std::vector<std::string> runs;
    bool verdict = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--run" && i + 1 < args.size()) {
            runs.push_back(args[++i]);
        } else if (args[i] == "--verdict") {
            verdict = true;
        } else if (!scenarioPath && !args[i].starts_with("--")) {
            scenarioPath = args[i];
        } else {
            err << kUsage;
            return kUsageError;
        }
    }
    if (!scenarioPath) {
        err << kUsage;
        return kUsageError;
    }
    const auto xml = readFile(*scenarioPath);
    if (!xml) {
        err << "qnboot-sim: cannot read " << *scenarioPath << "\n";
        return kUsageError;
    }
    auto read = sim::ReadScenario(*xml);
    if (const auto* error = std::get_if<sim::ScenarioError>(&read)) {
        err << "qnboot-sim: " << *scenarioPath << ": " << error->message << "\n";
        return kUsageError;
    }
    const sim::Scenario& scenario = std::get<sim::Scenario>(read);
    fake::FakeCodePage codePage(sim::AnsiCodePage(scenario.language),
                                sim::ConsoleCodePage(scenario.language));
    sim::SimMachine machine(scenario, codePage);
    const std::wstring folder = PrepareWorkFolder(machine);
    for (const std::string& run : runs) {
        const std::wstring line = WithToolPath(Utf8ToWide(run), folder);
        std::string output;
        const ProcessResult result = machine.Processes().RunCaptured(line, output);
        out << ">>> " << run << "\n" << output;
        if (!output.empty() && output.back() != '\n') {
            out << "\n";
        }
        if (result.started) {
            out << "<<< exit code " << result.exitCode << "\n";
        } else {
            out << "<<< not started\n";
        }
    }
    if (verdict) {
        out << sim::VerdictJson(machine.Boot()) << "\n";
    }
    return 0;
}

}  // namespace qn::simtool
