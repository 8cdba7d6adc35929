// DiagnoseBoot's links one by one, on small simulated machines: what it reads, the first broken
// link in the user's words, what it says of each installation, and the log lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnosis/diagnosis_log.h"
#include "diagnosis_sim_support.h"
#include "platform/fake/fake_firmware_port.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// An MBR disk 0 with a System Reserved partition (given to the tests as body) and Windows 7 on C:.
Scenario Bios(const std::string& reserved, const std::string& disk = "",
              const std::string& extra = "") {
    return test::ScenarioText(
        "<machine firmware='bios'><disk number='0' size='250G'" + disk + ">" + reserved +
        "<partition offset='101M' length='100G' letter='C'>"
        "<windows product='Windows 7 Ultimate' version='6.1' arch='x64' running='true'/>"
        "</partition>" +
        extra + "</disk></machine>");
}

constexpr char kStore[] =
    "<bcd><bootmgr device='self' path='\\bootmgr' default='win7' displayorder='win7' "
    "timeout='30'/><osloader name='win7' description='Windows 7' device='0:2' "
    "path='\\Windows\\system32\\winload.exe' osdevice='0:2' systemroot='\\Windows'/></bcd>";

std::string Reserved(const std::string& attributes, const std::string& body) {
    return "<partition offset='1M' length='100M' active='true' " + attributes + ">" + body +
           "</partition>";
}

struct Judged {
    BootDiagnosis diagnosis;
    BootVerdict verdict;
};

Judged Judge(const Scenario& scenario) {
    test::DiagnosisSession session(scenario);
    return {session.Diagnose(), session.Machine().Boot()};
}

TEST(DiagnoseBoot, AHealthyMachineBootsAndSaysSo) {
    const Judged j = Judge(Bios(Reserved("", "<file path='\\bootmgr'/>" + std::string(kStore))));
    EXPECT_TRUE(j.verdict.boots);
    EXPECT_TRUE(j.diagnosis.boots);
    EXPECT_EQ(DiagnosisStatus(j.diagnosis), L"引导正常");
    EXPECT_EQ(j.diagnosis.firmware, FirmwareMode::Bios);
    ASSERT_EQ(j.diagnosis.installations.size(), 1u);
    EXPECT_TRUE(j.diagnosis.installations[0].bootable);
    EXPECT_TRUE(j.diagnosis.installations[0].isDefault);
    EXPECT_EQ(j.diagnosis.timeout, 30);
    ASSERT_EQ(j.diagnosis.disks.size(), 1u);
    EXPECT_EQ(j.diagnosis.disks[0].mbrCode, MbrCodeKind::Nt6);
    EXPECT_TRUE(j.diagnosis.disks[0].bootSignature);
    EXPECT_EQ(j.diagnosis.disks[0].activeCount, 1);
    EXPECT_EQ(j.diagnosis.disks[0].activeLetter, j.diagnosis.bootLetter);
    const VolumeDiagnosis* boot = FindVolume(j.diagnosis, j.diagnosis.bootLetter);
    ASSERT_NE(boot, nullptr);
    EXPECT_TRUE(boot->active);
    EXPECT_EQ(boot->bootRecord, BootRecordKind::Bootmgr);
    EXPECT_EQ(boot->files.bootmgr, FilePresence::Present);
    EXPECT_EQ(boot->files.bcd, FilePresence::Present);
    EXPECT_EQ(boot->files.ntldr, FilePresence::Missing);
}

