// The guardrails' decisions, from diagnoses the tests describe, and their Chinese texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run/repair_guards.h"

namespace qn {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A machine as a diagnosis sees it: disk 0 (MBR or GPT) with a boot partition, Windows on C:.
struct Machine {
    FirmwareMode firmware = FirmwareMode::Bios;
    PartitionStyle style = PartitionStyle::Mbr;
    MbrCodeKind mbr = MbrCodeKind::Nt6;
    char boot = 'D';
    bool bootIsEsp = false;
    BootRecordKind bootRecord = BootRecordKind::Bootmgr;
    BootRecordKind systemRecord = BootRecordKind::Bootmgr;
    std::vector<FirmwareBootEntry> order;
    bool orderKnown = true;

    BootDiagnosis Diagnosis() const {
        BootDiagnosis d;
        d.firmware = firmware;
        DiskDiagnosis disk;
        disk.number = 0;
        disk.style = style;
        disk.sectorRead = true;
        disk.mbrCode = mbr;
        disk.bootSignature = true;
        d.disks.push_back(disk);
        VolumeDiagnosis bootVolume;
        bootVolume.letter = boot;
        bootVolume.disk = 0;
        bootVolume.style = style;
        bootVolume.active = style == PartitionStyle::Mbr && !bootIsEsp;
        bootVolume.esp = bootIsEsp;
        bootVolume.bootRecord = bootRecord;
        bootVolume.files.bootmgr = FilePresence::Present;
        bootVolume.files.bcd = FilePresence::Present;
        d.volumes.push_back(bootVolume);
        VolumeDiagnosis system;
        system.letter = 'C';
        system.disk = 0;
        system.style = style;
        system.bootRecord = systemRecord;
        d.volumes.push_back(system);
        d.installations.push_back({'C', L"Windows 10 Pro x64", false, false, false, L"x", L""});
        d.firmwareOrderKnown = orderKnown;
        d.firmwareOrder = order;
        return d;
    }
};

// The boot partition on disk 0 as the start found it (an ESP without a letter is on GPT).
BootPartition Boot(char letter, PartitionStyle style = PartitionStyle::Mbr, std::int32_t disk = 0) {
    return {disk, letter == kEspWithoutLetter ? PartitionStyle::Gpt : style, letter};
}

RepairRequest Request(char boot, float version = 6.3f) {
    RepairRequest request;
    request.boot = Boot(boot);
    WindowsInstall system;
    system.displayName = L"Windows 10 Pro x64";
    system.driveLetter = 'C';
    system.version = version;
    system.archBits = 64;
    system.selected = 1;
    request.installations['C'] = system;
    return request;
}

std::vector<GuardKind> Kinds(const std::vector<RepairGuard>& guards) {
    std::vector<GuardKind> kinds;
    for (const RepairGuard& guard : guards) {
        kinds.push_back(guard.kind);
    }
    return kinds;
}

std::vector<RepairGuard> Guards(const Machine& machine, RepairRequest request) {
    const BootDiagnosis diagnosis = machine.Diagnosis();
    request.boot = Boot(request.boot.letter, machine.style);
    return DecideRepairGuards(diagnosis, WorkOfRepair(request, diagnosis));
}

FirmwareBootEntry Entry(const wchar_t* description, bool windows) {
    FirmwareBootEntry entry;
    entry.description = description;
    entry.identifier = windows ? L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}"
                               : L"{c7d4a4b8-2f6e-11ea-9b3e-806e6f6e6963}";
    entry.windows = windows;
    return entry;
}

