// The program's repair runs over the simulated machine: the tool command lines and rows they
// give, the backups they leave, and what the machine boots afterwards (the simulation's verdict,
// which knows the truth the program can only read back).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "boot/utf8_text.h"
#include "sim/store_access.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

std::string U(const std::wstring& text) {
    return WideToUtf8(text);
}

std::string Lines(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += "  " + U(line) + "\n";
    }
    return out;
}

std::set<std::wstring> Reachable(const BootVerdict& verdict) {
    std::set<std::wstring> products;
    for (const MenuItem& item : verdict.menu) {
        if (!item.product.empty()) {
            products.insert(item.product);
        }
    }
    return products;
}

std::wstring DefaultProduct(const BootVerdict& verdict) {
    for (const MenuItem& item : verdict.menu) {
        if (item.isDefault) {
            return item.product;
        }
    }
    return {};
}

// What every run must hold to, whatever the machine: honest rows, a log, nothing left behind,
// backups that hold what was there, and a read-back that agrees with what the machine boots.
void CheckRunInvariants(test::SimProgram& program, const RepairOutcome& outcome,
                        const std::map<std::wstring, std::vector<std::uint8_t>>& storesBefore) {
    const auto& rows = outcome.rows;
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[rows.size() - 2], CompletionText(outcome.failedSteps)) << Lines(rows);
    // The checks after the run are the diagnosis's verdict, carried by the last row, not steps.
    const std::size_t failedRows =
        std::count_if(rows.begin(), rows.end() - 2, [](const std::wstring& row) {
            return row.rfind(L"验证: ", 0) != 0 && row.find(L"失败") != std::wstring::npos;
        });
    EXPECT_EQ(static_cast<int>(failedRows), outcome.failedSteps) << Lines(rows);
    for (const SystemCheck& check : outcome.checks) {
        if (!check.bootable) {
            ASSERT_TRUE(outcome.judgment.has_value());
            EXPECT_FALSE(outcome.judgment->boots) << "a check the judgment does not share";
        }
    }
    EXPECT_EQ(program.rowList.rows, rows) << "the window saw other rows than the log";

    SimMachine& machine = program.Machine();
    ASSERT_FALSE(outcome.logPath.empty()) << Lines(rows);
    EXPECT_EQ(rows.back(), L"修复日志: " + outcome.logPath);
    const auto* log = machine.Files().FileBytes(outcome.logPath);
    ASSERT_NE(log, nullptr);
    const std::wstring logText = Utf8ToWide(std::string(log->begin() + 3, log->end()));
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        EXPECT_THAT(logText, HasSubstr(rows[i]));
    }

    for (const std::wstring& path : machine.Files().AllPaths()) {
        EXPECT_THAT(path, Not(HasSubstr(L"kwo_fix.dll"))) << "the message module stayed";
        EXPECT_THAT(path, Not(HasSubstr(L".qn-new"))) << "a half-written file stayed";
    }
    const auto journal = machine.Journal();
    for (const std::wstring& line : journal) {
        if (line.rfind(L"mkdir ", 0) == 0 && line.find(L"\\Temp\\") != std::wstring::npos &&
            line.find(L" exists") == std::wstring::npos) {
            EXPECT_THAT(journal, Contains(L"rmdir " + line.substr(6))) << "work folder left";
        }
    }
    for (const std::wstring& backup : outcome.backups) {
        const auto* bytes = machine.Files().FileBytes(backup);
        ASSERT_NE(bytes, nullptr) << U(backup);
        const std::wstring original = backup.substr(0, backup.rfind(L'_'));
        const auto before = storesBefore.find(original);
        if (before != storesBefore.end()) {
            EXPECT_EQ(*bytes, before->second) << U(backup) << " does not hold the old file";
        }
    }

    // The program's own reading back must agree with what the machine really starts.
    const std::set<std::wstring> reachable = Reachable(machine.Boot());
    for (const SystemCheck& check : outcome.checks) {
        if (!check.certain) {
            continue;  // the run says itself that it cannot tell
        }
        const ScenarioInstall* install = machine.InstallAt(static_cast<wchar_t>(check.letter));
        ASSERT_NE(install, nullptr);
        EXPECT_EQ(check.bootable, reachable.count(install->productName) == 1)
            << U(check.name) << ": " << U(check.reason) << "\n"
            << U(machine.Boot().problem);
    }
}

// Every store and boot.ini on a lettered volume now, by path, to compare backups with.
std::map<std::wstring, std::vector<std::uint8_t>> BootFilesNow(SimMachine& machine) {
    std::map<std::wstring, std::vector<std::uint8_t>> files;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
        for (const wchar_t* file :
             {L"\\Boot\\BCD", L"\\EFI\\Microsoft\\Boot\\BCD", L"\\boot.ini"}) {
            const std::wstring path = std::wstring(1, letter) + L":" + file;
            if (const auto* bytes = machine.Files().FileBytes(path)) {
                files[path] = *bytes;
            }
        }
    }
    return files;
}

struct AutomaticCase {
    const char* scenario;
    int failedSteps;
    bool boots;
    const wchar_t* defaultProduct;
    std::set<std::wstring> reachable;
};

