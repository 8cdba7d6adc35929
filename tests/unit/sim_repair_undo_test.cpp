// Repair, then undo from the record the repair left: the simulated machine is as it was before,
// byte for byte, and boots as it did.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cwctype>
#include <functional>
#include <map>
#include <regex>

#include "boot/crc32.h"
#include "boot/utf8_text.h"
#include "record/undo_record_text.h"
#include "sim/boot_verdict.h"
#include "sim/mbr_code.h"
#include "sim_machine_state.h"
#include "sim_program.h"
#include "undo/undo_run.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

using test::Differences;
using test::MachineState;
using test::StateOf;

using test::Lines;

// Undoes the last run and expects the machine as it was, the firmware's boot order included.
void ExpectUndoneTo(test::SimProgram& program, const RepairOutcome& repair,
                    const MachineState& before) {
    ASSERT_FALSE(repair.undoRecord.empty()) << Lines(repair.rows);
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
    ASSERT_GE(undo.rows.size(), 2u);
    EXPECT_EQ(undo.rows[undo.rows.size() - 2], L"撤销完成!") << Lines(undo.rows);
    MachineState after = StateOf(program.Machine());
    // Only when the order could not be read before the repair (the sim's Windows PE shows no
    // firmware to bcdedit) does the firmware keep bcdboot's entry, and the undo says so.
    if (after.firmwareEntries != before.firmwareEntries) {
        EXPECT_THAT(undo.rows, Contains(HasSubstr(L"修复前未能读取固件启动顺序")));
        EXPECT_TRUE(program.Machine().WinPE());
        std::erase_if(program.Machine().FirmwareEntries(), [&](const FirmwareEntry& entry) {
            return std::find(before.firmwareEntries.begin(), before.firmwareEntries.end(),
                             entry.id + L" " + entry.description) == before.firmwareEntries.end();
        });
        after = StateOf(program.Machine());
    }
    EXPECT_TRUE(after == before) << Differences(before, after) << Lines(undo.rows);
}

const char* const kScenarios[] = {
    "demo.xml",
    "bitlocker.xml",
    "deleted_bcd.xml",
    "editor_boot_ini.xml",
    "editor_menu.xml",
    "firmware_mismatch.xml",
    "full_esp.xml",
    "gpt_x86.xml",
    "grub_mbr.xml",
    "missing_entry.xml",
    "ntfs_esp.xml",
    "raw_volume.xml",
    "syslinux_mbr.xml",
    "two_active.xml",
    "uefi_grub_first.xml",
    "uefi_installed.xml",
    "uefi_winpe.xml",
    "wiped_mbr.xml",
    "xp_and_7.xml",
    "xp_only.xml",
    "uefi_entries_reset.xml",
    "editor_boot_ini_extras.xml",
    "two_same_windows.xml",
};

TEST(RepairUndo, AutomaticRepairThenUndoLeavesEveryScenarioAsItWas) {
    for (const char* name : kScenarios) {
        for (bool clear : {false, true}) {
            SCOPED_TRACE(std::string(name) + (clear ? " clearing" : ""));
            test::SimProgram program(test::ScenarioFile(name));
            const MachineState before = StateOf(program.Machine());
            RepairRequest request = program.AutomaticRequest();
            request.clearExisting = clear;
            const RepairOutcome repair = program.Run(request);
            if (!repair.engineRan) {
                EXPECT_TRUE(repair.undoRecord.empty());
                continue;
            }
            ExpectUndoneTo(program, repair, before);
        }
    }
}

TEST(RepairUndo, TheFirmwaresBootOrderGoesBackAsItWas) {
    test::SimProgram program(test::ScenarioFile("uefi_grub_first.xml"));
    // Only GRUB's entry in the firmware: bcdboot adds Windows Boot Manager.
    std::erase_if(program.Machine().FirmwareEntries(), [](const FirmwareEntry& entry) {
        return entry.description == L"Windows Boot Manager";
    });
    ASSERT_EQ(program.Machine().FirmwareEntries().size(), 1u);
    const MachineState before = StateOf(program.Machine());
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_EQ(program.Machine().FirmwareEntries().size(), 2u) << Lines(repair.rows);
    ExpectUndoneTo(program, repair, before);
    EXPECT_THAT(program.rowList.rows, Contains(L"还原固件启动顺序......成功"));
}