TEST(ForeignMbrGuard, AnotherLoadersCodeBeforeBootsectMbr) {
    struct Case {
        MbrCodeKind code;
        bool guarded;
        const wchar_t* named;
    };
    for (const Case& c :
         {Case{MbrCodeKind::Grub, true, L" GRUB 引导代码"},
          Case{MbrCodeKind::Syslinux, true, L" Syslinux 引导代码"},
          Case{MbrCodeKind::Other, true, L"其他引导程序的代码"}, Case{MbrCodeKind::Nt6, false, L""},
          Case{MbrCodeKind::Nt5, false, L""}, Case{MbrCodeKind::None, false, L""}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(MbrCodeText(c.code))));
        Machine machine;
        machine.mbr = c.code;
        const auto guards = Guards(machine, Request('D'));
        if (!c.guarded) {
            EXPECT_THAT(Kinds(guards), IsEmpty());
            continue;
        }
        ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::ForeignMbrCode));
        const RepairGuard& guard = guards[0];
        EXPECT_EQ(guard.finding,
                  std::wstring(L"磁盘0 的主引导记录中是") + c.named + L"，不是 Windows 的");
        EXPECT_THAT(guard.question, HasSubstr(L"那个系统将无法再从这块磁盘启动"));
        EXPECT_THAT(guard.question,
                    HasSubstr(L"\n\n确定(Y)：改写主引导记录，换成 Windows 的引导代码\n"));
        EXPECT_THAT(guard.question, EndsWith(L"取消(C)：保留主引导记录，只修复其余部分"));
        EXPECT_EQ(guard.onYes, GuardEffect::Proceed);
        EXPECT_EQ(guard.onNo, GuardEffect::ProceedKeepingMbr);
    }
}

// Code it cannot read, or a disk it cannot name, may be another system's loader: it asks.
TEST(ForeignMbrGuard, FailsClosedWhenTheMbrCannotBeRead) {
    struct Case {
        bool sectorRead;
        std::int32_t disk;  // of the boot partition; -1: unknown
        const wchar_t* finding;
    };
    for (const Case& c : {Case{false, 0, L"无法读取磁盘0 的主引导记录"},
                          Case{true, -1, L"无法确定 D: 所在的磁盘"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.finding)));
        BootDiagnosis diagnosis = Machine().Diagnosis();
        diagnosis.disks[0].sectorRead = c.sectorRead;
        RepairRequest request = Request('D');
        request.boot.disk = c.disk;
        const auto guards = DecideRepairGuards(diagnosis, WorkOfRepair(request, diagnosis));
        ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::ForeignMbrCode));
        EXPECT_EQ(guards[0].finding, c.finding);
        EXPECT_THAT(guards[0].question, HasSubstr(L"无法确认其中是不是其他系统的引导程序"));
        EXPECT_EQ(guards[0].onNo, GuardEffect::ProceedKeepingMbr);
        // The MBR page's run has nothing left to do without the MBR.
        const auto page = DecideRepairGuards(
            diagnosis, WorkOfMbrRepair({request.boot, MbrRepairKind::Mbr, false}));
        ASSERT_THAT(Kinds(page), ElementsAre(GuardKind::ForeignMbrCode));
        EXPECT_EQ(page[0].onNo, GuardEffect::Stop);
    }
}

TEST(ForeignMbrGuard, OnlyWhenTheMbrIsWritten) {
    Machine gpt;
    gpt.mbr = MbrCodeKind::Grub;  // a protective MBR's code, which no GPT repair touches
    gpt.style = PartitionStyle::Gpt;
    gpt.bootIsEsp = true;
    gpt.firmware = FirmwareMode::Uefi;
    EXPECT_THAT(Kinds(Guards(gpt, Request('D'))), IsEmpty());
    // The legacy engine writes NT5 code with /mbr; the MBR page only with its MBR button.
    Machine grub;
    grub.mbr = MbrCodeKind::Grub;
    EXPECT_THAT(Kinds(Guards(grub, Request('D', 5.1f))), ElementsAre(GuardKind::ForeignMbrCode));
    const BootDiagnosis diagnosis = grub.Diagnosis();
    MbrRepairRequest pbr{Boot('D'), MbrRepairKind::Nt6Pbr, false};
    EXPECT_THAT(Kinds(DecideRepairGuards(diagnosis, WorkOfMbrRepair(pbr))), IsEmpty());
    MbrRepairRequest mbr{Boot('D'), MbrRepairKind::Mbr, false};
    const auto guards = DecideRepairGuards(diagnosis, WorkOfMbrRepair(mbr));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::ForeignMbrCode));
    EXPECT_EQ(guards[0].onNo, GuardEffect::Stop) << "keeping the MBR leaves nothing to do";
    EXPECT_THAT(guards[0].question, EndsWith(L"取消(C)：保留主引导记录，不做任何更改"));
    // Nothing selected: the run writes nothing, so nothing is asked.
    RepairRequest none = Request('D');
    none.installations['C'].selected = 0;
    EXPECT_THAT(Kinds(Guards(grub, none)), IsEmpty());
}

