#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "disk/detect_status.h"
#include "disk/installation_scan.h"
#include "disk/windows_version_text.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_fs_redirection.h"
#include "platform/fake/fake_registry.h"

namespace qn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::wstring kCmd = L"\"C:\\Windows\\System32\\cmd.exe\"";

// An offline installation's SOFTWARE hive as reg.exe would load it.
struct OfflineHive {
    bool loads = true;  // false: a damaged hive file that reg load refuses
    bool hasCurrentVersionKey = true;
    std::optional<std::wstring> productName;
    std::optional<std::wstring> currentVersion;
};

// cmd.exe running "reg load hku\Software <hive>" and "reg unload hku\Software" against the fake
// registry, with reg.exe's rules: a load fails while something is loaded there, an unload fails
// while a key of the hive is open. Records each call with the progress the scan had written.
class RegTool final : public ProcessLauncher {
public:
    RegTool(fake::FakeRegistry& registry, const DetectProgress* progress)
        : registry_(registry), progress_(progress) {}

    std::map<wchar_t, OfflineHive> hives;
    bool starts = true;
    std::vector<ShellRequest> requests;
    std::vector<int> progressAtLoad;

    ProcessResult StartThroughShell(const ShellRequest& request) override {
        requests.push_back(request);
        if (!starts) {
            return ProcessResult{};
        }
        return ProcessResult{true, true, Run(request.parameters) ? 0ul : 1ul};
    }
    ProcessResult RunCaptured(const std::wstring&, std::string&) override { return {}; }

private:
    bool Run(const std::wstring& parameters) {
        const std::wstring load = L"/c reg load hku\\Software ";
        if (parameters == L"/c reg unload hku\\Software") {
            if (!registry_.HasKey(RegistryRoot::Users, L"Software") || registry_.OpenKeys() != 0) {
                return false;
            }
            registry_.RemoveTree(RegistryRoot::Users, L"Software");
            return true;
        }
        if (!parameters.starts_with(load)) {
            return false;
        }
        progressAtLoad.push_back(progress_ ? progress_->load() : -1);
        const std::wstring path = parameters.substr(load.size());
        const auto hive = hives.find(path.empty() ? L'?' : path[0]);
        if (hive == hives.end() || !hive->second.loads ||
            path.substr(1) != L":\\Windows\\System32\\config\\SOFTWARE" ||
            registry_.HasKey(RegistryRoot::Users, L"Software")) {
            return false;
        }
        registry_.AddKey(RegistryRoot::Users, L"Software");
        const std::wstring key = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
        if (hive->second.hasCurrentVersionKey) {
            registry_.AddKey(RegistryRoot::Users, key);
        }
        if (hive->second.productName) {
            registry_.SetString(RegistryRoot::Users, key, L"ProductName",
                                *hive->second.productName);
        }
        if (hive->second.currentVersion) {
            registry_.SetString(RegistryRoot::Users, key, L"CurrentVersion",
                                *hive->second.currentVersion);
        }
        return true;
    }

    fake::FakeRegistry& registry_;
    const DetectProgress* progress_;
};

// Remembers every path asked about.
class RecordingFiles final : public fake::FakeFileSystem {
public:
    bool PathExists(const std::wstring& path) override {
        asked.push_back(path);
        return FakeFileSystem::PathExists(path);
    }
    std::vector<std::wstring> asked;
};

class InstallationScanTest : public ::testing::Test {
protected:
    InstallationScanTest() { files.SetFolder(KnownFolder::System, L"C:\\Windows\\System32"); }

    void TearDown() override {
        EXPECT_EQ(registry.OpenKeys(), 0u);
        EXPECT_EQ(registry.LoadedHives(), 0u);
        // Nothing the scan loaded stays loaded.
        if (!staleHive) {
            EXPECT_FALSE(registry.HasKey(RegistryRoot::Users, L"Software"));
        }
        EXPECT_EQ(redirection.Depth(), 0);
    }

