// Where the automatic repair puts the boot files on machines where disk 0 is not the disk that
// starts: the stick Windows PE runs from must come out untouched, and the machine must boot
// without it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/boot_partition_choice.h"
#include "app/selection_rows.h"
#include "boot/utf8_text.h"
#include "sim_program.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

// Every byte of one disk: its sector 0, its volumes' first sectors and files.
std::map<std::wstring, std::vector<std::uint8_t>> DiskBytes(SimMachine& machine,
                                                            std::uint32_t disk) {
    std::map<std::wstring, std::vector<std::uint8_t>> bytes;
    if (auto sector = machine.ReadDiskSectors(disk, 0, 1)) {
        bytes[L"sector 0"] = *sector;
    }
    for (const DiskVolume& volume : machine.DiskVolumes()) {
        if (volume.disk->number != disk) {
            continue;
        }
        if (auto sector = machine.ReadVolumeSectors(volume.id, 0, 1)) {
            bytes[volume.id + L" boot record"] = *sector;
        }
        const std::wstring root = machine.PathOn(volume, L"\\");
        for (const std::wstring& path : machine.Files().AllPaths()) {
            if (path.rfind(root, 0) == 0) {
                const auto* file = machine.Files().FileBytes(path);
                bytes[path] = file != nullptr ? *file : std::vector<std::uint8_t>{0xFF};
            }
        }
    }
    return bytes;
}