TEST(DiagnoseBoot, EachBrokenLinkOfTheBiosRoadInWords) {
    struct Case {
        const char* name;
        Scenario scenario;
        const wchar_t* problem;
    };
    const std::string manager = "<file path='\\bootmgr'/>" + std::string(kStore);
    const Case cases[] = {
        // Without an EFI system partition: with one, the disks would say the machine starts the
        // UEFI way.
        {"GPT boot disk",
         test::ScenarioText("<machine><disk number='0' style='gpt' size='100G'><partition "
                            "offset='1M' length='100M' gpttype='basic' fs='NTFS'/></disk>"
                            "</machine>"),
         L"磁盘0 是 GPT 磁盘，BIOS 无法从它启动 Windows"},
        {"no active partition",
         Bios("<partition offset='1M' length='100M' letter='D'>" + manager + "</partition>"),
         L"磁盘0 没有激活分区"},
        {"two active partitions",
         Bios(Reserved("", manager), "",
              "<partition offset='200G' length='10G' active='true' letter='E'/>"),
         L"磁盘0 有多个激活分区（主引导记录会报告 \"Invalid partition table\"）"},
        {"other MBR code", Bios(Reserved("", manager), " mbr='other'"),
         L"磁盘0 主引导记录是其他引导程序的代码，不是 Windows 的"},
        {"BitLocker on the active partition", Bios(Reserved("pbr='bitlocker'", manager)),
         L"激活分区已被 BitLocker 加密，它的引导记录无法启动系统"},
        {"GRUB in the boot record", Bios(Reserved("pbr='grub'", manager)),
         L"激活分区的引导记录是 GRUB 的引导代码：开机启动的是 GRUB，不是 Windows 的引导程序"},
        {"no boot code", Bios(Reserved("pbr='none'", manager)), L"激活分区的引导记录没有引导代码"},
        {"other boot code", Bios(Reserved("pbr='other'", manager)),
         L"激活分区的引导记录是其他引导代码，不是 Windows 的"},
        {"bootmgr of zero bytes",
         Bios(Reserved("", "<file path='\\bootmgr' image='empty'/>" + std::string(kStore))),
         L"激活分区的 bootmgr 已损坏（0 字节）"},
        {"bootmgr missing", Bios(Reserved("", kStore)), L"激活分区缺少 bootmgr"},
        {"a store that cannot be read",
         Bios(Reserved("", "<file path='\\bootmgr'/><file path='\\Boot\\BCD' image='other'/>")),
         L"激活分区的 \\Boot\\BCD 无法读取"},
        {"NTDETECT.COM missing", Bios(Reserved("pbr='ntldr'", "<file path='\\ntldr'/>")),
         L"激活分区缺少 NTDETECT.COM"},
        {"boot.ini missing",
         Bios(Reserved("pbr='ntldr'", "<file path='\\ntldr'/><file path='\\NTDETECT.COM'/>")),
         L"激活分区缺少 boot.ini"},
        {"an entry on a partition without Windows",
         Bios(Reserved("",
                       "<file path='\\bootmgr'/><bcd><bootmgr device='self' "
                       "path='\\bootmgr' default='w' displayorder='w'/><osloader "
                       "name='w' description='Windows 7' device='0:1' "
                       "path='\\Windows\\system32\\winload.exe' osdevice='0:1' "
                       "systemroot='\\Windows'/></bcd>")),
         nullptr},
        {"a UEFI loader in a BIOS store",
         Bios(Reserved("",
                       "<file path='\\bootmgr'/><bcd><bootmgr device='self' "
                       "path='\\bootmgr' default='w' displayorder='w'/><osloader "
                       "name='w' description='Windows 7' device='0:2' "
                       "path='\\Windows\\system32\\winload.efi' osdevice='0:2' "
                       "systemroot='\\Windows'/></bcd>")),
         L"默认启动项启动的是 \\Windows\\system32\\winload.efi，BIOS 启动管理器无法运行它"},
        {"no default",
         Bios(Reserved("",
                       "<file path='\\bootmgr'/><bcd><bootmgr device='self' "
                       "path='\\bootmgr' displayorder='w'/><osloader name='w' "
                       "description='Windows 7' device='0:2' "
                       "path='\\Windows\\system32\\winload.exe' osdevice='0:2' "
                       "systemroot='\\Windows'/></bcd>")),
         L"启动管理器没有默认启动项"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Judged j = Judge(c.scenario);
        EXPECT_FALSE(j.verdict.boots);
        EXPECT_FALSE(j.diagnosis.boots);
        if (c.problem != nullptr) {
            EXPECT_EQ(j.diagnosis.problem, c.problem);
        }
        EXPECT_EQ(DiagnosisStatus(j.diagnosis), j.diagnosis.problem);
    }
    const Judged none =
        Judge(Bios(Reserved("",
                            "<file path='\\bootmgr'/><bcd><bootmgr device='self' path='\\bootmgr' "
                            "default='w' displayorder='w'/><osloader name='w' "
                            "description='Windows 7' device='0:1' "
                            "path='\\Windows\\system32\\winload.exe' osdevice='0:1' "
                            "systemroot='\\Windows'/></bcd>")));
    EXPECT_THAT(none.diagnosis.problem, HasSubstr(L"默认启动项指向的分区 "));
    EXPECT_THAT(none.diagnosis.problem, HasSubstr(L" 没有 Windows"));
    ASSERT_EQ(none.diagnosis.installations.size(), 1u);
    EXPECT_EQ(none.diagnosis.installations[0].reason, L"启动菜单中没有它的启动项");
}

TEST(DiagnoseBoot, WhatItCannotReadItSays) {
    const Scenario scenario = Bios(Reserved("", "<file path='\\bootmgr'/>" + std::string(kStore)));
    {
        test::DiagnosisSession session(scenario);
        session.Machine().Storage().Drive(0).sectors.source = nullptr;  // reads fail
        const BootDiagnosis d = session.Diagnose();
        EXPECT_EQ(d.problem, L"无法读取磁盘0 的主引导记录");
        EXPECT_FALSE(d.disks[0].sectorRead);
        EXPECT_EQ(d.installations[0].reason, d.problem);
    }
    {
        test::DiagnosisSession session(scenario);
        SimMachine& machine = session.Machine();
        machine.Storage().Drive(0).sectors.source = [&machine](std::uint64_t first,
                                                               std::uint32_t count) {
            auto bytes = machine.ReadDiskSectors(0, first, count);
            if (bytes && first == 0) {
                (*bytes)[511] = 0;  // no 55 AA
            }
            return bytes;
        };
        EXPECT_EQ(session.Diagnose().problem,
                  L"磁盘0 主引导记录缺少结束标志 55AA，BIOS 不会运行它");
    }
    {
        test::DiagnosisSession session(scenario);
        fake::FakeFirmwarePort firmware(FirmwareMode::Bios);
        DiagnosisPorts ports = session.Ports(firmware, L"");  // no bcdedit
        const BootDiagnosis d = DiagnoseBoot(ports, &session.Program().installations);
        EXPECT_EQ(d.problem, L"无法读取激活分区的 \\Boot\\BCD（没有 bcdedit.exe）");
        EXPECT_FALSE(d.menuReached);
    }
    {
        test::DiagnosisSession session(scenario);
        fake::FakeFirmwarePort firmware(FirmwareMode::Unknown);
        DiagnosisPorts ports = session.Ports(firmware, session.Tool(CarriedTool::Bcdedit));
        const BootDiagnosis d = DiagnoseBoot(ports, nullptr);
        EXPECT_EQ(d.chain.front(), L"固件: 未知（按 BIOS 判断）");
        EXPECT_TRUE(d.boots);
        EXPECT_EQ(firmware.Queries(), 1);
    }
}

// The program runs from a stick that is gone at the next start: a removable disk 0 is passed over
// (the scenario's BIOS starts disk 1, as the machine does without the stick).
TEST(DiagnoseBoot, ARemovableFirstDiskIsPassedOver) {
    const Scenario scenario = test::ScenarioText(
        "<machine bootdisk='1' winpe='true'><disk number='0' size='16G' removable='true' "
        "mbr='grub'><partition offset='1M' length='15G' active='true' letter='U'/></disk>"
        "<disk number='1' size='250G'><partition offset='1M' length='100M' active='true'>"
        "<file path='\\bootmgr'/><bcd><bootmgr device='self' path='\\bootmgr' default='w' "
        "displayorder='w'/><osloader name='w' description='Windows 7' device='1:2' "
        "path='\\Windows\\system32\\winload.exe' osdevice='1:2' systemroot='\\Windows'/>"
        "</bcd></partition><partition offset='101M' length='100G' letter='C'><windows "
        "product='Windows 7 Ultimate' version='6.1' arch='x64'/></partition></disk></machine>");
    const Judged j = Judge(scenario);
    EXPECT_TRUE(j.verdict.boots) << testing::PrintToString(j.verdict.problem);
    EXPECT_TRUE(j.diagnosis.boots) << testing::PrintToString(j.diagnosis.problem);
    EXPECT_TRUE(j.diagnosis.disks[0].removable);
    EXPECT_EQ(j.diagnosis.chain[1], L"BIOS 从磁盘1 启动（编号最小的固定磁盘）");
}

TEST(DiagnoseBoot, BootIniAndTheChainToNtldr) {
    // boot.ini without a default: ntldr starts partition(1) of the first disk.
    const Scenario xp = test::ScenarioText(
        "<machine><disk number='0' size='80G' mbr='nt52'><partition offset='32K' length='60G' "
        "active='true' letter='C' pbr='ntldr'><file path='\\ntldr'/><file "
        "path='\\NTDETECT.COM'/><bootini timeout='5'><os "
        "arc='multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS' text='XP'/></bootini><windows "
        "product='Microsoft Windows XP' version='5.1' arch='x86' running='true'/></partition>"
        "</disk></machine>");
    const Judged j = Judge(xp);
    EXPECT_TRUE(j.verdict.boots);
    EXPECT_TRUE(j.diagnosis.boots);
    EXPECT_EQ(j.diagnosis.menuSource, MenuSource::BootIni);
    EXPECT_EQ(j.diagnosis.menuFile, L"C:\\boot.ini");
    EXPECT_EQ(j.diagnosis.timeout, 5);
    ASSERT_EQ(j.diagnosis.menu.size(), 1u);
    // No default line: ntldr's own fallback, partition(1), which is this line.
    EXPECT_TRUE(j.diagnosis.menu[0].isDefault);
    EXPECT_TRUE(j.verdict.menu[0].isDefault);
    EXPECT_TRUE(j.diagnosis.installations[0].bootable);
    EXPECT_TRUE(j.diagnosis.installations[0].beforeVista);

    // A store's {ntldr} entry whose partition lacks ntldr.
    const Judged chain = Judge(Bios(Reserved(
        "",
        "<file path='\\bootmgr'/><bcd><bootmgr device='self' path='\\bootmgr' default='xp' "
        "displayorder='xp'/><ntldr name='xp' description='Windows XP' device='self' "
        "path='\\ntldr'/></bcd>")));
    EXPECT_FALSE(chain.verdict.boots);
    EXPECT_THAT(chain.diagnosis.problem, HasSubstr(L"默认启动项链接到 ntldr，但 "));
    EXPECT_THAT(chain.diagnosis.problem, HasSubstr(L" 缺少 ntldr"));
}

TEST(DiagnoseBoot, TheUefiRoad) {
    // An installed Windows: the system store shows the firmware's order.
    test::DiagnosisSession session(test::ScenarioFile("uefi_grub_first.xml"));
    const BootDiagnosis d = session.Diagnose();
    EXPECT_EQ(d.firmware, FirmwareMode::Uefi);
    ASSERT_TRUE(d.firmwareOrderKnown);
    ASSERT_EQ(d.firmwareOrder.size(), 2u);
    EXPECT_EQ(d.firmwareOrder[0].description, L"ubuntu");
    EXPECT_EQ(d.firmwareOrder[0].path, L"\\EFI\\ubuntu\\shimx64.efi");
    EXPECT_FALSE(d.firmwareOrder[0].windows);
    EXPECT_TRUE(d.firmwareOrder[1].windows);
    EXPECT_EQ(
        d.problem,
        L"固件首先启动的是启动项 \"ubuntu\" (\\EFI\\ubuntu\\shimx64.efi)，不是 Windows 启动管理器");
    EXPECT_FALSE(d.menuReached);
    ASSERT_EQ(d.installations.size(), 1u);
    EXPECT_EQ(d.installations[0].reason, d.problem);
    // The fallback loader is GRUB here: not the same file as bootmgfw.efi.
    const DiskDiagnosis& disk = d.disks[0];
    EXPECT_EQ(disk.style, PartitionStyle::Gpt);
    EXPECT_NE(disk.espLetter, 0);

    // Windows PE, whose system store the machine does not have: the order is unknown, and the
    // fallback loaders decide.
    const Judged pe = Judge(test::ScenarioFile("full_esp.xml"));
    EXPECT_FALSE(pe.diagnosis.firmwareOrderKnown);
    EXPECT_THAT(pe.diagnosis.problem,
                HasSubstr(L"bootmgfw.efi 已损坏（0 字节），固件启动项无法读取"));
}

TEST(DiagnoseBoot, BitLockerIsSeenThroughTheDisk) {
    const Judged j = Judge(test::ScenarioFile("bitlocker.xml"));
    const VolumeDiagnosis* c = FindVolume(j.diagnosis, 'C');
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->bootRecord, BootRecordKind::BitLocker);
    EXPECT_EQ(c->fileSystem, L"NTFS");
}

