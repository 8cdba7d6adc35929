// A one-time next boot, the firmware's (BootNext, {fwbootmgr}'s bootsequence) and the boot
// manager's ({bootmgr}'s bootsequence), is tried once before the order: the diagnosis says it and
// judges the next start by it, as the simulated machine starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnosis/diagnosis_log.h"
#include "diagnosis_sim_support.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

bool HasLink(const BootDiagnosis& d, const std::wstring& start) {
    for (const std::wstring& link : d.chain) {
        if (link.rfind(start, 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(OneTimeBoot, TheFirmwaresNextBootIsTriedBeforeItsOrder) {
    struct Case {
        const char* file;
        bool boots;
        std::size_t order;       // entries in the boot order
        const wchar_t* link;     // the chain's link of the next boot
        const wchar_t* problem;  // a part of it; empty when it boots
    };
    const Case cases[] = {
        // A foreign loader starts once: not Windows, though the order is fine.
        {"uefi_next_boot_grub.xml", false, 1, L"下次启动（仅一次）: 启动项 \"ubuntu\" (",
         L"固件下次启动（仅一次）的是启动项 \"ubuntu\""},
        // A loader that cannot be loaded is passed over: the order starts Windows.
        {"uefi_next_boot_dead.xml", true, 2, L"下次启动（仅一次）: 启动项 \"Recovery Tool\": ",
         L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::DiagnosisSession session(test::ScenarioFile(c.file));
        const BootVerdict verdict = session.Machine().Boot();
        EXPECT_EQ(verdict.boots, c.boots) << testing::PrintToString(verdict.problem);
        const BootDiagnosis d = session.Diagnose();
        EXPECT_EQ(d.boots, c.boots);
        ASSERT_EQ(d.firmwareBootSequence.size(), 1u);
        EXPECT_EQ(d.firmwareOrder.size(), c.order);
        EXPECT_TRUE(HasLink(d, c.link)) << testing::PrintToString(d.chain);
        if (c.boots) {
            EXPECT_THAT(d.problem, IsEmpty());
            EXPECT_TRUE(HasLink(d, L"固件启动: 启动项 \"Windows Boot Manager\""));
        } else {
            EXPECT_THAT(d.problem, HasSubstr(c.problem));
        }
    }
    test::DiagnosisSession grub(test::ScenarioFile("uefi_next_boot_grub.xml"));
    EXPECT_THAT(DiagnosisLogLines(grub.Diagnose()),
                Contains(L"下次启动（仅一次）: ubuntu (\\EFI\\ubuntu\\shimx64.efi)"));
}

// The boot manager runs the first entry of its one-time sequence that its store has: a Windows
// entry decides the start instead of the default; a tool runs and the default follows.
TEST(OneTimeBoot, TheBootManagersSequenceDecidesTheNextStart) {
    auto machine = [](const std::string& manager) {
        return test::ScenarioText(
            "<machine firmware='bios' winpe='true'><disk number='0' size='250G'>"
            "<partition offset='1M' length='100M' active='true'><file path='\\bootmgr'/>"
            "<file path='\\boot\\memtest.exe'/>"
            "<bcd><bootmgr device='self' timeout='30' " +
            manager +
            "/><osloader name='w7' description='Windows 7' device='0:2' "
            "path='\\Windows\\system32\\winload.exe' osdevice='0:2' systemroot='\\Windows'/>"
            "<osloader name='dead' description='Windows 10' device='missing' "
            "path='\\Windows\\system32\\winload.exe' osdevice='0:2' systemroot='\\Windows'/>"
            "<memdiag name='md' device='self' path='\\boot\\memtest.exe' "
            "description='Windows Memory Diagnostic'/></bcd></partition>"
            "<partition offset='101M' length='100G' letter='C'>"
            "<windows product='Windows 7 Ultimate' version='6.1'/></partition>"
            "</disk></machine>");
    };
    struct Case {
        const char* name;
        std::string manager;
        bool boots;
        const wchar_t* link;  // empty: no link of a next boot
        const wchar_t* problem;
    };
    const Case cases[] = {
        {"a dead entry once", "default='w7' displayorder='w7 dead' bootsequence='dead'", false,
         L"下次启动（仅一次）: 启动项 \"Windows 10\"",
         L"下次启动（仅一次）的启动项 \"Windows 10\" 的 device 指向"},
        {"a good entry once, the default dead",
         "default='dead' displayorder='w7 dead' bootsequence='w7'", true,
         L"下次启动（仅一次）: 启动项 \"Windows 7\"", L""},
        {"the memory tester once", "default='w7' displayorder='w7' bootsequence='md'", true,
         L"下次启动（仅一次）: 启动项 \"Windows Memory Diagnostic\"，之后按默认启动项启动", L""},
        {"an entry the store lacks is skipped",
         "default='w7' displayorder='w7' "
         "bootsequence='{11111111-2222-4333-8444-555555555555} dead'",
         false, L"下次启动（仅一次）: 启动项 \"Windows 10\"", L"下次启动（仅一次）"},
        {"none", "default='w7' displayorder='w7'", true, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::DiagnosisSession session(machine(c.manager));
        const BootVerdict verdict = session.Machine().Boot();
        EXPECT_EQ(verdict.boots, c.boots) << testing::PrintToString(verdict.problem);
        const BootDiagnosis d = session.Diagnose();
        EXPECT_EQ(d.boots, c.boots);
        EXPECT_EQ(HasLink(d, L"下次启动（仅一次）"), *c.link != 0);
        if (*c.link != 0) {
            EXPECT_TRUE(HasLink(d, c.link)) << testing::PrintToString(d.chain);
        }
        if (c.boots) {
            EXPECT_THAT(d.problem, IsEmpty());
        } else {
            EXPECT_THAT(d.problem, HasSubstr(c.problem));
        }
        // The menu after that one start is the display order's.
        ASSERT_FALSE(d.menu.empty());
        EXPECT_EQ(d.menu.front().description, L"Windows 7");
    }
}

}  // namespace
}  // namespace qn::sim
