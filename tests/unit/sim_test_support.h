#pragma once

// Loading the scenario files and running tools on a simulated machine, for the sim's tests.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <variant>

#include "platform/fake/fake_code_page.h"
#include "sim/scenario_reader.h"
#include "sim/sim_machine.h"

namespace qn::sim::test {

inline Scenario ScenarioFile(const std::string& name) {
    std::ifstream file(QN_SOURCE_DIR "/sim/scenarios/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    auto result = ReadScenario(text.str());
    if (auto* error = std::get_if<ScenarioError>(&result)) {
        ADD_FAILURE() << name << ": " << error->message;
        return {};
    }
    return std::get<Scenario>(result);
}

inline Scenario ScenarioText(const std::string& xml) {
    auto result = ReadScenario(xml);
    if (auto* error = std::get_if<ScenarioError>(&result)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Scenario>(result);
}

// A machine with the code pages of its scenario's language, as the program on that Windows
// would see them.
class Machine {
public:
    explicit Machine(const Scenario& scenario)
        : codePage_(std::make_unique<fake::FakeCodePage>(AnsiCodePage(scenario.language),
                                                         ConsoleCodePage(scenario.language))),
          machine_(std::make_unique<SimMachine>(scenario, *codePage_)) {}

    SimMachine& operator*() { return *machine_; }
    SimMachine* operator->() { return machine_.get(); }
    fake::FakeCodePage& CodePage() { return *codePage_; }

    struct Run {
        bool started = false;
        unsigned long exitCode = 0;
        std::string output;  // bytes
        std::wstring text;   // decoded in the console code page
    };
    // A captured run of a whole command line, as the program runs enumerations.
    Run Capture(const std::wstring& commandLine) {
        Run run;
        const ProcessResult result = machine_->Processes().RunCaptured(commandLine, run.output);
        run.started = result.started;
        run.exitCode = result.exitCode;
        run.text = codePage_->ToWide(run.output, CodePageKind::Oem);
        return run;
    }
    // A shell run of a program with a parameter string, as the program runs changes.
    ProcessResult Shell(const std::wstring& program, const std::wstring& parameters) {
        return machine_->Processes().StartThroughShell(
            ShellRequest{L"\"" + program + L"\"", parameters, true, false, false});
    }
    // The machine's last run's text.
    std::wstring LastText() {
        const auto runs = machine_->ToolRuns();
        return runs.empty() ? std::wstring()
                            : codePage_->ToWide(runs.back().output, CodePageKind::Oem);
    }

private:
    std::unique_ptr<fake::FakeCodePage> codePage_;
    std::unique_ptr<SimMachine> machine_;
};

}  // namespace qn::sim::test