// The MBR code starts an active extended partition's first sector, which holds no code: that is
// what the diagnosis says, not that the active partition has no letter.
TEST(DiagnoseBoot, AnActiveExtendedPartitionIsNamedAsSuch) {
    const std::string manager = "<file path='\\bootmgr'/>" + std::string(kStore);
    for (const char* type : {"0x05", "0x0F", "0x85"}) {
        SCOPED_TRACE(type);
        test::DiagnosisSession session(
            Bios("<partition offset='1M' length='100M'>" + manager + "</partition>", "",
                 "<partition offset='200G' length='40G' fs='' active='true' type='" +
                     std::string(type) + "'/>"));
        const BootVerdict verdict = session.Machine().Boot();
        EXPECT_FALSE(verdict.boots);
        EXPECT_THAT(verdict.problem, HasSubstr(L"the active flag is on an extended partition"));
        const BootDiagnosis d = session.Diagnose();
        EXPECT_FALSE(d.boots);
        ASSERT_EQ(d.disks.size(), 1u);
        EXPECT_TRUE(d.disks[0].activeExtended);
        EXPECT_EQ(d.problem,
                  L"磁盘0 的激活标记在扩展分区上：主引导记录会启动扩展分区的第一个扇区，那里没有"
                  L"引导代码，无法启动");
        EXPECT_THAT(DiagnosisLogLines(d), Contains(HasSubstr(L"，激活标记在扩展分区上")));
    }
    // An ordinary active partition without a letter is still that.
    const BootDiagnosis plain = Judge(Bios("<partition offset='1M' length='100M' active='true'>" +
                                           manager + "</partition>"))
                                    .diagnosis;
    EXPECT_FALSE(plain.disks[0].activeExtended);
}