TEST(RepairUndo, MbrRepairThenUndoBringsTheOldCodeBack) {
    for (const char* name : {"wiped_mbr.xml", "grub_mbr.xml", "xp_only.xml", "demo.xml"}) {
        for (MbrRepairKind kind :
             {MbrRepairKind::Nt6Pbr, MbrRepairKind::Nt5Pbr, MbrRepairKind::Mbr}) {
            SCOPED_TRACE(std::string(name) + " kind " + std::to_string(static_cast<int>(kind)));
            test::SimProgram program(test::ScenarioFile(name));
            const MachineState before = StateOf(program.Machine());
            MbrRepairRequest request;
            request.boot = program.bootPartitions.empty() ? program.BootPartitionOf('C')
                                                          : program.bootPartitions.begin()->second;
            request.kind = kind;
            request.isWinPE = program.Machine().WinPE();
            const RepairOutcome repair = program.RunMbr(request);
            ExpectUndoneTo(program, repair, before);
        }
    }
}

// bootsect never writes a GPT disk's protective MBR, so nothing of it is saved to be put back.
TEST(RepairUndo, NoMbrIsSavedOfAGptDisk) {
    for (const char* name : {"uefi_installed.xml", "wiped_mbr.xml"}) {
        SCOPED_TRACE(name);
        test::SimProgram program(test::ScenarioFile(name));
        RepairPorts ports = program.Ports();
        UndoRecorder recorder(ports.files, ports.storage, L"C:\\undo_test", L"test", L"now");
        ASSERT_TRUE(recorder.Open());
        EXPECT_TRUE(recorder.SaveBootCode('C', true));
        const bool gpt = std::string(name) == "uefi_installed.xml";
        const auto& items = recorder.Record().items;
        EXPECT_EQ(
            std::count_if(items.begin(), items.end(),
                          [](const UndoItem& item) { return item.kind == UndoItemKind::MbrCode; }),
            gpt ? 0 : 1);
        EXPECT_EQ(std::count_if(
                      items.begin(), items.end(),
                      [](const UndoItem& item) { return item.kind == UndoItemKind::BootRecord; }),
                  1);
    }
}

// The running Windows holds its store open: a repair that tries to copy it falls back to
// exporting it (never a silent skip), and undo imports that export.
TEST(RepairUndo, AStoreTheRunningSystemHoldsOpenIsExportedAndImportedBack) {
    Scenario scenario = test::ScenarioFile("xp_and_7.xml");
    scenario.disks[0].number = 1;  // not disk 0, where the run would export at once
    test::SimProgram program(scenario);
    const MachineState before = StateOf(program.Machine());
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    EXPECT_THAT(program.Machine().Journal(),
                Contains(testing::StartsWith(L"copy C:\\Boot\\BCD C:\\Boot\\BCD_20261208103000")));
    EXPECT_THAT(repair.rows,
                Contains(L"无法复制 C:\\Boot\\BCD（系统正在使用它），改为导出系统 BCD 存储"));
    EXPECT_THAT(repair.rows, Contains(L"已导出系统 BCD 存储至 C:\\Boot\\BCD_20261208103000"));
    EXPECT_THAT(repair.backups, Contains(L"C:\\Boot\\BCD_20261208103000"));
    EXPECT_THAT(repair.rows, Not(Contains(HasSubstr(L"无法备份（如 C:\\Boot\\BCD"))));
    ExpectUndoneTo(program, repair, before);
}

// An exported system store goes back only into the system it came from: not into Windows PE's
// own store, not into another Windows (another volume behind the system's letter).
TEST(RepairUndo, AnExportedSystemStoreIsNeverImportedIntoAnotherSystem) {
    for (bool underPe : {true, false}) {
        SCOPED_TRACE(underPe ? "under Windows PE" : "another system");
        Scenario scenario = test::ScenarioFile("xp_and_7.xml");
        scenario.disks[0].number = 1;
        test::SimProgram program(scenario);
        const RepairOutcome repair = program.Run(program.AutomaticRequest());
        ASSERT_THAT(repair.rows, Contains(HasSubstr(L"已导出系统 BCD 存储至 ")));
        if (underPe) {
            program.Machine().Files().SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
        } else {
            program.Machine().Storage().Volume('C').info->serialNumber ^= 0x5A5A5A5A;
        }
        const std::size_t runs = program.Machine().Journal().size();
        const RepairOutcome undo = program.Undo(repair.undoRecord);
        // Under PE the rest comes back and the store is refused; behind another volume nothing
        // is done at all.
        EXPECT_THAT(undo.rows, Contains(HasSubstr(underPe ? L"导出的是另一个系统的 BCD 存储"
                                                          : L"为安全起见撤销未做任何更改")))
            << Lines(undo.rows);
        for (std::size_t i = runs; i < program.Machine().Journal().size(); ++i) {
            EXPECT_THAT(program.Machine().Journal()[i], Not(HasSubstr(L"/import")));
        }
        EXPECT_GT(undo.failedSteps, 0);
    }
}