TEST(RepairEngine, AutomaticRepairOnEveryScenario) {
    const AutomaticCase cases[] = {
        {"demo.xml",
         0,
         true,
         L"Windows 7 Ultimate",
         {L"Windows 7 Ultimate", L"Windows 10 Pro", L"Microsoft Windows XP"}},
        {"deleted_bcd.xml", 0, true, L"Windows 7 Professional", {L"Windows 7 Professional"}},
        // bcdboot cannot copy to a full ESP, and a zero-byte boot manager stays: both said.
        {"full_esp.xml", 1, false, L"", {}},
        // A 32-bit Windows on a GPT disk is never chosen: nothing to repair, nothing changed.
        {"gpt_x86.xml", 1, false, L"", {}},
        {"grub_mbr.xml", 0, true, L"Windows 7 Home Premium", {L"Windows 7 Home Premium"}},
        {"missing_entry.xml", 0, true, L"Windows 7 Enterprise", {L"Windows 7 Enterprise"}},
        // NTFS ESP: bcdboot and the menu setting that needs its store fail.
        {"ntfs_esp.xml", 2, false, L"", {}},
        {"raw_volume.xml", 0, true, L"Windows 7 Ultimate", {L"Windows 7 Ultimate"}},
        {"two_active.xml", 0, true, L"Windows 7 Ultimate", {L"Windows 7 Ultimate"}},
        {"two_same_windows.xml", 0, true, L"Windows 7 Ultimate", {L"Windows 7 Ultimate"}},
        {"uefi_installed.xml", 0, true, L"Windows 10 Pro", {L"Windows 10 Pro"}},
        {"uefi_winpe.xml", 0, true, L"Windows 10 Pro", {L"Windows 10 Pro"}},
        {"wiped_mbr.xml", 0, true, L"Windows 10 Home", {L"Windows 10 Home"}},
        {"xp_and_7.xml",
         0,
         true,
         L"Windows 7 Ultimate",
         {L"Windows 7 Ultimate", L"Microsoft Windows XP"}},
        {"xp_only.xml", 0, true, L"Microsoft Windows XP", {L"Microsoft Windows XP"}},
    };
    for (const AutomaticCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        test::SimProgram program(test::ScenarioFile(c.scenario));
        const std::set<std::wstring> before = Reachable(program.Machine().Boot());
        const auto stores = BootFilesNow(program.Machine());
        const RepairOutcome outcome = program.Run(program.AutomaticRequest());
        const BootVerdict after = program.Machine().Boot();
        EXPECT_EQ(outcome.failedSteps, c.failedSteps) << Lines(outcome.rows);
        EXPECT_EQ(after.boots, c.boots) << U(after.problem);
        EXPECT_EQ(DefaultProduct(after), c.defaultProduct);
        EXPECT_EQ(Reachable(after), c.reachable);
        for (const std::wstring& product : before) {
            EXPECT_EQ(Reachable(after).count(product), 1u)
                << U(product) << " booted before the repair and no longer does";
        }
        CheckRunInvariants(program, outcome, stores);
    }
}

TEST(RepairEngine, SevenOnTheActivePartitionAndXpBesideIt) {
    // Windows 7 on C: (the active partition of MBR disk 0) and XP on D:.
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    const auto commands = program.ToolCommands();
    // One read of the store after bcdboot decides the rest: bcdboot already put its entry last
    // (the only one) and made it the default, so neither is set again; nothing is read twice.
    ASSERT_EQ(commands.size(), 12u) << Lines(commands);
    const std::wstring enumerate = L"W\\bcdedit.exe ";
    const std::wstring id = commands[3].substr(commands[3].find(L'{'), 38);
    const std::vector<std::wstring> expected = {
        L"\"W\\bcdedit.exe\" /export \"C:\\Boot\\BCD_20261208103000\" -> 0",
        L"\"W\\bcdboot.exe\" C:\\Windows /s C: /f BIOS /l zh-CN -> 0",
        enumerate + L"/store C:\\Boot\\BCD /enum all /v -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set " + id +
            L" description \"Windows 7 Ultimate x64\" -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /timeout 3 -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set {bootmgr} GraphicsResolution 1024x768 -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /create {ntldr} /d \"Microsoft Windows XP x86\" "
        L"-> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set {ntldr} path \\ntldr -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set {ntldr} device partition=C: -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set {ntldr} locale zh-CN -> 0",
        L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /displayorder {ntldr} /addlast -> 0",
        // The boot code last, once what it starts is in place.
        L"\"W\\bootsect.exe\" /nt60 C: /mbr -> 0",
    };
    EXPECT_EQ(commands, expected);
    EXPECT_THAT(outcome.rows,
                ElementsAre(L"分区表类型为 MBR", L"修复引导至激活分区 C:",
                            L"备份 C: 的引导文件以便撤销......完成",
                            L"已导出系统 BCD 存储至 C:\\Boot\\BCD_20261208103000",
                            L"正在修复: C: Windows 7 Ultimate x64......成功",
                            L"已备份 C:\\boot.ini 至 C:\\boot.ini_20261208103000",
                            L"正在修复: D:Microsoft Windows XP x86......成功",
                            L"写入 NT6 引导代码至 C: 及其磁盘的主引导记录......成功（警告: "
                            L"无法锁定该卷，写入可能不可靠: "
                            L"拒绝访问。）",
                            L"验证: C: Windows 7 Ultimate x64 可以启动（默认启动项）",
                            L"验证: D: Microsoft Windows XP x86 可以启动", L"修复完成!",
                            L"修复日志: C:\\Users\\Administrator\\Desktop\\"
                            L"QNBootRepair_20261208103000.log"));
    EXPECT_EQ(outcome.backups, (std::vector<std::wstring>{L"C:\\Boot\\BCD_20261208103000",
                                                          L"C:\\boot.ini_20261208103000"}));
    // boot.ini on C: names XP by its place on the disk, as default, and keeps the old line.
    const auto* ini = program.Machine().Files().FileBytes(L"C:\\boot.ini");
    ASSERT_NE(ini, nullptr);
    const std::string text(ini->begin(), ini->end());
    EXPECT_THAT(text, HasSubstr("default=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\r\n"));
    EXPECT_THAT(text, HasSubstr("multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"Microsoft Windows "
                                "XP x86\" /noexecute=optin /fastdetect /noexecute=alwaysoff\r\n"));
    EXPECT_EQ(program.Machine().Files().AttributesOf(L"C:\\boot.ini"), 7u);
    EXPECT_EQ(program.Machine().Files().AttributesOf(L"C:\\ntldr"), 7u);
    const BootVerdict verdict = program.Machine().Boot();
    ASSERT_EQ(verdict.menu.size(), 2u);
    EXPECT_EQ(verdict.menu[0].product, L"Windows 7 Ultimate");
    EXPECT_TRUE(verdict.menu[0].isDefault);
    EXPECT_EQ(verdict.menu[1].product, L"Microsoft Windows XP");
    EXPECT_EQ(verdict.timeout, 3);
}

