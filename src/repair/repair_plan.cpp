#include "repair/repair_plan.h"

#include <set>

#include "boot/text_helpers.h"
#include "disk/windows_install.h"
#include "repair/repair_engine.h"
#include "run/boot_target.h"
#include "run/repair_run.h"

namespace qn {
namespace {

// What the run sets only where the store's enumeration shows it otherwise.
bool IsSettingOnlyWhereNeeded(const std::wstring& commandLine) {
    for (const wchar_t* part : {L"/addlast", L" description ", L"/timeout ", L"/default ",
                                L"GraphicsResolution", L"/set {ntldr} "}) {
        if (commandLine.find(part) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

std::wstring ShownId(std::wstring text) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::wstring id = PlannedEntryId(letter);
        for (std::size_t at = text.find(id); at != std::wstring::npos; at = text.find(id)) {
            text.replace(at, id.size(), L"<" + DriveText(letter) + L" 的新启动项>");
        }
    }
    return text;
}

// Writes go nowhere; a file this plan "made" exists for it, one it "deleted" does not.
class PlanningFileSystem final : public FileSystem {
public:
    PlanningFileSystem(FileSystem& inner, std::vector<std::wstring>& changes)
        : inner_(inner), changes_(changes) {}

    CreateDirResult MakeDirectory(const std::wstring& path) override {
        if (inner_.PathExists(path) || made_.count(Key(path)) != 0) {
            return CreateDirResult::AlreadyExists;
        }
        made_.insert(Key(path));
        workFolders_.push_back(path);
        return CreateDirResult::Created;
    }
    bool RemoveEmptyDirectory(const std::wstring& path) override {
        made_.erase(Key(path));
        return true;
    }
    bool RemoveFile(const std::wstring& path) override {
        if (!InWorkFolder(path)) {
            Change(L"删除 " + path);
        }
        made_.erase(Key(path));
        gone_.insert(Key(path));
        return true;
    }
    bool PathExists(const std::wstring& path) override {
        const std::wstring key = Key(path);
        return made_.count(key) != 0 || (gone_.count(key) == 0 && inner_.PathExists(path));
    }
    std::optional<std::vector<DirEntry>> ListDirectory(const std::wstring& path) override {
        return inner_.ListDirectory(path);
    }
    std::unique_ptr<WritableFile> CreateFileForWrite(const std::wstring& path) override {
        Made(path);
        return std::make_unique<Sink>();
    }
    bool SetAttributes(const std::wstring&, std::uint32_t) override { return true; }
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override {
        return made_.count(Key(path)) != 0 ? std::optional<std::uint32_t>(kAttributeNormal)
                                           : inner_.Attributes(path);
    }
    std::optional<std::uint64_t> FileSize(const std::wstring& path) override {
        return inner_.FileSize(path);
    }
    std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path,
                                                           std::uint64_t maxBytes) override {
        return inner_.ReadFileBytes(path, maxBytes);
    }
    bool CopyFileTo(const std::wstring& source, const std::wstring& target, bool) override {
        Change(L"复制 " + source + L" 到 " + target);
        Made(target);
        return true;
    }
    bool MoveReplacing(const std::wstring& source, const std::wstring& target) override {
        made_.erase(Key(source));
        if (!InWorkFolder(target)) {
            Change(L"写入 " + target);
        }
        Made(target);
        return true;
    }
    std::wstring FolderPath(KnownFolder folder) override { return inner_.FolderPath(folder); }

private:
    class Sink final : public WritableFile {
    public:
        std::size_t Write(const std::uint8_t*, std::size_t size) override { return size; }
        bool Flush() override { return true; }
    };
    static std::wstring Key(const std::wstring& path) { return LowerCase(path); }
    bool InWorkFolder(const std::wstring& path) const {
        for (const std::wstring& folder : workFolders_) {
            if (path.size() > folder.size() &&
                EqualsIgnoringCase(path.substr(0, folder.size()), folder)) {
                return true;
            }
        }
        return false;
    }
    void Made(const std::wstring& path) {
        made_.insert(Key(path));
        gone_.erase(Key(path));
    }
    void Change(const std::wstring& text) { changes_.push_back(L"文件: " + text); }

    FileSystem& inner_;
    std::vector<std::wstring>& changes_;
    std::set<std::wstring> made_, gone_;
    std::vector<std::wstring> workFolders_;
};

// Tools do not run; each run is answered as a success. The store's enumeration after bcdboot
// answers with the entry bcdboot would have made for every system of the plan, under a boot
// manager whose settings are unknown: every setting the run makes only where it is not so
// already is planned, and said to be conditional.
class PlanningProcesses final : public ProcessLauncher {
public:
    PlanningProcesses(CodePage& codePage, std::vector<char> systems,
                      std::vector<std::wstring>& steps)
        : codePage_(codePage), systems_(std::move(systems)), steps_(steps) {}

