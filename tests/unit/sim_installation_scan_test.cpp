// The installation scan on the simulated demo machine (three installations: the running
// Windows 7 on C:, XP on D: and Windows 10 on E: offline): how many processes it starts, by
// the registry API and by the reg.exe fallback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "disk/detect_status.h"
#include "disk/installation_scan.h"
#include "platform/fake/fake_diagnostics.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DemoScan : public ::testing::Test {
protected:
    DemoScan() : machine(test::ScenarioFile("demo.xml")) {}

    // Scans, and counts the processes the scan started.
    std::size_t Scan() {
        DetectStatus status;
        auto claim = DetectionClaim::TryTake(status);
        EXPECT_TRUE(claim.has_value());
        const std::size_t before = machine->ToolRuns().size();
        table = ScanInstallations(
            *claim,
            InstallationScanPorts{machine->FilesForProgram(), machine->Registry(),
                                  machine->Redirection(), machine->Processes(), &diagnostics});
        return machine->ToolRuns().size() - before;
    }

    std::size_t JournalLines(const std::wstring& start) {
        const auto journal = machine->Journal();
        return static_cast<std::size_t>(
            std::count_if(journal.begin(), journal.end(),
                          [&](const std::wstring& l) { return l.rfind(start, 0) == 0; }));
    }

    void ExpectEveryInstallation() {
        ASSERT_EQ(table.size(), 3u);
        EXPECT_EQ(table.at('C').displayName, L"Windows 7 Ultimate x64");
        EXPECT_EQ(table.at('D').displayName, L"Microsoft Windows XP x86");
        EXPECT_EQ(table.at('E').displayName, L"Windows 10 Pro x64");
        EXPECT_FALSE(machine->Registry().HasKey(RegistryRoot::Users, L"Software"));
        EXPECT_EQ(machine->Registry().OpenKeys(), 0u);
        EXPECT_EQ(machine->Registry().LoadedHives(), 0u);
    }

    test::Machine machine;
    fake::FakeDiagnostics diagnostics;
    InstallationTable table;
};

TEST_F(DemoScan, RegistryApiStartsNoProcess) {
    EXPECT_EQ(Scan(), 0u);
    ExpectEveryInstallation();
    EXPECT_EQ(JournalLines(L"api reg load hku\\Software "), 2u);
    EXPECT_EQ(JournalLines(L"api reg unload hku\\Software -> 0"), 2u);
    EXPECT_EQ(JournalLines(L"run "), 0u);
    EXPECT_THAT(diagnostics.Writes(),
                ElementsAre(L"SOFTWARE hive of E: read through 注册表 API\n",
                            L"SOFTWARE hive of D: read through 注册表 API\n"));
}

// Before the registry API, and still where it is refused: reg load and reg unload for each
// offline installation.
TEST_F(DemoScan, RefusedRegistryApiFallsBackToRegExe) {
    machine->Registry().RefuseHiveLoads(HiveLoadStatus::PrivilegeRefused, 1300);
    EXPECT_EQ(Scan(), 4u);
    ExpectEveryInstallation();
    EXPECT_EQ(JournalLines(L"api reg"), 0u);
    const auto runs = machine->ToolRuns();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_THAT(runs[0].arguments, ElementsAre(L"/c", L"reg", L"load", L"hku\\Software",
                                               L"E:\\Windows\\System32\\config\\SOFTWARE"));
    EXPECT_THAT(runs[1].arguments, ElementsAre(L"/c", L"reg", L"unload", L"hku\\Software"));
    EXPECT_THAT(diagnostics.Text(), HasSubstr(L"SOFTWARE hive of E: read through reg.exe"));
    EXPECT_THAT(diagnostics.Text(), HasSubstr(L"SOFTWARE hive of D: read through reg.exe"));
}

TEST(SimRegistry, RefusesWhatWindowsRefuses) {
    test::Machine machine(test::ScenarioFile("demo.xml"));
    SimRegistry& registry = machine->Registry();
    // The running system's own hive is open already; no installation on F:.
    EXPECT_EQ(
        registry
            .LoadHive(RegistryRoot::Users, L"Software", L"C:\\Windows\\System32\\config\\SOFTWARE")
            .error,
        SimRegistry::kSharingViolation);
    EXPECT_EQ(
        registry
            .LoadHive(RegistryRoot::Users, L"Software", L"F:\\Windows\\System32\\config\\SOFTWARE")
            .error,
        SimRegistry::kFileNotFound);
    HiveLoad first = registry.LoadHive(RegistryRoot::Users, L"Software",
                                       L"d:\\windows\\system32\\config\\software");
    ASSERT_EQ(first.status, HiveLoadStatus::Loaded);
    // A second load at the same place fails, by either way.
    EXPECT_EQ(
        registry
            .LoadHive(RegistryRoot::Users, L"Software", L"E:\\Windows\\System32\\config\\SOFTWARE")
            .error,
        SimRegistry::kAlreadyExists);
    EXPECT_EQ(machine
                  .Shell(L"C:\\Windows\\System32\\cmd.exe",
                         L"/c reg load hku\\Software E:\\Windows\\System32\\config\\SOFTWARE")
                  .exitCode,
              1u);
    {
        const auto key = registry.OpenKey(RegistryRoot::Users, kCurrentVersionKey);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->ReadString(L"ProductName"), L"Microsoft Windows XP");
        EXPECT_EQ(first.hive->Unload(), SimRegistry::kAccessDenied) << "a key is open";
    }
    first.hive.reset();
    EXPECT_FALSE(registry.HasKey(RegistryRoot::Users, L"Software"));
    const auto journal = machine->Journal();
    EXPECT_EQ(journal.back(), L"api reg unload hku\\Software -> 0");
}

}  // namespace
}  // namespace qn::sim