// Two systems of one edition would show one name twice: each line gets its drive letter, and
// each line starts its own system.
TEST(RepairEngine, TwinSystemsAreToldApartByTheirLettersInTheMenu) {
    test::SimProgram program(test::ScenarioFile("two_same_windows.xml"));
    ASSERT_EQ(program.installations.size(), 2u);
    ASSERT_EQ(program.installations['C'].displayName, program.installations['D'].displayName);
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    EXPECT_EQ(outcome.rows[outcome.rows.size() - 2], L"修复完成!");
    const BootVerdict verdict = program.Machine().Boot();
    ASSERT_TRUE(verdict.boots) << U(verdict.problem);
    ASSERT_EQ(verdict.menu.size(), 2u) << VerdictJson(verdict);
    EXPECT_EQ(verdict.menu[0].text, L"Windows 7 Ultimate x64 (C:)");
    EXPECT_EQ(verdict.menu[0].disk, 0);
    EXPECT_EQ(verdict.menu[0].partition, 1);
    EXPECT_TRUE(verdict.menu[0].isDefault);
    EXPECT_EQ(verdict.menu[1].text, L"Windows 7 Ultimate x64 (D:)");
    EXPECT_EQ(verdict.menu[1].disk, 0);
    EXPECT_EQ(verdict.menu[1].partition, 2);
    EXPECT_FALSE(verdict.menu[1].isDefault);
    // The check after the repair reads the names back and tells the user which line is whose.
    EXPECT_THAT(
        outcome.rows,
        Contains(L"验证: C: Windows 7 Ultimate x64 可以启动（默认启动项），启动菜单中显示为 "
                 L"“Windows 7 Ultimate x64 (C:)”"))
        << Lines(outcome.rows);
    EXPECT_THAT(outcome.rows,
                Contains(L"验证: D: Windows 7 Ultimate x64 可以启动，启动菜单中显示为 "
                         L"“Windows 7 Ultimate x64 (D:)”"));
    ASSERT_EQ(outcome.checks.size(), 2u);
    EXPECT_EQ(outcome.checks[0].menuText, L"Windows 7 Ultimate x64 (C:)");
    EXPECT_EQ(outcome.checks[1].menuText, L"Windows 7 Ultimate x64 (D:)");
    CheckRunInvariants(program, outcome, {});
}

// A twin whose name could not be set shows bcdboot's own: the check after the repair says so.
TEST(RepairEngine, AMenuLineThatDoesNotReadAsWrittenIsNamed) {
    Scenario scenario = test::ScenarioFile("two_same_windows.xml");
    scenario.failures.push_back(
        {L"bcdedit", L"*description*(D:)*", 1, L"The parameter is incorrect.", 0});
    test::SimProgram program(scenario);
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_EQ(outcome.failedSteps, 1) << Lines(outcome.rows);
    EXPECT_THAT(outcome.rows, Contains(L"正在修复: D: Windows 7 Ultimate x64......失败 bcdedit.exe "
                                       L"退出码 1: The parameter is incorrect."));
    EXPECT_THAT(outcome.rows,
                Contains(L"验证: D: Windows 7 Ultimate x64 可以启动，但启动菜单中显示为 “Windows "
                         L"7”，应为 “Windows 7 Ultimate x64 (D:)”"))
        << Lines(outcome.rows);
    const BootVerdict verdict = program.Machine().Boot();
    ASSERT_EQ(verdict.menu.size(), 2u) << VerdictJson(verdict);
    EXPECT_EQ(verdict.menu[1].text, L"Windows 7");
    EXPECT_EQ(verdict.menu[1].partition, 2);
    CheckRunInvariants(program, outcome, {});
}