TEST(BitLockerGuard, ASystemBeingRepairedOrTheBootPartition) {
    Machine system;
    system.systemRecord = BootRecordKind::BitLocker;
    auto guards = Guards(system, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::BitLocker));
    EXPECT_EQ(guards[0].finding, L"C: (Windows 10 Pro x64) 已启用 BitLocker 驱动器加密");
    EXPECT_THAT(guards[0].question, HasSubstr(L"BitLocker 恢复密钥"));
    EXPECT_THAT(guards[0].question, HasSubstr(L"https://aka.ms/myrecoverykey"));
    EXPECT_THAT(guards[0].question, HasSubstr(L"manage-bde -protectors -get C:"));
    EXPECT_THAT(
        guards[0].question,
        EndsWith(L"\n\n确定(Y)：已确认能找到恢复密钥，继续修复\n取消(C)：停止，不做任何更改"));
    EXPECT_EQ(guards[0].onYes, GuardEffect::Proceed);
    EXPECT_EQ(guards[0].onNo, GuardEffect::Stop);

    Machine boot;
    boot.bootRecord = BootRecordKind::BitLocker;
    guards = Guards(boot, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::BitLocker));
    EXPECT_EQ(guards[0].finding, L"引导分区 D: 已启用 BitLocker 驱动器加密");

    // An encrypted Windows that is not being repaired is no concern of this run.
    RepairRequest other = Request('D');
    other.installations['C'].selected = 0;
    WindowsInstall e;
    e.displayName = L"Windows 11 Pro x64";
    e.driveLetter = 'E';
    e.version = 6.3f;
    e.selected = 1;
    other.installations['E'] = e;
    EXPECT_THAT(Kinds(Guards(system, other)), IsEmpty());
}

TEST(FirmwareMismatchGuard, TheBootPartitionOfTheOtherFirmwaresKind) {
    Machine uefiOnMbr;
    uefiOnMbr.firmware = FirmwareMode::Uefi;
    uefiOnMbr.order = {Entry(L"Windows Boot Manager", true)};
    auto guards = Guards(uefiOnMbr, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::FirmwareMismatch));
    EXPECT_EQ(
        guards[0].finding,
        L"固件以 UEFI 方式启动，而所选的引导分区 D: 是 MBR 磁盘上的激活分区（BIOS 启动方式）");
    EXPECT_THAT(guards[0].question, HasSubstr(L"不会被 UEFI 固件使用"));
    EXPECT_THAT(guards[0].question,
                EndsWith(L"\n\n确定(Y)：仍然修复\n取消(C)：停止，不做任何更改"));
    EXPECT_EQ(guards[0].onNo, GuardEffect::Stop);

    Machine mbrEsp = uefiOnMbr;  // an EFI system partition (0xEF) on an MBR disk is UEFI's own
    mbrEsp.bootIsEsp = true;
    EXPECT_THAT(Kinds(Guards(mbrEsp, Request('D'))), IsEmpty());

    Machine biosOnGpt;
    biosOnGpt.style = PartitionStyle::Gpt;
    biosOnGpt.bootIsEsp = true;
    guards = Guards(biosOnGpt, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::FirmwareMismatch));
    EXPECT_EQ(guards[0].finding,
              L"固件以 BIOS（传统）方式启动，而所选的引导分区 D: 是 GPT 磁盘上的 EFI "
              L"系统分区（UEFI 启动方式）");
    EXPECT_THAT(Kinds(Guards(biosOnGpt, Request(kEspWithoutLetter))),
                ElementsAre(GuardKind::FirmwareMismatch));

    Machine unknown = uefiOnMbr;
    unknown.firmware = FirmwareMode::Unknown;
    EXPECT_THAT(Kinds(Guards(unknown, Request('D'))), IsEmpty()) << "nothing to compare with";
    EXPECT_THAT(Kinds(Guards(Machine{}, Request('D'))), IsEmpty());
}