    void AddWindows(wchar_t letter, bool x64) {
        files.AddFile(std::wstring{letter} + L":\\Windows\\system32\\config\\SOFTWARE");
        if (x64) {
            files.AddDirectory(std::wstring{letter} + L":\\Windows\\sysWOW64");
        }
    }
    void RunningSystem(const std::wstring& name, const std::wstring& version) {
        registry.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"ProductName", name);
        registry.SetString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"CurrentVersion",
                           version);
    }

    InstallationTable Scan() { return ScanThrough(registry); }
    InstallationTable ScanThrough(RegistryPort& port) {
        auto claim = DetectionClaim::TryTake(status);
        EXPECT_TRUE(claim.has_value());
        return ScanInstallations(
            *claim, InstallationScanPorts{files, port, redirection, tool, &diagnostics});
    }

    // The drive's SOFTWARE hive as a file the registry API loads (the reg.exe stand-in knows
    // nothing of it).
    void HiveFile(wchar_t letter, const std::wstring& name, const std::wstring& version) {
        const std::wstring path = std::wstring{letter} + L":\\Windows\\System32\\config\\SOFTWARE";
        const std::wstring key = L"Microsoft\\Windows NT\\CurrentVersion";
        registry.SetHiveString(path, key, L"ProductName", name);
        registry.SetHiveString(path, key, L"CurrentVersion", version);
    }

    // Each request's parameters, in order.
    std::vector<std::wstring> Commands() const {
        std::vector<std::wstring> commands;
        for (const ShellRequest& request : tool.requests) {
            commands.push_back(request.parameters);
        }
        return commands;
    }

    RecordingFiles files;
    fake::FakeRegistry registry;
    fake::FakeFsRedirection redirection;
    DetectStatus status;
    RegTool tool{registry, &status.progress};
    fake::FakeDiagnostics diagnostics;
    bool staleHive = false;
};

TEST_F(InstallationScanTest, Running64BitSystemAndOffline32BitSystem) {
    AddWindows(L'C', true);
    AddWindows(L'D', false);
    RunningSystem(L"Windows 7 Ultimate", L"6.1");
    tool.hives[L'D'] = {true, true, L"Microsoft Windows XP", L"5.1"};

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    const WindowsInstall& c = table.at('C');
    EXPECT_EQ(c.displayName, L"Windows 7 Ultimate x64");
    EXPECT_EQ(c.driveLetter, 'C');
    EXPECT_EQ(c.version, 6.1f);
    EXPECT_EQ(c.archBits, 64);
    EXPECT_EQ(c.selected, 0);
    const WindowsInstall& d = table.at('D');
    EXPECT_EQ(d.displayName, L"Microsoft Windows XP x86");
    EXPECT_EQ(d.version, 5.1f);
    EXPECT_EQ(d.archBits, 32);

    // Only D: goes through cmd.exe, with the command lines exactly as reg.exe takes them.
    EXPECT_THAT(Commands(),
                ElementsAre(L"/c reg load hku\\Software D:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software"));
    for (const ShellRequest& request : tool.requests) {
        EXPECT_EQ(request.file, kCmd);
        EXPECT_TRUE(request.wait);
        EXPECT_FALSE(request.show);
        EXPECT_FALSE(request.noUi);
    }
    EXPECT_THAT(registry.Opens(),
                ElementsAre(L"HKU\\Software\\Microsoft\\Windows NT\\CurrentVersion",
                            L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"));
    // The hive files were looked for with redirection off, and it was restored.
    EXPECT_THAT(redirection.Journal(), ElementsAre("disable", "revert 1"));
}

TEST_F(InstallationScanTest, PreinstallationEnvironmentReadsEveryInstallationOffline) {
    files.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
    AddWindows(L'X', false);
    AddWindows(L'C', true);
    AddWindows(L'E', true);
    tool.hives[L'X'] = {true, true, L"Windows PE", L"6.3"};
    tool.hives[L'C'] = {true, true, L"Windows 10 Pro", L"6.3"};
    tool.hives[L'E'] = {true, true, L"Windows 8", L"6.2"};

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at('C').displayName, L"Windows 10 Pro x64");
    EXPECT_EQ(table.at('E').displayName, L"Windows 8 x64");
    for (const std::wstring& path : files.asked) {
        EXPECT_NE(path[0], L'X') << "examined " << std::string(path.begin(), path.end());
    }
    EXPECT_EQ(files.asked.front(), L"Z:\\Windows\\system32\\config\\SOFTWARE");
    EXPECT_THAT(registry.Opens(), ::testing::Each(::testing::StartsWith(L"HKU\\")));
    for (const ShellRequest& request : tool.requests) {
        EXPECT_EQ(request.file, L"\"X:\\Windows\\System32\\cmd.exe\"");
    }
}

TEST_F(InstallationScanTest, OfflineInstallationWithoutProductNameIsLeftOut) {
    AddWindows(L'D', false);
    AddWindows(L'E', false);
    tool.hives[L'D'] = {true, true, std::nullopt, L"6.1"};
    tool.hives[L'E'] = {true, true, L"", L"6.1"};

    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_THAT(Commands(),
                ElementsAre(::testing::HasSubstr(L"load"), L"/c reg unload hku\\Software",
                            ::testing::HasSubstr(L"load"), L"/c reg unload hku\\Software"));
}

TEST_F(InstallationScanTest, RunningSystemWithoutProductNameStillGetsAnEntry) {
    AddWindows(L'C', true);
    registry.AddKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
    registry.SetNonString(RegistryRoot::LocalMachine, kCurrentVersionKey, L"ProductName");

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at('C').displayName, L" x64");
    EXPECT_EQ(table.at('C').version, 0.0f);  // CurrentVersion missing
}