// The same for systems older than Vista: their boot.ini lines.
TEST(RepairEngine, TwinOlderSystemsAreToldApartInBootIni) {
    test::SimProgram program(test::ScenarioText(R"(<machine firmware="bios" winpe="true">
  <disk number="0" style="mbr" size="80G" mbr="nt52">
    <partition offset="32K" length="30G" active="true" letter="C" pbr="ntldr">
      <file path="\ntldr"/>
      <file path="\NTDETECT.COM"/>
      <bootini timeout="30" default="multi(0)disk(0)rdisk(0)partition(1)\WINDOWS">
        <os arc="multi(0)disk(0)rdisk(0)partition(1)\WINDOWS"
            text="Microsoft Windows XP Professional" switches="/fastdetect"/>
      </bootini>
      <windows product="Microsoft Windows XP" version="5.1" arch="x86"/>
    </partition>
    <partition offset="30721M" length="30G" letter="D">
      <windows product="Microsoft Windows XP" version="5.1" arch="x86"/>
    </partition>
  </disk>
</machine>)"));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_FALSE(outcome.bcdEngine);
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    const BootVerdict verdict = program.Machine().Boot();
    ASSERT_TRUE(verdict.boots) << U(verdict.problem);
    ASSERT_EQ(verdict.menu.size(), 2u) << VerdictJson(verdict);
    EXPECT_EQ(verdict.menu[0].text, L"Microsoft Windows XP x86 (C:)");
    EXPECT_EQ(verdict.menu[0].partition, 1);
    EXPECT_TRUE(verdict.menu[0].isDefault);
    EXPECT_EQ(verdict.menu[1].text, L"Microsoft Windows XP x86 (D:)");
    EXPECT_EQ(verdict.menu[1].partition, 2);
    EXPECT_THAT(outcome.rows,
                Contains(L"验证: D: Microsoft Windows XP x86 可以启动，启动菜单中显示为 "
                         L"“Microsoft Windows XP x86 (D:)”"))
        << Lines(outcome.rows);
    CheckRunInvariants(program, outcome, {});
}

TEST(RepairEngine, OnlyOlderSystemsAndNoStoreTakeTheLegacyLoaderWithoutBcdedit) {
    test::SimProgram program(test::ScenarioFile("xp_only.xml"));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_FALSE(outcome.bcdEngine);
    EXPECT_THAT(program.ToolCommands(), ElementsAre(L"\"W\\bootsect.exe\" /nt52 C: /mbr -> 0"));
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    EXPECT_EQ(DefaultProduct(program.Machine().Boot()), L"Microsoft Windows XP");
}

TEST(RepairEngine, OnlyOlderSystemsOnAPartitionThatBootsThroughAStoreChainToNtldr) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.installations['C'].selected = 0;  // XP alone is chosen
    const RepairOutcome outcome = program.Run(request);
    EXPECT_TRUE(outcome.bcdEngine);
    const auto commands = program.ToolCommands();
    const auto has = [&](const wchar_t* what) {
        return std::any_of(commands.begin(), commands.end(), [&](const std::wstring& line) {
            return line.find(what) != std::wstring::npos;
        });
    };
    EXPECT_TRUE(has(L"bootsect.exe\" /nt60 C: /mbr")) << Lines(commands);
    EXPECT_TRUE(has(L"/export"));
    EXPECT_FALSE(has(L"bcdboot.exe")) << "no Vista-or-later system to repair";
    EXPECT_FALSE(has(L"/default"));
    EXPECT_TRUE(has(L"GraphicsResolution"));
    EXPECT_TRUE(has(L"/create {ntldr}"));
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    EXPECT_EQ(Reachable(program.Machine().Boot()).count(L"Microsoft Windows XP"), 1u);
}