// An ESP that fills up halfway through bcdboot keeps the files copied before; the failure is
// shown with its reason, and undo brings the damaged old boot manager back byte for byte.
TEST(RepairUndo, AHalfWrittenEspComesBackAsItWas) {
    Scenario scenario = test::ScenarioFile("full_esp.xml");
    scenario.disks[0].partitions[0].freeBytes = 2ull << 20;
    test::SimProgram program(scenario);
    const MachineState before = StateOf(program.Machine());
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    EXPECT_GT(repair.failedSteps, 0);
    EXPECT_THAT(repair.rows, Contains(HasSubstr(L"bcdboot.exe 退出码 112（磁盘空间不足）: "
                                                L"尝试复制启动文件时失败。")))
        << Lines(repair.rows);
    EXPECT_TRUE(Differences(before, StateOf(program.Machine())).find("changed: ") !=
                std::string::npos)
        << "bootmgfw.efi was replaced before the partition was full";
    ExpectUndoneTo(program, repair, before);
}

std::string Text(SimMachine& machine, const std::wstring& path) {
    const auto* bytes = machine.Files().FileBytes(path);
    return bytes != nullptr ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void Rewrite(SimMachine& machine, const std::wstring& path, const std::string& text) {
    machine.Files().AddFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A record changed as the program itself would write it: every line checksummed again.
void RewriteRecord(test::SimProgram& program, const std::wstring& path,
                   const std::function<void(UndoRecord&)>& change) {
    LoadedUndoRecord loaded = LoadUndoRecord(program.Machine().Files(), path);
    ASSERT_TRUE(loaded.record) << WideToUtf8(loaded.error);
    change(*loaded.record);
    Rewrite(program.Machine(), path, FormatUndoRecord(*loaded.record));
}

TEST(RepairUndo, WhatCannotComeBackIsSaidAndCountedAndTheRecordStaysForAnotherTry) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_FALSE(repair.undoRecord.empty());
    // NTDETECT.COM is marked as never copied.
    RewriteRecord(program, repair.undoRecord, [](UndoRecord& record) {
        for (UndoItem& item : record.items) {
            if (item.kind == UndoItemKind::File && item.target == L"C:\\NTDETECT.COM") {
                item = {UndoItemKind::Unsaved, item.target, {}, 0};
            }
        }
    });
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_EQ(undo.failedSteps, 1) << Lines(undo.rows);
    EXPECT_THAT(undo.rows, Contains(HasSubstr(L"未能还原（修复前未能备份）: C:\\NTDETECT.COM")));
    ASSERT_GE(undo.rows.size(), 2u);
    EXPECT_EQ(undo.rows[undo.rows.size() - 2], L"撤销未完成：1 个步骤失败");
    // Not used up: it can be tried again.
    EXPECT_TRUE(program.Machine().Files().IsFile(repair.undoRecord));
}

// A copy that is gone or not what the run saved refuses the whole record: undo writes nothing
// over a boot file from a copy it cannot trust.
TEST(RepairUndo, ACopyThatChangedOrWentRefusesTheWholeRecord) {
    for (bool removed : {true, false}) {
        SCOPED_TRACE(removed ? "removed" : "changed");
        test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
        const RepairOutcome repair = program.Run(program.AutomaticRequest());
        ASSERT_FALSE(repair.undoRecord.empty());
        const LoadedUndoRecord loaded =
            LoadUndoRecord(program.Machine().Files(), repair.undoRecord);
        ASSERT_TRUE(loaded.record);
        const auto ini =
            std::find_if(loaded.record->items.begin(), loaded.record->items.end(),
                         [](const UndoItem& item) { return item.target == L"C:\\boot.ini"; });
        ASSERT_NE(ini, loaded.record->items.end());
        if (removed) {
            program.Machine().Files().RemoveFile(ini->saved);
        } else {
            program.Machine().Files().AddFile(ini->saved, test::MarkerBytes("not the copy"));
        }
        const auto boot = VerdictJson(program.Machine().Boot());
        const std::size_t changes = program.Machine().Files().Journal().size();
        const RepairOutcome undo = program.Undo(repair.undoRecord);
        ASSERT_EQ(undo.rows.size(), 1u) << Lines(undo.rows);
        EXPECT_THAT(undo.rows[0], HasSubstr(L"已丢失或与修复时保存的不同，未做任何更改"));
        EXPECT_EQ(program.Machine().Files().Journal().size(), changes);
        EXPECT_EQ(VerdictJson(program.Machine().Boot()), boot);
    }
}

// A record cut off after a line end is an interrupted run's: undo says so and restores what it
// lists; cut inside a line, the line's checksum refuses it.
TEST(RepairUndo, AnInterruptedRunsRecordIsSaidToBeIncomplete) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const auto before = VerdictJson(program.Machine().Boot());
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_FALSE(repair.undoRecord.empty());
    const std::string whole = Text(program.Machine(), repair.undoRecord);
    const std::size_t last = whole.rfind("complete\t");
    ASSERT_NE(last, std::string::npos);
    Rewrite(program.Machine(), repair.undoRecord, whole.substr(0, last - 5));
    EXPECT_THAT(program.Undo(repair.undoRecord).rows[0], HasSubstr(L"校验和不符"));
    Rewrite(program.Machine(), repair.undoRecord, whole.substr(0, last));
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_THAT(undo.rows, Contains(HasSubstr(L"修复被中断，撤销记录不完整")));
    EXPECT_EQ(undo.failedSteps, 1) << Lines(undo.rows);
    EXPECT_EQ(VerdictJson(program.Machine().Boot()), before);
}