TEST(DiagnosisLog, TheDemoMachineBeforeAndAfterItsRepair) {
    test::DiagnosisSession session(test::ScenarioFile("demo.xml"));
    EXPECT_THAT(
        DiagnosisLogLines(session.Diagnose()),
        ElementsAre(
            L"引导诊断: 激活分区缺少 ntldr", L"固件: BIOS",
            L"磁盘0 (MBR): 主引导记录 Windows NT6 引导代码 (Vista 及以后)，激活分区 F:",
            L"磁盘1 (GPT): 主引导记录 Windows NT6 引导代码 (Vista 及以后)，EFI 系统分区 G:",
            L"卷 C: (磁盘0, NTFS): 引导记录 Windows NT6 引导代码 (加载 bootmgr)；引导文件 无",
            L"卷 D: (磁盘0, NTFS): 引导记录 Windows NT5 引导代码 (加载 ntldr)；引导文件 ntldr, "
            L"NTDETECT.COM, boot.ini",
            L"卷 E: (磁盘1, NTFS): 引导记录 Windows NT6 引导代码 (加载 bootmgr)；引导文件 无",
            L"卷 F: (磁盘0, NTFS, 激活): 引导记录 Windows NT5 引导代码 (加载 ntldr)；引导文件 "
            L"bootmgr, \\Boot\\BCD",
            L"卷 G: (磁盘1, FAT32, EFI 系统分区): 引导记录 Windows NT6 引导代码 (加载 "
            L"bootmgr)；引导文件 \\EFI\\Microsoft\\Boot\\bootmgfw.efi, "
            L"\\EFI\\Microsoft\\Boot\\BCD, \\EFI\\Boot\\bootx64.efi",
            L"启动过程: 固件: BIOS → BIOS 从磁盘0 启动（编号最小的固定磁盘） → 磁盘0 主引导记录: "
            L"Windows NT6 引导代码 (Vista 及以后) → 激活分区: F: → F: 引导记录: Windows NT5 "
            L"引导代码 (加载 ntldr)",
            L"系统 C: Windows 7 Ultimate x64: 无法启动: 激活分区缺少 ntldr",
            L"系统 D: Microsoft Windows XP x86: 无法启动: 激活分区缺少 ntldr",
            L"系统 E: Windows 10 Pro x64: 无法启动: 激活分区缺少 ntldr"));

    session.Program().Run(session.Program().AutomaticRequest());
    const auto after = DiagnosisLogLines(session.Diagnose());
    EXPECT_EQ(after.front(), L"引导诊断: 引导正常");
    EXPECT_THAT(after, Contains(L"启动菜单 (F:\\Boot\\BCD，等待 3 秒):"));
    EXPECT_THAT(after, Contains(L"  Windows 7 Ultimate x64 → C: 可以启动（默认）"));
    EXPECT_THAT(after, Contains(L"  Windows 10 Pro x64 → E: 可以启动"));
    EXPECT_THAT(after, Contains(L"  Microsoft Windows XP x86 → D: 可以启动"));
    EXPECT_THAT(after, Contains(L"系统 C: Windows 7 Ultimate x64: 可以启动（默认启动项）"));
    EXPECT_THAT(after, Contains(L"系统 D: Microsoft Windows XP x86: 可以从启动菜单选择启动"));
}

TEST(DiagnosisLog, TheUefiBootOrder) {
    test::DiagnosisSession session(test::ScenarioFile("uefi_grub_first.xml"));
    const auto lines = DiagnosisLogLines(session.Diagnose());
    EXPECT_THAT(lines, Contains(L"固件启动顺序: 1. ubuntu (\\EFI\\ubuntu\\shimx64.efi)  2. Windows "
                                L"Boot Manager (\\EFI\\Microsoft\\Boot\\bootmgfw.efi)"));
    test::DiagnosisSession pe(test::ScenarioFile("uefi_winpe.xml"));
    EXPECT_THAT(DiagnosisLogLines(pe.Diagnose()),
                Contains(L"固件启动顺序: 无法读取（系统 BCD 存储无法打开）"));
}

}  // namespace
}  // namespace qn::sim