TEST(RepairEngine, TheUncheckedSystemIsLeftAlone) {
    test::SimProgram program(test::ScenarioFile("demo.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.installations['D'].selected = 0;
    request.installations['E'].selected = 0;
    const RepairOutcome outcome = program.Run(request);
    for (const std::wstring& line : program.ToolCommands()) {
        EXPECT_THAT(line, Not(HasSubstr(L"E:\\Windows"))) << U(line);
        EXPECT_THAT(line, Not(HasSubstr(L"{ntldr}"))) << U(line);
    }
    EXPECT_FALSE(program.Machine().Files().PathExists(L"F:\\boot.ini"));
    EXPECT_EQ(outcome.checks.size(), 1u);
    EXPECT_EQ(Reachable(program.Machine().Boot()), std::set<std::wstring>{L"Windows 7 Ultimate"});
}

TEST(RepairEngine, ARawBootLetterIsNotTakenForMbr) {
    // F: spans two disks: its style reads Raw. The run then goes the GPT way (and says so),
    // without boot code or a look for boot files; the machine boots from disk 0 as before.
    test::SimProgram program(test::ScenarioFile("raw_volume.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.boot = program.BootPartitionOf('F');
    const RepairOutcome outcome = program.Run(request);
    EXPECT_EQ(outcome.rows[0], L"分区表类型为 GPT");
    const auto commands = program.ToolCommands();
    ASSERT_FALSE(commands.empty());
    for (const std::wstring& line : commands) {
        EXPECT_THAT(line, Not(HasSubstr(L"bootsect"))) << U(line);
    }
    // F: is NTFS, which UEFI firmware cannot read: bcdboot refuses, and says so.
    EXPECT_THAT(commands,
                Contains(L"\"W\\bcdboot.exe\" C:\\Windows /s F: /f UEFI /l zh-CN -> 1005"));
    EXPECT_THAT(outcome.rows,
                Contains(HasSubstr(L"bcdboot.exe 退出码 1005（卷不包含可识别的文件系统）: "
                                   L"尝试复制启动文件时失败。")));
    EXPECT_GT(outcome.failedSteps, 0);
    EXPECT_THAT(commands, Contains(HasSubstr(L"/store F:\\Boot\\BCD ")));
    EXPECT_TRUE(program.Machine().Boot().boots);
    EXPECT_EQ(DefaultProduct(program.Machine().Boot()), L"Windows 7 Ultimate");
}

// bcdboot with /s leaves the firmware's entries alone; the repair puts Windows Boot Manager into
// the firmware's boot order itself, through the system store when it lives on the repaired ESP:
// first when nothing says otherwise, last (and only when missing) when another system starts
// first. Without a system store to go through, the row says the fallback loader starts Windows.
TEST(RepairEngine, TheFirmwareGetsItsWindowsBootManagerEntryBack) {
    struct Case {
        const char* name;
        Scenario scenario;
        std::vector<std::wstring> orderAfter;
        const wchar_t* command;  // the bcdedit change, or null
        const wchar_t* row;
    };
    Scenario grubOnly = test::ScenarioFile("uefi_grub_first.xml");
    grubOnly.firmwareEntries.pop_back();  // Windows Boot Manager's entry is gone
    const Case cases[] = {
        {"entries reset",
         test::ScenarioFile("uefi_entries_reset.xml"),
         {L"Windows Boot Manager"},
         L"/set {fwbootmgr} displayorder {bootmgr} /addfirst -> 0",
         L"固件没有 Windows Boot Manager 启动项，已将它加到固件启动顺序的第一位"},
        {"another system first",
         grubOnly,
         {L"ubuntu", L"Windows Boot Manager"},
         L"/set {fwbootmgr} displayorder {bootmgr} /addlast -> 0",
         L"固件没有 Windows Boot Manager 启动项，已将它加到固件启动顺序的最后"},
        {"Windows PE, no system store",
         test::ScenarioFile("uefi_winpe.xml"),
         {},
         nullptr,
         L"无法读取固件的启动项（没有系统 BCD 存储），未检查 Windows Boot Manager 启动项；没有它时"
         L"固件从 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SimProgram program(c.scenario);
        const RepairOutcome outcome = program.Run(program.AutomaticRequest());
        EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
        const auto commands = program.ToolCommands();
        const bool changed = std::any_of(commands.begin(), commands.end(), [](const auto& line) {
            return line.find(L"{fwbootmgr}") != std::wstring::npos;
        });
        EXPECT_EQ(changed, c.command != nullptr);
        if (c.command != nullptr) {
            EXPECT_THAT(commands, Contains(HasSubstr(c.command)));
        }
        EXPECT_THAT(outcome.rows, Contains(HasSubstr(c.row))) << Lines(outcome.rows);
        std::vector<std::wstring> order;
        for (const FirmwareEntry& entry : program.Machine().FirmwareEntries()) {
            order.push_back(entry.description);
        }
        EXPECT_EQ(order, c.orderAfter);
        const BootVerdict verdict = program.Machine().Boot();
        EXPECT_EQ(verdict.boots, order.empty() || order.front() != L"ubuntu") << U(verdict.problem);
        EXPECT_EQ(outcome.after.boots, verdict.boots) << "the diagnosis agrees";
    }
}

TEST(RepairEngine, AnEspWithoutALetterIsRepairedThroughTheSystemStore) {
    // An installed Windows 10 whose ESP the mount pass could not letter: bcdboot finds the
    // firmware's system partition itself, the system store is exported to the desktop.
    test::SimProgram program(test::ScenarioText(R"(<machine firmware="uefi">
  <disk number="0" style="gpt" size="256G">
    <partition offset="1M" length="100M" gpttype="esp" fs="FAT32">
      <file path="\EFI\Microsoft\Boot\bootmgfw.efi"/>
      <bcd>
        <bootmgr device="self" path="\EFI\Microsoft\Boot\bootmgfw.efi"
                 description="Windows Boot Manager" locale="zh-CN" timeout="30"/>
      </bcd>
    </partition>
    <partition offset="117M" length="200G" gpttype="basic" letter="C">
      <windows product="Windows 10 Pro" version="6.3" arch="x64" running="true"/>
    </partition>
  </disk>
  <bootentry description="Windows Boot Manager" partition="0:1"
             path="\EFI\Microsoft\Boot\bootmgfw.efi"/>
</machine>)"));
    ASSERT_FALSE(program.Machine().Boot().boots);
    RepairRequest request = program.AutomaticRequest();
    request.boot = program.BootPartitionOf(kEspWithoutLetter);
    const RepairOutcome outcome = program.Run(request);
    const auto commands = program.ToolCommands();
    EXPECT_THAT(commands,
                Contains(L"\"W\\bcdedit.exe\" /export "
                         L"\"C:\\Users\\Administrator\\Desktop\\BCD_20261208103000\" -> 0"));
    EXPECT_THAT(commands, Contains(L"\"W\\bcdboot.exe\" C:\\Windows /l zh-CN -> 0"));
    for (const std::wstring& line : commands) {
        EXPECT_THAT(line, Not(HasSubstr(L"/store"))) << U(line);
        EXPECT_THAT(line, Not(HasSubstr(L"bootsect"))) << U(line);
    }
    EXPECT_EQ(outcome.rows[1], L"修复引导至激活分区 ESP:");
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    EXPECT_EQ(DefaultProduct(program.Machine().Boot()), L"Windows 10 Pro");
}

TEST(RepairEngine, ClearingInWindowsPeDeletesTheStoreOnlyAfterItsCopy) {
    test::SimProgram program(test::ScenarioFile("uefi_winpe.xml"));
    const auto before = BootFilesNow(program.Machine());
    RepairRequest request = program.AutomaticRequest();
    request.clearExisting = true;
    const RepairOutcome outcome = program.Run(request);
    const auto journal = program.Machine().Journal();
    const auto at = [&](const std::wstring& line) {
        return std::find(journal.begin(), journal.end(), line) - journal.begin();
    };
    const std::wstring store = L"S:\\EFI\\Microsoft\\Boot\\BCD";
    EXPECT_LT(at(L"copy " + store + L" " + store + L"_20261208103000"), at(L"del " + store));
    EXPECT_EQ(*program.Machine().Files().FileBytes(store + L"_20261208103000"), before.at(store));
    EXPECT_THAT(outcome.rows, Contains(L"已删除原有的 " + store));
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    EXPECT_EQ(DefaultProduct(program.Machine().Boot()), L"Windows 10 Pro");
}

TEST(RepairEngine, ClearingWithABackupThatFailsClearsNothing) {
    test::SimProgram program(test::ScenarioFile("uefi_winpe.xml"));
    const std::wstring store = L"S:\\EFI\\Microsoft\\Boot\\BCD";
    const auto before = BootFilesNow(program.Machine());
    program.Machine().Files().FailCreateFile(store + L"_20261208103000");
    RepairRequest request = program.AutomaticRequest();
    request.clearExisting = true;
    const RepairOutcome outcome = program.Run(request);
    EXPECT_THAT(outcome.rows, Contains(L"备份 " + store + L"......失败 无法复制该文件"));
    EXPECT_THAT(outcome.rows, Contains(L"没有备份，未清除原有启动项"));
    EXPECT_THAT(program.Machine().Journal(), Not(Contains(L"del " + store)));
    EXPECT_NE(outcome.rows[outcome.rows.size() - 2], L"修复完成!");
    EXPECT_TRUE(program.Machine().Boot().boots);
}

struct InjectedFailure {
    const char* what;
    const char* scenario;
    ScenarioFailure failure;
    const wchar_t* row;  // a row that must say what failed
};

TEST(RepairEngine, AFailingToolIsReportedAndTheMachineIsNeverLeftWorse) {
    const InjectedFailure cases[] = {
        {"bcdboot fails",
         "demo.xml",
         {L"bcdboot", L"C:\\Windows*", 1, L"Failure when attempting to copy boot files.", 1},
         L"正在修复: C: Windows 7 Ultimate x64......失败 bcdboot.exe 退出码 1: Failure when "
         L"attempting to copy boot files."},
        {"bcdedit cannot open the store",
         "xp_and_7.xml",
         {L"bcdedit", L"/store*", 1, L"The boot configuration data store could not be opened.", 0},
         L"正在修复: C: Windows 7 Ultimate x64......失败 bcdedit.exe 退出码 1: The boot "
         L"configuration data store could not be opened."},
        {"bootsect cannot lock the volume",
         "wiped_mbr.xml",
         {L"bootsect", L"*", 1, L"Could not lock the volume.", 1},
         L"写入 NT6 引导代码至 D: 及其磁盘的主引导记录......失败 bootsect.exe 退出码 1: Could "
         L"not lock the volume."},
    };
    for (const InjectedFailure& c : cases) {
        SCOPED_TRACE(c.what);
        Scenario scenario = test::ScenarioFile(c.scenario);
        scenario.failures.push_back(c.failure);
        test::SimProgram program(scenario);
        const std::set<std::wstring> before = Reachable(program.Machine().Boot());
        const auto stores = BootFilesNow(program.Machine());
        const RepairOutcome outcome = program.Run(program.AutomaticRequest());
        EXPECT_THAT(outcome.rows, Contains(c.row)) << Lines(outcome.rows);
        EXPECT_GT(outcome.failedSteps, 0);
        EXPECT_NE(outcome.rows[outcome.rows.size() - 2], L"修复完成!");
        for (const std::wstring& product : before) {
            EXPECT_EQ(Reachable(program.Machine().Boot()).count(product), 1u) << U(product);
        }
        CheckRunInvariants(program, outcome, stores);
    }
}

TEST(RepairEngine, AToolNeitherCarriedNorOnTheSystemIsAFailedStepThatNamesIt) {
    // Windows PE ships bcdboot; an installed Windows has no bootsect and here no bcdboot either.
    Scenario scenario = test::ScenarioFile("wiped_mbr.xml");
    scenario.systemTools = std::vector<std::wstring>{L"bcdedit"};
    test::SimProgram program(scenario);
    program.Resources().Add(kResBcdboot, kBinResourceType, {});
    program.Resources().Add(kResBootsect, kBinResourceType, {});
    program.Resources().Add(kResBcdedit, kBinResourceType, {});
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"失败 缺少 bcdboot.exe")));
    // Nothing was repaired: the old boot code stays rather than starting nothing new.
    EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"失败 没有系统修复成功，保留原有的引导代码")));
    EXPECT_THAT(outcome.rows, Contains(HasSubstr(L"程序未内置 bcdedit.exe，使用系统中的 ")))
        << Lines(outcome.rows);
    EXPECT_FALSE(program.Machine().Boot().boots) << "the MBR is still wiped";
}