TEST(RepairUndo, WhatAnotherSystemPutsIntoTheEfiFolderLaterStays) {
    test::SimProgram program(test::ScenarioFile("uefi_winpe.xml"));
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_FALSE(repair.undoRecord.empty()) << Lines(repair.rows);
    // Installed after the repair, before the undo.
    const std::wstring grub = L"S:\\EFI\\ubuntu\\grubx64.efi";
    program.Machine().Files().AddFile(grub, test::MarkerBytes("grub"));
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
    EXPECT_TRUE(program.Machine().Files().IsFile(grub));
    // What bcdboot made (the fallback loader's folder) is gone again.
    EXPECT_FALSE(program.Machine().Files().PathExists(L"S:\\EFI\\Boot"));
}

TEST(RepairUndo, ALetterThatNamesAnotherVolumeByNowStopsTheUndoUntouched) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_FALSE(repair.undoRecord.empty());
    EXPECT_NE(Text(program.Machine(), repair.undoRecord).find("volume\tC:\t"), std::string::npos);
    const MachineState repaired = StateOf(program.Machine());
    // Another volume behind C: now (another boot, a stick that took the letter).
    program.Machine().Storage().Volume('C').info->serialNumber ^= 0x5A5A5A5Au;
    const std::size_t journal = program.Machine().Journal().size();
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_EQ(undo.failedSteps, 1) << Lines(undo.rows);
    EXPECT_THAT(undo.rows, Contains(HasSubstr(L"C: 已不是修复时的那个分区")));
    EXPECT_TRUE(StateOf(program.Machine()) == repaired);
    const std::vector<std::wstring> lines = program.Machine().Journal();
    for (std::size_t i = journal; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        EXPECT_TRUE(line.find(L"QNBootRepair_") != std::wstring::npos ||
                    line.find(L"\\Temp") != std::wstring::npos ||
                    line.find(L"/enum") != std::wstring::npos || line.rfind(L"  > ", 0) == 0)
            << "undo changed " << WideToUtf8(line);
    }
}

TEST(RepairUndo, TheMbrOfAnotherDiskIsNeverWritten) {
    test::SimProgram program(test::ScenarioFile("wiped_mbr.xml"));
    MbrRepairRequest request;
    request.boot = program.bootPartitions.begin()->second;
    request.kind = MbrRepairKind::Mbr;
    const RepairOutcome repair = program.RunMbr(request);
    ASSERT_FALSE(repair.undoRecord.empty());
    // The saved sector 0 says another disk signature than disk 0 has now (a record and copy
    // written so by the program, for another machine's disk).
    RewriteRecord(program, repair.undoRecord, [&](UndoRecord& record) {
        for (UndoItem& item : record.items) {
            if (item.kind == UndoItemKind::MbrCode) {
                auto bytes = *program.Machine().Files().FileBytes(item.saved);
                bytes[440] ^= 0xFF;
                program.Machine().Files().AddFile(item.saved, bytes);
                item.savedCrc = Crc32(bytes);
            }
        }
    });
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_THAT(undo.rows, Contains(HasSubstr(L"已不是同一块磁盘，未写入")));
    EXPECT_EQ(program.Machine().DiskMbrCode(0), MbrCode::Nt60);  // still the repaired code
}

}  // namespace
}  // namespace qn::sim