    ProcessResult StartThroughShell(const ShellRequest& request) override {
        Step(request.file + L" " + request.parameters);
        return {true, true, 0};
    }
    ProcessResult RunCaptured(const std::wstring& commandLine, std::string& output) override {
        Step(commandLine);
        if (commandLine.find(L"/enum all") != std::wstring::npos &&
            commandLine.find(L"/store") != std::wstring::npos) {
            std::wstring listing =
                L"Windows Boot Manager\r\n--------------------\r\nidentifier              "
                L"{bootmgr}\r\n\r\n";
            for (char letter : systems_) {
                const std::wstring device = L"partition=" + DriveText(letter);
                listing +=
                    L"Windows Boot Loader\r\n-------------------\r\nidentifier              " +
                    PlannedEntryId(letter) + L"\r\ndevice                  " + device +
                    L"\r\npath                    \\Windows\\system32\\winload.exe"
                    L"\r\ndescription             Windows\r\nosdevice                " +
                    device + L"\r\n\r\n";
            }
            output += codePage_.FromWide(listing, CodePageKind::Oem);
        }
        return {true, true, 0};
    }

private:
    void Step(const std::wstring& commandLine) {
        std::wstring step = L"运行: " + ShownId(commandLine);
        if (step.find(L"/create {ntldr}") != std::wstring::npos) {
            step += L"（{ntldr} 已存在时改为设置它的描述）";
        }
        if (IsSettingOnlyWhereNeeded(commandLine)) {
            step += kOnlyWhereNeeded;
        }
        if (step.find(L"/enum all") != std::wstring::npos &&
            step.find(L"/store") == std::wstring::npos) {
            step += L"（读取固件启动项：没有 Windows Boot Manager 启动项时将它加入固件启动顺序）";
        }
        steps_.push_back(step);
    }

    CodePage& codePage_;
    std::vector<char> systems_;
    std::vector<std::wstring>& steps_;
};

class PlanningProfile final : public ProfileFile {
public:
    PlanningProfile(ProfileFile& inner, std::vector<std::wstring>& changes)
        : inner_(inner), changes_(changes) {}
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback, const std::wstring& path) override {
        return inner_.ReadString(section, key, fallback, path);
    }
    std::vector<std::wstring> ReadSection(const std::wstring& section,
                                          const std::wstring& path) override {
        return inner_.ReadSection(section, path);
    }
    bool WriteString(const std::wstring& section, const std::wstring& key,
                     const std::wstring& value, const std::wstring& path) override {
        changes_.push_back(L"文件: " + path + L" [" + section + L"] " + key + L"=" + value);
        return true;
    }

private:
    ProfileFile& inner_;
    std::vector<std::wstring>& changes_;
};

class NoRedirection final : public FsRedirection {
public:
    bool Disable(std::uintptr_t&) override { return false; }
    void Revert(std::uintptr_t) override {}
};

}  // namespace

std::wstring PlannedEntryId(char letter) {
    return L"{planned-entry-" + DriveLetterText(letter) + L"}";
}

RepairPlan PlanRepair(const RepairRequest& request, RepairPorts& ports) {
    std::vector<std::wstring> changes;
    std::vector<char> modern;
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0 && system.version >= kVistaVersion) {
            modern.push_back(letter);
        }
    }
    PlanningFileSystem files(ports.files, changes);
    PlanningProcesses processes(ports.codePage, modern, changes);
    PlanningProfile profile(ports.profile, changes);
    NoRedirection redirection;
    RepairPorts planning{files,       processes,       profile,        ports.resources,
                         ports.clock, ports.random,    ports.codePage, ports.storage,
                         redirection, ports.inventory, ports.firmware};
    QuietRepairSink sink;
    RepairPlan plan;
    {
        RepairRun run(planning, sink);
        RunEngine(run, request, MakeBootTarget(request.boot));
        plan.rows = run.Rows();
    }
    plan.steps = std::move(changes);
    return plan;
}

}  // namespace qn