TEST(UefiBootOrderGuard, AnotherSystemFirstKeepsTheOrderAndAsksNothing) {
    Machine machine;
    machine.firmware = FirmwareMode::Uefi;
    machine.style = PartitionStyle::Gpt;
    machine.bootIsEsp = true;
    machine.order = {Entry(L"ubuntu", false), Entry(L"Windows Boot Manager", true)};
    auto guards = Guards(machine, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::UefiBootOrder));
    EXPECT_TRUE(guards[0].question.empty());
    EXPECT_EQ(guards[0].bcdbootSwitch, L"/p");
    EXPECT_EQ(guards[0].finding, L"固件启动顺序的第一项是 \"ubuntu\"，不是 Windows");
    EXPECT_EQ(guards[0].yesMeaning,
              L"bcdboot 加 /p 运行：Windows 启动管理器留在原来的位置，固件启动顺序不变");
    // An unlettered ESP: bcdboot without /s writes the firmware's system partition, also UEFI.
    EXPECT_THAT(Kinds(Guards(machine, Request(kEspWithoutLetter))),
                ElementsAre(GuardKind::UefiBootOrder));

    machine.order = {Entry(L"ubuntu", false)};  // /p would add Windows first
    guards = Guards(machine, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::UefiBootOrder));
    EXPECT_EQ(guards[0].bcdbootSwitch, L"/addlast");

    machine.order = {Entry(L"Windows Boot Manager", true), Entry(L"ubuntu", false)};
    EXPECT_THAT(Kinds(Guards(machine, Request('D'))), IsEmpty()) << "Windows is first already";
    machine.order = {Entry(L"ubuntu", false)};
    machine.orderKnown = false;
    EXPECT_THAT(Kinds(Guards(machine, Request('D'))), IsEmpty()) << "an order not read";
    machine.orderKnown = true;
    EXPECT_THAT(Kinds(Guards(machine, Request('D', 5.1f))), IsEmpty()) << "no bcdboot run";
}

TEST(ApplyGuardAnswers, KeepStopAndTheLog) {
    Machine machine;
    machine.mbr = MbrCodeKind::Grub;
    machine.systemRecord = BootRecordKind::BitLocker;
    const auto guards = Guards(machine, Request('D'));
    ASSERT_THAT(Kinds(guards), ElementsAre(GuardKind::ForeignMbrCode, GuardKind::BitLocker));

    GuardOutcome keep = ApplyGuardAnswers(guards, {GuardAnswer::No, GuardAnswer::Yes});
    EXPECT_FALSE(keep.stop);
    EXPECT_TRUE(keep.keepMbr);
    EXPECT_THAT(keep.logLines,
                ElementsAre(L"修复前检查: 磁盘0 的主引导记录中是 GRUB 引导代码，不是 Windows 的 — "
                            L"取消(C)：保留主引导记录，只修复其余部分",
                            L"修复前检查: C: (Windows 10 Pro x64) 已启用 BitLocker 驱动器加密 — "
                            L"确定(Y)：继续修复"));

    GuardOutcome overwrite = ApplyGuardAnswers(guards, {GuardAnswer::Yes, GuardAnswer::Yes});
    EXPECT_FALSE(overwrite.stop);
    EXPECT_FALSE(overwrite.keepMbr);

    GuardOutcome stopped = ApplyGuardAnswers(guards, {GuardAnswer::Yes, GuardAnswer::No});
    EXPECT_TRUE(stopped.stop);
    EXPECT_EQ(stopped.logLines.size(), 2u);
    // A question left unanswered (the dialog closed) is 取消(C).
    GuardOutcome unanswered = ApplyGuardAnswers(guards, {GuardAnswer::Yes});
    EXPECT_TRUE(unanswered.stop);

    Machine uefi;
    uefi.firmware = FirmwareMode::Uefi;
    uefi.style = PartitionStyle::Gpt;
    uefi.bootIsEsp = true;
    uefi.order = {Entry(L"ubuntu", false), Entry(L"Windows Boot Manager", true)};
    GuardOutcome order = ApplyGuardAnswers(Guards(uefi, Request('D')), {});
    EXPECT_FALSE(order.stop);
    EXPECT_EQ(order.bcdbootSwitch, L"/p");
    EXPECT_THAT(
        order.logLines,
        ElementsAre(L"修复前检查: 固件启动顺序的第一项是 \"ubuntu\"，不是 Windows — bcdboot "
                    L"加 /p 运行：Windows 启动管理器留在原来的位置，固件启动顺序不变"));
}

}  // namespace
}  // namespace qn