TEST_F(InstallationScanTest, RunningSystemWhoseKeyDoesNotOpenIsSkipped) {
    AddWindows(L'C', false);
    registry.FailOpen(RegistryRoot::LocalMachine, kCurrentVersionKey);
    AddWindows(L'D', false);
    tool.hives[L'D'] = {true, true, L"Windows 7", L"6.1"};

    const InstallationTable table = Scan();

    EXPECT_FALSE(table.contains('C'));
    EXPECT_TRUE(table.contains('D'));
}

TEST_F(InstallationScanTest, HiveIsUnloadedEvenWhenItsKeyDoesNotOpen) {
    // E: comes first (the scan walks down from Z:); its hive loads but lacks the key. Left
    // loaded, it would make the load of D: fail and D: go missing.
    AddWindows(L'E', false);
    AddWindows(L'D', true);
    tool.hives[L'E'] = {true, false, std::nullopt, std::nullopt};
    tool.hives[L'D'] = {true, true, L"Windows 7 Professional", L"6.1"};

    const InstallationTable table = Scan();

    EXPECT_THAT(Commands(),
                ElementsAre(L"/c reg load hku\\Software E:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software",
                            L"/c reg load hku\\Software D:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software"));
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at('D').displayName, L"Windows 7 Professional x64");
}

TEST_F(InstallationScanTest, FailedLoadDoesNotReadSomeoneElsesHive) {
    // Left at HKU\Software by a program that was killed; our load of D: fails because of it.
    staleHive = true;
    registry.SetString(RegistryRoot::Users, kCurrentVersionKey, L"ProductName", L"Stale");
    AddWindows(L'D', false);
    tool.hives[L'D'] = {true, true, L"Windows 7", L"6.1"};

    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_THAT(Commands(), ElementsAre(::testing::HasSubstr(L"reg load")));
    EXPECT_THAT(registry.Opens(), IsEmpty());
}

TEST_F(InstallationScanTest, CmdThatDoesNotStartLoadsNothingAndUnloadsNothing) {
    AddWindows(L'D', false);
    tool.hives[L'D'] = {true, true, L"Windows 7", L"6.1"};
    tool.starts = false;

    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_EQ(tool.requests.size(), 1u);
}