TEST(RepairEngine, NothingToRepairEndsAtOnceWithTheButtonsBack) {
    test::SimProgram program(test::ScenarioFile("demo.xml"));
    RepairRequest request = program.AutomaticRequest();
    request.installations.clear();
    const RepairOutcome outcome = program.Run(request);
    EXPECT_FALSE(outcome.engineRan);
    EXPECT_THAT(outcome.rows[1], L"没有找到系统分区，修复失败");
    EXPECT_THAT(program.ToolCommands(), IsEmpty());
    EXPECT_EQ(outcome.failedSteps, 1);
}

struct MbrCase {
    const char* scenario;
    MbrRepairKind kind;
    const wchar_t* command;
    bool boots;
    const wchar_t* warning;  // bootsect could not lock the volume (the running system uses it)
};

// In Windows PE the log goes to the repaired system's drive; when that cannot take it, to PE's
// own desktop, and the row says it is gone at the next start.
TEST(RepairEngine, ALogThatCannotGoWhereItBelongsGoesToTheNextPlace) {
    test::SimProgram program(test::ScenarioFile("uefi_winpe.xml"));
    const std::wstring desktop = program.Machine().Files().FolderPath(KnownFolder::Desktop);
    ASSERT_FALSE(desktop.empty());
    program.Machine().Files().AddDirectory(desktop);
    program.Machine().Files().FailCreateFile(L"C:\\QNBootRepair_20261208103000.log");
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_EQ(outcome.logPath, desktop + L"\\QNBootRepair_20261208103000.log");
    EXPECT_EQ(outcome.rows.back(), L"修复日志: " + outcome.logPath +
                                       L"（在 Windows PE 的内存盘上，重启后丢失，请先复制）");
    EXPECT_TRUE(program.Machine().Files().PathExists(outcome.logPath));

    // Nowhere to write: the last resort says so.
    test::SimProgram nowhere(test::ScenarioFile("uefi_winpe.xml"));
    nowhere.Machine().Files().FailCreateFile(L"C:\\QNBootRepair_20261208103000.log");
    const RepairOutcome lost = nowhere.Run(nowhere.AutomaticRequest());
    EXPECT_EQ(lost.logPath, L"");
    EXPECT_EQ(lost.rows.back(), L"修复日志无法保存");
}

