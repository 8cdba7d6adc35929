// The demo program's ports: the simulated machine stands in for the disks, volumes, firmware,
// registry, files and child processes; code pages, the clock, randomness and the program's own
// resources are the real ones. The machine is the scenario named by QN_SIM_SCENARIO, or the
// built-in demo machine; with QN_SIM_JOURNAL set, every change the program makes to it is
// appended to that file as it happens; with QN_SIM_VERDICT set, that file always holds the boot
// verdict of the machine as it is (as JSON), rewritten after every change and once more when the
// program ends; with QN_SIM_FILES naming a folder, every file the program writes on the machine
// (the repair log, backups) is copied there under its own name when the program closes it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "boot/fake/fake_profile_file.h"
#include "boot/utf8_text.h"
#include "disk/system_storage.h"
#include "disk/system_volumes.h"
#include "platform/diagnostics.h"
#include "platform/firmware_port.h"
#include "platform/fs_redirection.h"
#include "platform/profile_file.h"
#include "platform/registry_port.h"
#include "platform/system_ports.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_console_output.h"
#include "platform/win32/win32_diagnostics.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_module_resources.h"
#include "platform/win32/win32_random_source.h"
#include "sim/scenario_reader.h"
#include "sim/sim_machine.h"

namespace qn {
namespace {

constexpr int kDemoScenarioResource = 200;
constexpr wchar_t kScenarioResourceType[] = L"SIMSCENARIO";

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return bytes;
    }
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, read);
    }
    std::fclose(file);
    return bytes;
}

sim::Scenario LoadScenario() {
    const std::wstring path = Environment(L"QN_SIM_SCENARIO");
    std::string xml;
    if (!path.empty()) {
        xml = ReadWholeFile(path);
    } else {
        win32::Win32ModuleResources resources;
        const auto bytes = resources.Find(kDemoScenarioResource, kScenarioResourceType);
        xml.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    auto result = sim::ReadScenario(xml);
    if (auto* error = std::get_if<sim::ScenarioError>(&result)) {
        // A demo with a broken scenario says so instead of simulating an empty machine.
        const std::wstring text = L"The simulated machine could not be read:\n" +
                                  std::wstring(error->message.begin(), error->message.end());
        ::MessageBoxW(nullptr, text.c_str(), L"QNBootRepair-sim", MB_ICONERROR);
        ::ExitProcess(3);
    }
    return std::get<sim::Scenario>(result);
}

void AppendLine(const std::wstring& path, const std::wstring& line) {
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        const std::string text = WideToUtf8(line) + "\n";
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

void CopyOut(const std::wstring& folder, const std::wstring& path,
             const std::vector<std::uint8_t>& bytes) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring target =
        folder + L"\\" + (slash == std::wstring::npos ? path : path.substr(slash + 1));
    if (FILE* file = _wfopen(target.c_str(), L"wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

const sim::Scenario& TheScenario() {
    static const sim::Scenario scenario = LoadScenario();
    return scenario;
}

// The simulated Windows' own code pages: its tools write in its console code page and the
// program reads them back in it, whatever the locale Wine runs in.
win32::Win32CodePage& SystemCodePage() {
    static win32::Win32CodePage codePage(sim::AnsiCodePage(TheScenario().language),
                                         sim::ConsoleCodePage(TheScenario().language));
    return codePage;
}

// Replaced whole (a temporary file moved over it), so a reader never sees half a verdict.
void WriteVerdict(const std::wstring& path, const sim::SimMachine& machine) {
    const std::string json = sim::VerdictJson(machine.Boot()) + "\n";
    const std::wstring temporary = path + L".tmp";
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (file == nullptr) {
        return;
    }
    std::fwrite(json.data(), 1, json.size(), file);
    std::fclose(file);
    ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Writes the verdict once more at the program's normal end. The end through _Exit after the
// window closed skips it, but every change before it has already rewritten the file.
class VerdictAtExit {
public:
    VerdictAtExit(std::wstring path, const sim::SimMachine& machine)
        : path_(std::move(path)), machine_(machine) {}
    ~VerdictAtExit() {
        if (!path_.empty()) {
            WriteVerdict(path_, machine_);
        }
    }
    VerdictAtExit(const VerdictAtExit&) = delete;
    VerdictAtExit& operator=(const VerdictAtExit&) = delete;

private:
    std::wstring path_;
    const sim::SimMachine& machine_;
};

sim::SimMachine& Machine() {
    static sim::SimMachine machine(TheScenario(), SystemCodePage());
    static const std::wstring verdict = Environment(L"QN_SIM_VERDICT");
    // Made after the machine, so it is destroyed before it.
    static VerdictAtExit atExit(verdict, machine);
    static const bool sinkSet = [] {
        const std::wstring journal = Environment(L"QN_SIM_JOURNAL");
        if (!verdict.empty()) {
            WriteVerdict(verdict, machine);
        }
        if (!journal.empty() || !verdict.empty()) {
            machine.SetJournalSink([journal](const std::wstring& line) {
                if (!journal.empty()) {
                    AppendLine(journal, line);
                }
                if (!verdict.empty()) {
                    WriteVerdict(verdict, machine);
                }
            });
        }
        const std::wstring copies = Environment(L"QN_SIM_FILES");
        if (!copies.empty()) {
            machine.SetFileSink(
                [copies](const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
                    CopyOut(copies, path, bytes);
                });
        }
        return true;
    }();
    (void)sinkSet;
    return machine;
}

}  // namespace

SystemPorts& TheSystemPorts() {
    static win32::Win32ModuleResources resources;
    static win32::Win32Clock clock;
    static win32::Win32RandomSource random;
    static SystemPorts ports{SystemCodePage(),
                             Machine().FilesForProgram(),
                             Machine().Processes(),
                             resources,
                             clock,
                             random};
    return ports;
}

StoragePort& SystemStorage() {
    return Machine().Storage();
}

VolumePort& SystemVolumes() {
    return Machine().VolumePortForProgram();
}

RegistryPort& SystemRegistry() {
    return Machine().Registry();
}

FsRedirection& SystemFsRedirection() {
    return Machine().Redirection();
}

FileSystem& SystemOutputFiles() {
    // Reports and logs named on the command line are for the test that reads them: the real
    // disk, not the simulated machine.
    static win32::Win32FileSystem files;
    return files;
}

ConsoleOutput& SystemConsole() {
    static win32::Win32ConsoleOutput console;
    return console;
}

FirmwarePort& SystemFirmware() {
    return Machine().FirmwareForProgram();
}

ProfileFile& SystemProfileFile() {
    // boot.ini is read and written on the machine's own files, in the ANSI code page.
    static fake::FakeProfileFile profile(Machine().Files(), TheSystemPorts().codePage);
    return profile;
}

Diagnostics& SystemDiagnostics() {
    static win32::Win32Diagnostics diagnostics;
    return diagnostics;
}

Diagnostics& SystemDebuggerDiagnostics() {
    static win32::Win32Diagnostics diagnostics(false);
    return diagnostics;
}

}  // namespace qn