TEST_F(InstallationScanTest, DamagedHiveIsSkipped) {
    AddWindows(L'D', false);
    tool.hives[L'D'] = {false, true, L"Windows 7", L"6.1"};

    EXPECT_THAT(Scan(), IsEmpty());
}

TEST_F(InstallationScanTest, ProgressBeforeEachDrive) {
    files.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
    for (const wchar_t letter : {L'C', L'D', L'E'}) {
        AddWindows(letter, false);
        tool.hives[letter] = {true, true, L"Windows 7", L"6.1"};
    }

    EXPECT_EQ(Scan().size(), 3u);
    // Drives are visited from E: down; the last value written is 66, the caller reports 100.
    EXPECT_THAT(tool.progressAtLoad, ElementsAre(0, 33, 66));
    EXPECT_EQ(status.progress.load(), 66);
}

TEST_F(InstallationScanTest, NoInstallationLeavesProgressAtZero) {
    status.progress = 42;  // from an earlier scan
    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_EQ(status.progress.load(), 0);
    EXPECT_THAT(tool.requests, IsEmpty());
}

TEST_F(InstallationScanTest, LowerCaseSystemFolderStillNamesTheRunningSystem) {
    files.SetFolder(KnownFolder::System, L"c:\\windows\\system32");
    AddWindows(L'C', false);
    RunningSystem(L"Windows 7", L"6.1");

    EXPECT_EQ(Scan().at('C').displayName, L"Windows 7 x86");
    EXPECT_THAT(tool.requests, IsEmpty());
}

// The registry API loads the hive: no process at all, the same key name as reg.exe's, the key
// closed before the unload (the fake refuses an unload while one is open).
TEST_F(InstallationScanTest, RegistryApiLoadsTheHiveWithoutStartingAProcess) {
    AddWindows(L'C', true);
    AddWindows(L'D', false);
    RunningSystem(L"Windows 7 Ultimate", L"6.1");
    HiveFile(L'D', L"Microsoft Windows XP", L"5.1");

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at('D').displayName, L"Microsoft Windows XP x86");
    EXPECT_EQ(table.at('D').version, 5.1f);
    EXPECT_THAT(tool.requests, IsEmpty());
    EXPECT_THAT(registry.HiveCalls(),
                ElementsAre(L"load HKU\\Software D:\\Windows\\System32\\config\\SOFTWARE -> 0",
                            L"unload HKU\\Software -> 0"));
    EXPECT_THAT(registry.Opens(),
                ElementsAre(L"HKU\\Software\\Microsoft\\Windows NT\\CurrentVersion",
                            L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"));
    EXPECT_THAT(diagnostics.Writes(),
                ElementsAre(L"SOFTWARE hive of D: read through 注册表 API\n"));
}

TEST_F(InstallationScanTest, PrivilegeRefusedFallsBackToRegExeWithTodaysCommandLines) {
    AddWindows(L'C', true);
    AddWindows(L'D', false);
    RunningSystem(L"Windows 7 Ultimate", L"6.1");
    HiveFile(L'D', L"Microsoft Windows XP", L"5.1");
    registry.RefuseHiveLoads(HiveLoadStatus::PrivilegeRefused, 1300);
    tool.hives[L'D'] = {true, true, L"Microsoft Windows XP", L"5.1"};

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at('D').displayName, L"Microsoft Windows XP x86");
    EXPECT_THAT(Commands(),
                ElementsAre(L"/c reg load hku\\Software D:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software"));
    for (const ShellRequest& request : tool.requests) {
        EXPECT_EQ(request.file, kCmd);
        EXPECT_TRUE(request.wait);
        EXPECT_FALSE(request.show);
        EXPECT_FALSE(request.noUi);
    }
    EXPECT_THAT(
        diagnostics.Writes(),
        ElementsAre(L"SOFTWARE hive of D: read through reg.exe "
                    L"(SeRestorePrivilege/SeBackupPrivilege not enabled, error code 1300)\n"));
}