TEST(MbrRepair, EachKindWritesItsBootCode) {
    const MbrCase cases[] = {
        // The system partition holds the running system's store: open, so it cannot be locked.
        {"wiped_mbr.xml", MbrRepairKind::Mbr, L"\"W\\bootsect.exe\" /nt60 D: /mbr -> 0", true,
         L"Access is denied."},
        {"grub_mbr.xml", MbrRepairKind::Mbr, L"\"W\\bootsect.exe\" /nt60 C: /mbr -> 0", true,
         L"拒绝访问。"},
        // The demo's reserved partition holds an NT5 boot record: NT6 code brings bootmgr back.
        {"demo.xml", MbrRepairKind::Nt6Pbr, L"\"W\\bootsect.exe\" /nt60 F: -> 0", true,
         L"拒绝访问。"},
        {"xp_and_7.xml", MbrRepairKind::Nt5Pbr, L"\"W\\bootsect.exe\" /nt52 C: -> 0", true,
         L"拒绝访问。"},
        // boot.ini alone on the partition: its disk gets NT5 code; nothing runs from it.
        {"xp_only.xml", MbrRepairKind::Mbr, L"\"W\\bootsect.exe\" /nt52 C: /mbr -> 0", false,
         nullptr},
    };
    for (const MbrCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        test::SimProgram program(test::ScenarioFile(c.scenario));
        const BootPartition boot = program.bootPartitions.begin()->second;
        const RepairOutcome outcome =
            program.RunMbr(MbrRepairRequest{boot, c.kind, program.Machine().WinPE()});
        EXPECT_THAT(program.ToolCommands(), ElementsAre(c.command));
        ASSERT_EQ(outcome.rows.size(), 5u) << Lines(outcome.rows);
        EXPECT_EQ(outcome.rows[0], L"分区表类型为: MBR");
        EXPECT_EQ(outcome.rows[1], MbrRepairLine(MbrRepairRequest{boot, c.kind, false}) + L"成功!" +
                                       (c.warning ? L"（警告: 无法锁定该卷，写入可能不可靠: " +
                                                        std::wstring(c.warning) + L"）"
                                                  : std::wstring()));
        EXPECT_EQ(outcome.logText.find(L"未能锁定该卷就写入了引导代码") != std::wstring::npos,
                  c.warning != nullptr);
        // The code was written; whether that made the machine start is the diagnosis's word.
        const BootVerdict verdict = program.Machine().Boot();
        EXPECT_EQ(verdict.boots, c.boots) << U(verdict.problem);
        EXPECT_THAT(outcome.rows[2],
                    StartsWith(c.boots ? L"验证: 默认启动项为 " : L"验证: 默认启动项 "));
        if (c.boots) {
            EXPECT_EQ(outcome.rows[3], L"修复完成!");
        } else {
            EXPECT_THAT(outcome.rows[3], StartsWith(L"修复未完成：boot.ini 的默认项"));
        }
        EXPECT_EQ(RunPassed(outcome), c.boots);
    }
}

