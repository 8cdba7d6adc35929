#pragma once

// The program's diagnosis of a simulated machine, with bcdedit prepared in a work folder of its
// own as the program prepares it, and the program's other tools for runs by hand.

#include <string>

#include "boot/carried_tool.h"
#include "boot/command_runner.h"
#include "boot/work_dir.h"
#include "diagnosis/diagnose_boot.h"
#include "sim_program.h"

namespace qn::sim::test {

class DiagnosisSession {
public:
    explicit DiagnosisSession(const Scenario& scenario)
        : program_(scenario), work_(program_.Machine().FilesForProgram(), random_) {}

    SimProgram& Program() { return program_; }
    SimMachine& Machine() { return program_.Machine(); }

    std::wstring Tool(CarriedTool tool) {
        return PrepareTool(Machine().FilesForProgram(), program_.Resources(), work_, tool).path;
    }

    // The machine's ports, with this firmware and bcdedit.
    DiagnosisPorts Ports(FirmwarePort& firmware, const std::wstring& bcdedit) {
        RepairPorts repair = program_.Ports();  // references to the program's own objects
        return DiagnosisPorts{
            repair.storage, repair.files,     repair.profile,
            repair.random,  repair.codePage,  repair.redirection,
            firmware,       repair.inventory, BcdTool{repair.processes, repair.codePage, bcdedit}};
    }

    // withScan: the systems the installation scan found; otherwise found by their files.
    BootDiagnosis Diagnose(bool withScan = true) {
        DiagnosisPorts ports = Ports(Machine().FirmwareForProgram(), Tool(CarriedTool::Bcdedit));
        return DiagnoseBoot(ports, withScan ? &program_.installations : nullptr);
    }

    // A carried tool run hidden with these parameters, as the engine runs it.
    unsigned long Run(CarriedTool tool, const std::wstring& parameters) {
        return ShellRun(Machine().Processes(), Tool(tool), parameters, true, false, true).exitCode;
    }

private:
    SimProgram program_;
    fake::FakeRandomSource random_;
    WorkDir work_;
};

}  // namespace qn::sim::test