TEST_F(InstallationScanTest, LoadRefusedFallsBackToRegExe) {
    AddWindows(L'E', true);
    AddWindows(L'D', false);
    HiveFile(L'E', L"Windows 10 Pro", L"6.3");
    HiveFile(L'D', L"Windows 7", L"6.1");
    registry.RefuseHiveLoads(HiveLoadStatus::LoadRefused, 5);
    tool.hives[L'E'] = {true, true, L"Windows 10 Pro", L"6.3"};
    tool.hives[L'D'] = {true, true, L"Windows 7", L"6.1"};

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at('E').displayName, L"Windows 10 Pro x64");
    EXPECT_THAT(Commands(),
                ElementsAre(L"/c reg load hku\\Software E:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software",
                            L"/c reg load hku\\Software D:\\Windows\\System32\\config\\SOFTWARE",
                            L"/c reg unload hku\\Software"));
    EXPECT_THAT(diagnostics.Writes(),
                ElementsAre(L"SOFTWARE hive of E: read through reg.exe (RegLoadKeyW failed with "
                            L"error code 5)\n",
                            L"SOFTWARE hive of D: read through reg.exe (RegLoadKeyW failed with "
                            L"error code 5)\n"));
}

// Each drive goes its own way, and the diagnostics say which: E:'s hive is not one the registry
// API can load, D:'s is.
TEST_F(InstallationScanTest, DiagnosticsNameTheWayEachDriveWent) {
    AddWindows(L'E', false);
    AddWindows(L'D', false);
    tool.hives[L'E'] = {true, true, L"Windows 8", L"6.2"};
    HiveFile(L'D', L"Windows 7", L"6.1");

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 2u);
    EXPECT_THAT(Commands(), ElementsAre(HasSubstr(L"reg load hku\\Software E:"),
                                        L"/c reg unload hku\\Software"));
    EXPECT_THAT(diagnostics.Writes(),
                ElementsAre(L"SOFTWARE hive of E: read through reg.exe (RegLoadKeyW failed with "
                            L"error code 2)\n",
                            L"SOFTWARE hive of D: read through 注册表 API\n"));
}

TEST_F(InstallationScanTest, FallbackThatFailsTooSaysSo) {
    AddWindows(L'D', false);
    registry.RefuseHiveLoads(HiveLoadStatus::PrivilegeRefused, 1300);
    tool.hives[L'D'] = {false, true, L"Windows 7", L"6.1"};

    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_THAT(Commands(), ElementsAre(HasSubstr(L"reg load")));
    EXPECT_THAT(diagnostics.Text(),
                HasSubstr(L"SOFTWARE hive of D: not loaded: reg load ended with exit code 1\n"));
}

// A hive without the key, then a hive whose key opens: the first is unloaded all the same, or
// the second load would be refused (the key would still be there).
TEST_F(InstallationScanTest, HiveLoadedByTheApiIsUnloadedWhenItsKeyDoesNotOpen) {
    AddWindows(L'E', false);
    AddWindows(L'D', true);
    registry.AddHiveKey(L"E:\\Windows\\System32\\config\\SOFTWARE", L"Microsoft");
    HiveFile(L'D', L"Windows 7 Professional", L"6.1");

    const InstallationTable table = Scan();

    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at('D').displayName, L"Windows 7 Professional x64");
    EXPECT_THAT(tool.requests, IsEmpty());
    EXPECT_THAT(registry.HiveCalls(),
                ElementsAre(L"load HKU\\Software E:\\Windows\\System32\\config\\SOFTWARE -> 0",
                            L"unload HKU\\Software -> 0",
                            L"load HKU\\Software D:\\Windows\\System32\\config\\SOFTWARE -> 0",
                            L"unload HKU\\Software -> 0"));
}