// A GPT disk has no boot code to repair: bootsect would leave its protective MBR as it is and say
// it succeeded, so the run says so before anything, and changes nothing.
TEST(MbrRepair, AGptDiskIsRefusedBeforeAnythingChanges) {
    for (MbrRepairKind kind : {MbrRepairKind::Mbr, MbrRepairKind::Nt6Pbr}) {
        test::SimProgram program(test::ScenarioFile("uefi_installed.xml"));
        const auto sector0 = program.Machine().DiskSector0(0);
        const std::size_t journal = program.Machine().Journal().size();
        const std::string verdict = VerdictJson(program.Machine().Boot());
        const RepairOutcome outcome =
            program.RunMbr(MbrRepairRequest{program.BootPartitionOf('C'), kind, false});
        EXPECT_TRUE(program.ToolCommands().empty());
        ASSERT_GE(outcome.rows.size(), 3u);
        EXPECT_EQ(outcome.rows[0], L"分区表类型为: GPT");
        EXPECT_EQ(outcome.rows[1], L"GPT硬盘不需要修复主引导与分区引导，未做任何更改");
        EXPECT_EQ(outcome.rows[2], L"修复未完成：1 个步骤失败");
        EXPECT_TRUE(outcome.undoRecord.empty());
        EXPECT_EQ(program.Machine().DiskSector0(0), sector0);
        const std::vector<std::wstring> after = program.Machine().Journal();
        for (std::size_t i = journal; i < after.size(); ++i) {
            const std::wstring& line = after[i];
            EXPECT_EQ(line.find(L"bootsect"), std::wstring::npos);
            EXPECT_NE(line.rfind(L"write sectors", 0), 0u);
        }
        EXPECT_EQ(VerdictJson(program.Machine().Boot()), verdict);
    }
}

TEST(MbrRepair, AFailedBootsectIsNotReportedAsSuccess) {
    Scenario scenario = test::ScenarioFile("wiped_mbr.xml");
    scenario.failures.push_back({L"bootsect", L"*", 2, L"Could not lock the volume.", 0});
    test::SimProgram program(scenario);
    const RepairOutcome outcome =
        program.RunMbr(MbrRepairRequest{program.BootPartitionOf('D'), MbrRepairKind::Mbr, false});
    EXPECT_EQ(outcome.rows[1],
              L"正在修复激活分区 D: 所属硬盘的MBR主引导......失败 bootsect.exe 退出码 2: Could "
              L"not lock the volume.");
    EXPECT_EQ(outcome.rows[2], L"修复未完成：1 个步骤失败");
    EXPECT_FALSE(program.Machine().Boot().boots);
}

}  // namespace
}  // namespace qn::sim

namespace qn::sim {
namespace {

// A repair run again over a machine it already repaired sets nothing that is so already: the
// timeout, the resolution and the chain to ntldr stay as the first run left them, the store is
// read once per bcdboot, and the machine boots as it did.
TEST(RepairEngine, ASecondRunSetsOnlyWhatIsNotSoAlready) {
    struct Case {
        const char* scenario;
        std::size_t bcdboots;
    };
    for (const Case& c : {Case{"xp_and_7.xml", 1}, Case{"demo.xml", 2}}) {
        SCOPED_TRACE(c.scenario);
        test::SimProgram program(test::ScenarioFile(c.scenario));
        ASSERT_EQ(program.Run(program.AutomaticRequest()).failedSteps, 0);
        const std::size_t first = program.ToolCommands().size();
        const std::set<std::wstring> reachable = Reachable(program.Machine().Boot());

        ASSERT_EQ(program.Run(program.AutomaticRequest()).failedSteps, 0);
        const auto commands = program.ToolCommands();
        EXPECT_LT(commands.size(), first);
        std::size_t reads = 0;
        for (const std::wstring& command : commands) {
            reads += command.find(L"/enum all /v") != std::wstring::npos ? 1 : 0;
            for (const wchar_t* done :
                 {L"/timeout", L"GraphicsResolution", L"/set {ntldr}", L"/create {ntldr}"}) {
                EXPECT_EQ(command.find(done), std::wstring::npos) << WideToUtf8(command);
            }
        }
        EXPECT_EQ(reads, c.bcdboots);
        const BootVerdict after = program.Machine().Boot();
        EXPECT_TRUE(after.boots);
        EXPECT_EQ(after.timeout, 3);
        EXPECT_EQ(Reachable(after), reachable);
    }
}

}  // namespace
}  // namespace qn::sim

namespace qn::sim {
namespace {

// An {ntldr} entry an earlier tool left without path or device is no whole entry of the menu,
// but it exists: creating it again only fails. It is brought up to date instead and XP boots.
TEST(RepairEngine, AnIncompleteNtldrEntryIsReusedNotCreatedAgain) {
    std::ifstream file(QN_SOURCE_DIR "/sim/scenarios/xp_and_7.xml", std::ios::binary);
    std::string xml((std::istreambuf_iterator<char>(file)), {});
    const std::string storeEnd = "      </bcd>";
    ASSERT_NE(xml.find(storeEnd), std::string::npos);
    xml.insert(xml.find(storeEnd), "        <ntldr description=\"Earlier XP\"/>\n");
    test::SimProgram program(test::ScenarioText(xml));
    const RepairOutcome outcome = program.Run(program.AutomaticRequest());
    EXPECT_EQ(outcome.failedSteps, 0) << Lines(outcome.rows);
    const auto commands = program.ToolCommands();
    for (const std::wstring& command : commands) {
        EXPECT_EQ(command.find(L"/create {ntldr}"), std::wstring::npos) << WideToUtf8(command);
    }
    EXPECT_THAT(commands, Contains(L"\"W\\bcdedit.exe\" /store C:\\Boot\\BCD /set {ntldr} "
                                   L"description \"Microsoft Windows XP x86\" -> 0"));
    EXPECT_EQ(Reachable(program.Machine().Boot()).count(L"Microsoft Windows XP"), 1u);
}

}  // namespace
}  // namespace qn::sim