TEST(BootDiskChoice, TheStickIsLeftAloneAndTheMachineBootsWithoutIt) {
    struct Case {
        const char* file;
        std::uint32_t stick;
        const wchar_t* choice;  // the start of the choice's text
    };
    const Case cases[] = {
        {"usb_stick_bios.xml", 0, L"磁盘1 激活分区 "},
        {"usb_stick_uefi.xml", 0, L"磁盘1 EFI 系统分区 "},
        // boot.ini counts rdisk from the disk the BIOS starts, not as Windows numbers disks.
        {"usb_stick_xp.xml", 0, L"磁盘1 激活分区 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::SimProgram program(test::ScenarioFile(c.file));
        const auto stickBefore = DiskBytes(program.Machine(), c.stick);
        ASSERT_FALSE(stickBefore.empty());
        const RepairRequest request = program.AutomaticRequest();
        EXPECT_EQ(request.bootReason.rfind(c.choice, 0), 0u) << WideToUtf8(request.bootReason);
        const RepairOutcome outcome = program.Run(request);
        EXPECT_EQ(outcome.failedSteps, 0);
        const BootVerdict verdict = program.Machine().Boot();
        EXPECT_TRUE(verdict.boots) << WideToUtf8(verdict.problem);
        EXPECT_EQ(outcome.completion, L"修复完成!") << WideToUtf8(outcome.logText);
        EXPECT_TRUE(DiskBytes(program.Machine(), c.stick) == stickBefore)
            << "the stick was written";
    }
}

TEST(BootDiskChoice, AMachineWithOnlyARemovableDiskIsRepairedThere) {
    test::SimProgram program(test::ScenarioFile("only_removable.xml"));
    const RepairRequest request = program.AutomaticRequest();
    EXPECT_THAT(request.bootReason, HasSubstr(L"磁盘0 激活分区"));
    EXPECT_THAT(request.bootReason, HasSubstr(L"(可移动)"));
    program.Run(request);
    EXPECT_TRUE(program.Machine().Boot().boots) << WideToUtf8(program.Machine().Boot().problem);
}

BootDiagnosis Machine(FirmwareMode firmware, std::vector<DiskDiagnosis> disks,
                      std::vector<VolumeDiagnosis> volumes = {},
                      std::vector<FirmwareBootEntry> order = {}) {
    BootDiagnosis diagnosis;
    diagnosis.firmware = firmware;
    diagnosis.disks = std::move(disks);
    diagnosis.volumes = std::move(volumes);
    diagnosis.firmwareOrderKnown = !order.empty();
    diagnosis.firmwareOrder = std::move(order);
    return diagnosis;
}

DiskDiagnosis Disk(std::uint32_t number, bool removable) {
    DiskDiagnosis disk;
    disk.number = number;
    disk.removable = removable;
    return disk;
}

VolumeDiagnosis Esp(char letter, std::int32_t disk, bool loader) {
    VolumeDiagnosis volume;
    volume.letter = letter;
    volume.disk = disk;
    volume.esp = true;
    volume.files.bootmgfw = loader ? FilePresence::Present : FilePresence::Missing;
    return volume;
}

FirmwareBootEntry WindowsEntry(char letter) {
    return {L"{bootmgr}", L"Windows Boot Manager",
            L"partition=" + std::wstring(1, static_cast<wchar_t>(letter)) + L":",
            L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi", true};
}

InstallationTable Windows(char letter) {
    InstallationTable table;
    table[letter].driveLetter = letter;
    table[letter].selected = 1;
    return table;
}

// The start's candidates: disk number -> letter, each on a disk of that style.
BootPartitionMap Candidates(const std::map<std::int32_t, char>& letters, PartitionStyle style) {
    BootPartitionMap candidates;
    for (const auto& [disk, letter] : letters) {
        candidates[disk] = {disk, style, letter};
    }
    return candidates;
}

TEST(BootDiskChoice, TheRulesOverTheDiagnosis) {
    struct Case {
        const char* what;
        std::map<std::int32_t, char> candidates;
        BootDiagnosis diagnosis;
        InstallationTable installations;
        char letter;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"BIOS: the lowest fixed disk, not the stick before it",
         {{0, 'D'}, {1, 'S'}},
         Machine(FirmwareMode::Bios, {Disk(0, true), Disk(1, false)}),
         {},
         'S',
         L"磁盘1 激活分区 S: (BIOS 启动盘)"},
        {"BIOS: a fixed disk without an active partition passes to the next fixed one",
         {{0, 'D'}, {2, 'T'}},
         Machine(FirmwareMode::Bios, {Disk(0, true), Disk(1, false), Disk(2, false)}),
         {},
         'T',
         L"磁盘2 激活分区 T: (第一个有激活分区的固定磁盘)"},
        {"BIOS: only the stick has an active partition",
         {{0, 'D'}},
         Machine(FirmwareMode::Bios, {Disk(0, true), Disk(1, false)}),
         {},
         'D',
         L"磁盘0 激活分区 D: (可移动) (本机没有固定磁盘有激活分区)"},
        {"UEFI: the ESP the firmware's Windows Boot Manager names",
         {{0, 'D'}, {1, 'S'}, {2, 'T'}},
         Machine(FirmwareMode::Uefi, {Disk(0, true), Disk(1, false), Disk(2, false)},
                 {Esp('D', 0, true), Esp('S', 1, true), Esp('T', 2, true)},
                 {WindowsEntry('D'), WindowsEntry('T')}),
         Windows('C'),
         'T',
         L"磁盘2 EFI 系统分区 T: (固件的 Windows Boot Manager 启动项)"},
        {"UEFI: an entry whose loader is gone leads to the first Windows' disk",
         {{1, 'S'}, {2, 'T'}},
         Machine(FirmwareMode::Uefi, {Disk(1, false), Disk(2, false)},
                 {Esp('S', 1, false), Esp('T', 2, false),
                  [] {
                      VolumeDiagnosis c;
                      c.letter = 'C';
                      c.disk = 2;
                      return c;
                  }()},
                 {WindowsEntry('S')}),
         Windows('C'),
         'T',
         L"磁盘2 EFI 系统分区 T: (第一个要修复的系统 C: 所在的磁盘)"},
        {"UEFI: nothing names one: the first fixed disk's ESP",
         {{0, 'D'}, {3, 'S'}},
         Machine(FirmwareMode::Uefi, {Disk(0, true), Disk(3, false)},
                 {Esp('D', 0, true), Esp('S', 3, false)}),
         {},
         'S',
         L"磁盘3 EFI 系统分区 S: (第一个 EFI 系统分区)"},
        {"UEFI on a running Windows: the unlettered ESP",
         {{0, '#'}},
         Machine(FirmwareMode::Uefi, {Disk(0, false)}),
         {},
         '#',
         L"磁盘0 EFI 系统分区 (无盘符) (第一个 EFI 系统分区)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PartitionStyle style =
            c.diagnosis.firmware == FirmwareMode::Uefi ? PartitionStyle::Gpt : PartitionStyle::Mbr;
        const BootPartitionMap candidates = Candidates(c.candidates, style);
        const BootPartitionChoice choice =
            ChooseBootPartition(candidates, &c.diagnosis, c.installations);
        EXPECT_EQ(choice.partition.letter, c.letter);
        // The choice is one of the candidates, whole.
        ASSERT_TRUE(candidates.count(choice.partition.disk));
        EXPECT_EQ(choice.partition, candidates.at(choice.partition.disk));
        EXPECT_EQ(choice.text, c.text) << WideToUtf8(choice.text);
    }
    // No candidate at all; no diagnosis: the lowest disk number, and the text says so.
    EXPECT_FALSE(ChooseBootPartition({}, nullptr, {}).partition.Chosen());
    const BootPartitionChoice blind =
        ChooseBootPartition(Candidates({{1, 'S'}, {0, 'D'}}, PartitionStyle::Mbr), nullptr, {});
    EXPECT_EQ(blind.partition, (BootPartition{0, PartitionStyle::Mbr, 'D'}));
    EXPECT_THAT(blind.text, HasSubstr(L"引导未能检查"));
}

TEST(BootDiskChoice, TheManualListMarksTheStickAndRecommendsTheChoice) {
    const BootDiagnosis diagnosis = Machine(FirmwareMode::Bios, {Disk(0, true), Disk(1, false)});
    const BootPartitionMap candidates = Candidates({{0, 'D'}, {1, 'S'}}, PartitionStyle::Mbr);
    const BootPartitionChoice choice = ChooseBootPartition(candidates, &diagnosis, {});
    const auto rows = BootPartitionRows(
        candidates, [](char letter) { return letter == 'D' ? L"WINPE" : L"System Reserved"; },
        [&](int disk) { return DiskIsRemovable(&diagnosis, disk); }, &choice);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].columns[2], L"WINPE (可移动)");
    EXPECT_FALSE(rows[0].recommended);
    EXPECT_EQ(rows[1].columns[2], L"System Reserved — 推荐: BIOS 启动盘");
    EXPECT_EQ(rows[1].columns[3], L"激活分区");
    EXPECT_TRUE(rows[1].recommended);
}

}  // namespace
}  // namespace qn::sim