// A registry whose offline keys fail while being read (the reading throws).
class ThrowingReads final : public RegistryPort {
public:
    explicit ThrowingReads(fake::FakeRegistry& inner) : inner_(inner) {}
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) override {
        auto key = inner_.OpenKey(root, subKey);
        return key ? std::make_unique<Key>(std::move(key)) : nullptr;
    }
    HiveLoad LoadHive(RegistryRoot root, const std::wstring& keyName,
                      const std::wstring& hivePath) override {
        return inner_.LoadHive(root, keyName, hivePath);
    }

private:
    class Key final : public RegistryKey {
    public:
        explicit Key(std::unique_ptr<RegistryKey> inner) : inner_(std::move(inner)) {}
        std::wstring ReadString(const std::wstring&) override {
            throw std::runtime_error("read failed");
        }

    private:
        std::unique_ptr<RegistryKey> inner_;
    };
    fake::FakeRegistry& inner_;
};

TEST_F(InstallationScanTest, ReadThatFailsStillUnloadsTheHive) {
    AddWindows(L'D', false);
    HiveFile(L'D', L"Windows 7", L"6.1");
    ThrowingReads throwing(registry);

    EXPECT_THROW(ScanThrough(throwing), std::runtime_error);

    // The key was closed as the failure left the read, then the hive unloaded.
    EXPECT_THAT(registry.HiveCalls(),
                ElementsAre(L"load HKU\\Software D:\\Windows\\System32\\config\\SOFTWARE -> 0",
                            L"unload HKU\\Software -> 0"));
    EXPECT_THAT(tool.requests, IsEmpty());
}

// Someone else's hive at HKU\Software: the API's load is refused, reg.exe's too, and nothing of
// the other hive is read or unloaded.
TEST_F(InstallationScanTest, OccupiedPlaceIsReadByNeitherWay) {
    staleHive = true;
    registry.SetString(RegistryRoot::Users, kCurrentVersionKey, L"ProductName", L"Stale");
    AddWindows(L'D', false);
    HiveFile(L'D', L"Windows 7", L"6.1");
    tool.hives[L'D'] = {true, true, L"Windows 7", L"6.1"};

    EXPECT_THAT(Scan(), IsEmpty());
    EXPECT_THAT(registry.HiveCalls(), ElementsAre(HasSubstr(L"-> 183")));
    EXPECT_THAT(Commands(), ElementsAre(HasSubstr(L"reg load")));
    EXPECT_THAT(registry.Opens(), IsEmpty());
    EXPECT_TRUE(registry.HasKey(RegistryRoot::Users, kCurrentVersionKey));
}

TEST(FakeRegistryHive, UnloadIsRefusedWhileAKeyInItIsOpen) {
    fake::FakeRegistry registry;
    registry.SetHiveString(L"H:\\hive", L"A\\B", L"Name", L"text");
    HiveLoad load = registry.LoadHive(RegistryRoot::Users, L"Loaded", L"h:\\HIVE");
    ASSERT_EQ(load.status, HiveLoadStatus::Loaded);
    auto key = registry.OpenKey(RegistryRoot::Users, L"Loaded\\a\\b");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString(L"name"), L"text");
    EXPECT_EQ(load.hive->Unload(), fake::FakeRegistry::kAccessDenied);
    EXPECT_EQ(registry.LoadedHives(), 1u);
    key.reset();
    load.hive.reset();  // the destructor tries again
    EXPECT_EQ(registry.LoadedHives(), 0u);
    EXPECT_FALSE(registry.HasKey(RegistryRoot::Users, L"Loaded"));
    EXPECT_EQ(registry.LoadHive(RegistryRoot::Users, L"Loaded", L"H:\\other").error,
              fake::FakeRegistry::kFileNotFound);
}

