// A Windows of Vista or later stays one when its loader is gone: the diagnosis dates an
// installation by what a deleted winload.exe leaves, and says the loader is missing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnosis_sim_support.h"

namespace qn::sim {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A BIOS machine whose System Reserved partition starts the Windows on C: (given as body).
Scenario WithWindows(const std::string& windows) {
    return test::ScenarioText(
        "<machine firmware='bios' winpe='true'><disk number='0' size='250G'>"
        "<partition offset='1M' length='100M' active='true'><file path='\\bootmgr'/>"
        "<bcd><bootmgr device='self' default='w' displayorder='w' timeout='30'/>"
        "<osloader name='w' description='Windows 7' device='0:2' "
        "path='\\Windows\\system32\\winload.exe' osdevice='0:2' systemroot='\\Windows'/></bcd>"
        "</partition><partition offset='101M' length='100G' letter='C'>" +
        windows + "</partition></disk></machine>");
}

constexpr char kGone[] = "<deleted path='\\Windows\\System32\\winload.exe'/>";

TEST(DiagnosisVistaMarkers, ADeletedWinloadLeavesAWindows7AWindows7) {
    struct Case {
        const char* name;
        std::string windows;
        bool beforeVista;
    };
    const std::string noTemplate = "<deleted path='\\Windows\\System32\\config\\BCD-Template'/>";
    // Each marker alone is enough.
    const Case cases[] = {
        {"winload.efi",
         "<windows product='Windows 7 Ultimate' version='6.1' bootfiles='false'/>" +
             std::string(kGone) + noTemplate,
         false},
        {"\\Windows\\Boot",
         "<windows product='Windows 7 Home Basic' version='6.1' arch='x86'/>" + std::string(kGone) +
             noTemplate,
         false},
        {"the store template",
         "<windows product='Windows 7 Starter' version='6.1' arch='x86' bootfiles='false'/>" +
             std::string(kGone),
         false},
        {"Windows XP", "<windows product='Microsoft Windows XP' version='5.1' arch='x86'/>", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DiagnosisSession session(WithWindows(c.windows));
        // Found by its files (the start page), and by the scan with the registry's version.
        for (const bool withScan : {false, true}) {
            SCOPED_TRACE(withScan ? "scan" : "files");
            const BootDiagnosis d = session.Diagnose(withScan);
            ASSERT_EQ(d.installations.size(), 1u);
            const InstallationDiagnosis& system = d.installations[0];
            EXPECT_EQ(system.beforeVista, c.beforeVista);
            EXPECT_FALSE(system.bootable);
            EXPECT_FALSE(d.boots);
            EXPECT_EQ(d.boots, session.Machine().Boot().boots);
            if (!c.beforeVista) {
                EXPECT_THAT(system.name, Not(HasSubstr(L"Vista 以前")));
                EXPECT_EQ(system.reason,
                          L"它的启动加载器 C:\\Windows\\System32\\winload.exe 不存在或已损坏"
                          L"（启动时会报告 winload.exe 丢失或损坏）");
            }
        }
    }
}

// The reason names the loader first and keeps what else is broken on the way.
TEST(DiagnosisVistaMarkers, TheReasonNamesTheLoaderBeforeTheRoadsProblem) {
    test::DiagnosisSession session(
        test::ScenarioText("<machine firmware='bios' winpe='true'><disk number='0' size='250G'>"
                           "<partition offset='1M' length='100G' active='true' letter='C'>"
                           "<windows product='Windows 7 Ultimate' version='6.1'/>" +
                           std::string(kGone) + "</partition></disk></machine>"));
    const BootDiagnosis d = session.Diagnose(false);
    ASSERT_EQ(d.installations.size(), 1u);
    EXPECT_EQ(d.installations[0].reason,
              L"它的启动加载器 C:\\Windows\\System32\\winload.exe 不存在或已损坏（启动时会报告 "
              L"winload.exe 丢失或损坏）；激活分区缺少 bootmgr");
}

// A version the scan could not read (no CurrentVersion) is taken from the files, not as XP's.
TEST(DiagnosisVistaMarkers, AnUnreadVersionIsDatedByTheFiles) {
    test::DiagnosisSession session(
        WithWindows("<windows product='Windows 7 Ultimate' version=''/>"
                    "<file path='\\Windows\\System32\\config\\BCD-Template'/>"));
    ASSERT_EQ(session.Program().installations.size(), 1u);
    ASSERT_EQ(session.Program().installations.begin()->second.version, 0.0f);
    const BootDiagnosis d = session.Diagnose(true);
    ASSERT_EQ(d.installations.size(), 1u);
    EXPECT_FALSE(d.installations[0].beforeVista);
    EXPECT_THAT(d.installations[0].reason, HasSubstr(L"winload.exe 不存在"));
}

TEST(DiagnosisVistaMarkers, TheScenarioOfADeletedWinload) {
    test::DiagnosisSession session(test::ScenarioFile("win7_winload_missing.xml"));
    const BootVerdict verdict = session.Machine().Boot();
    EXPECT_FALSE(verdict.boots);
    EXPECT_THAT(verdict.problem, HasSubstr(L"names a loader that is missing"));
    const BootDiagnosis d = session.Diagnose(false);
    EXPECT_FALSE(d.boots);
    EXPECT_THAT(d.problem, HasSubstr(L"winload.exe 不存在"));
    ASSERT_EQ(d.installations.size(), 1u);
    EXPECT_FALSE(d.installations[0].beforeVista);
    EXPECT_EQ(d.installations[0].name, L"C: 上的 Windows");
}

}  // namespace
}  // namespace qn::sim