TEST(FindSoftwareHives, WithoutRedirectionFunctionsNothingIsReverted) {
    fake::FakeFileSystem files;
    files.AddFile(L"D:\\Windows\\system32\\config\\SOFTWARE");
    files.AddFile(L"C:\\Windows\\system32\\config\\SOFTWARE");
    fake::FakeFsRedirection redirection(false);

    EXPECT_THAT(FindSoftwareHives(files, redirection), ElementsAre(L"D:", L"C:"));
    EXPECT_THAT(redirection.Journal(), ElementsAre("disable"));
}

TEST(GetSystemDriveText, FirstTwoCharactersOfTheSystemFolder) {
    fake::FakeFileSystem files;
    EXPECT_EQ(GetSystemDriveText(files), L"");
    files.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
    EXPECT_EQ(GetSystemDriveText(files), L"X:");
}

TEST(ParseWindowsVersion, Texts) {
    const struct {
        const wchar_t* text;
        float version;
    } cases[] = {
        {L"6.3", 6.3f},      {L"6.1", 6.1f},  {L"10.0", 10.0f},
        {L"5.1", 5.1f},      {L"", 0.0f},     {L"  6.2", 6.2f},
        {L"6.1.7601", 6.1f}, {L"6", 6.0f},    {L"6.", 6.0f},
        {L".5", 0.5f},       {L"abc", 0.0f},  {L".", 0.0f},
        {L"inf", 0.0f},      {L"nan", 0.0f},  {L"1e5", 1.0f},
        {L"-6.1", 0.0f},     {L"0x10", 0.0f}, {L"99999999999999999999999999", 1e9f},
    };
    for (const auto& c : cases) {
        const std::wstring text = c.text;
        EXPECT_EQ(ParseWindowsVersion(text), c.version) << std::string(text.begin(), text.end());
    }
}

TEST(DetectionClaim, SecondDetectionIsRefusedWhileOneRuns) {
    DetectStatus status;
    auto first = DetectionClaim::TryTake(status);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(status.done);
    EXPECT_FALSE(DetectionClaim::TryTake(status).has_value());

    // Handing the claim to the worker keeps it held.
    std::optional<DetectionClaim> moved(std::move(*first));
    first.reset();
    EXPECT_FALSE(DetectionClaim::TryTake(status).has_value());

    // Done (the ticker stops) is not the end of the claim.
    moved->MarkDone();
    EXPECT_TRUE(status.done);
    EXPECT_FALSE(DetectionClaim::TryTake(status).has_value());

    moved.reset();
    EXPECT_TRUE(DetectionClaim::TryTake(status).has_value());
}

// A reg load that blocks until the test lets it go, so a scan is surely running.
class BlockingLauncher final : public ProcessLauncher {
public:
    ProcessResult StartThroughShell(const ShellRequest&) override {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        return ProcessResult{true, true, 1};
    }
    ProcessResult RunCaptured(const std::wstring&, std::string&) override { return {}; }

    void WaitUntilEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
};

TEST(DetectionClaim, ScanOnAnotherThreadHoldsTheClaim) {
    fake::FakeFileSystem files;
    files.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
    files.AddFile(L"D:\\Windows\\system32\\config\\SOFTWARE");
    fake::FakeRegistry registry;
    fake::FakeFsRedirection redirection;
    BlockingLauncher launcher;
    DetectStatus status;

    auto claim = DetectionClaim::TryTake(status);
    ASSERT_TRUE(claim.has_value());
    std::thread worker([&files, &registry, &redirection, &launcher, held = std::move(*claim)] {
        ScanInstallations(held, InstallationScanPorts{files, registry, redirection, launcher});
        held.MarkDone();
    });
    launcher.WaitUntilEntered();
    EXPECT_FALSE(DetectionClaim::TryTake(status).has_value());
    EXPECT_FALSE(status.done);
    launcher.Release();
    worker.join();

    EXPECT_TRUE(status.done);
    EXPECT_FALSE(status.running);
    EXPECT_TRUE(DetectionClaim::TryTake(status).has_value());
}

}  // namespace
}  // namespace qn
