// Undo over a machine that changed after the repair: what changed since (a Windows update of the
// boot manager, another system's loader) is asked about once and kept with 取消; an unchanged
// machine is asked nothing; and the undo leaves a record of its own, whose undo gives the
// repaired machine back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cwctype>

#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "platform/fake/fake_file_system.h"
#include "record/undo_left_state.h"
#include "record/undo_record_text.h"
#include "sim_machine_state.h"
#include "sim_program.h"
#include "undo/undo_run.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

using test::Differences;
using test::MachineState;
using test::StateOf;

// A path as MachineState keys it: without its drive, in lower case.
std::wstring Key(const std::wstring& path) {
    std::wstring key = path.substr(std::min<std::size_t>(2, path.size()));
    for (wchar_t& c : key) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return key;
}

using test::Lines;

// The machine as it was before the repair. Without the firmware's order from before it (the
// sim's Windows PE shows bcdedit no firmware), the entry bcdboot added stays, as the undo says.
void ExpectAsBefore(test::SimProgram& program, const RepairOutcome& undo,
                    const MachineState& before) {
    MachineState after = StateOf(program.Machine());
    if (after.firmwareEntries != before.firmwareEntries && program.Machine().WinPE()) {
        EXPECT_THAT(undo.rows, Contains(HasSubstr(L"修复前未能读取固件启动顺序")));
        std::erase_if(program.Machine().FirmwareEntries(), [&](const FirmwareEntry& entry) {
            return std::find(before.firmwareEntries.begin(), before.firmwareEntries.end(),
                             entry.id + L" " + entry.description) == before.firmwareEntries.end();
        });
        after = StateOf(program.Machine());
    }
    EXPECT_TRUE(after == before) << Differences(before, after) << Lines(undo.rows);
}

// The target of the record's item of that kind whose path ends so ("\EFI\Boot").
std::wstring TargetEndingWith(test::SimProgram& program, const std::wstring& record,
                              std::initializer_list<UndoItemKind> kinds, std::wstring_view tail) {
    const LoadedUndoRecord loaded = LoadUndoRecord(program.Machine().Files(), record);
    if (!loaded.record) {
        return {};
    }
    for (const UndoItem& item : loaded.record->items) {
        if (std::find(kinds.begin(), kinds.end(), item.kind) != kinds.end() &&
            item.target.size() > tail.size() &&
            EqualsIgnoringCase(
                std::wstring_view(item.target).substr(item.target.size() - tail.size()), tail)) {
            return item.target;
        }
    }
    return {};
}

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

// A later update rewrites the file in place: its attributes stay, its bytes do not.
void UpdateLater(SimMachine& machine, const std::wstring& path, const char* text) {
    const auto attributes = machine.Files().Attributes(path);
    machine.Files().AddFile(path, test::MarkerBytes(text));
    if (attributes) {
        machine.Files().SetAttributes(path, *attributes);
    }
}

const char* AnswerName(GuardAnswer answer) {
    return answer == GuardAnswer::Yes ? "确定" : answer == GuardAnswer::No ? "取消" : "refused";
}

// A boot manager a Windows update replaced after the repair: asked about; 取消 keeps the update
// and restores the rest, 确定 puts back what was there before the repair.
TEST(UndoChangedSince, AFileUpdatedAfterTheRepairIsAskedAboutThenKeptOrRestored) {
    const struct {
        const char* scenario;
        const wchar_t* file;
    } cases[] = {
        {"xp_and_7.xml", L"\\bootmgr"},
        {"uefi_winpe.xml", L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi"},
    };
    for (const auto& c : cases) {
        for (GuardAnswer answer : {GuardAnswer::No, GuardAnswer::Yes}) {
            SCOPED_TRACE(std::string(c.scenario) + " " + AnswerName(answer));
            test::SimProgram program(test::ScenarioFile(c.scenario));
            const MachineState before = StateOf(program.Machine());
            const RepairOutcome repair = program.Run(program.AutomaticRequest());
            ASSERT_FALSE(repair.undoRecord.empty()) << Lines(repair.rows);
            const std::wstring path =
                TargetEndingWith(program, repair.undoRecord, {UndoItemKind::File}, c.file);
            ASSERT_FALSE(path.empty());
            UpdateLater(program.Machine(), path, "a later update's boot manager");
            const auto updated = *program.Machine().Files().FileBytes(path);
            program.asker.asked.clear();
            program.asker.answers = {answer};

            const RepairOutcome undo = program.Undo(repair.undoRecord);
            EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::UndoChangedSince));
            ASSERT_GE(undo.rows.size(), 2u);
            if (answer == GuardAnswer::Yes) {
                EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
                EXPECT_EQ(undo.rows[undo.rows.size() - 2], L"撤销完成!");
                ExpectAsBefore(program, undo, before);
                continue;
            }
            EXPECT_EQ(*program.Machine().Files().FileBytes(path), updated);
            EXPECT_THAT(undo.rows, Contains(L"已在修复后被改动，保留未还原: " + path));
            EXPECT_EQ(undo.failedSteps, 1) << Lines(undo.rows);
            EXPECT_EQ(undo.rows[undo.rows.size() - 2], L"撤销未完成：1 个步骤失败");
            // Not used up: the record is still offered, and can be used again.
            EXPECT_TRUE(program.Machine().Files().IsFile(repair.undoRecord));
            EXPECT_FALSE(program.Machine().Files().PathExists(FolderOf(repair.undoRecord) + L"\\" +
                                                              kUndoneRecordName));
            // Everything else is as it was before the repair.
            MachineState after = StateOf(program.Machine());
            MachineState expected = before;
            expected.files.erase(Key(path));
            after.files.erase(Key(path));
            EXPECT_TRUE(after.files == expected.files) << Differences(expected, after);
            EXPECT_EQ(after.sectors, expected.sectors);
        }
    }
}

// Another system installs its loader into \EFI\Boot after the repair: a file the repair never
// left there. 取消 keeps it (and the folder around it); 确定 clears what the repair made.
TEST(UndoChangedSince, ALoaderAnotherSystemAddedUnderEfiBootIsKeptWithCancel) {
    // uefi_winpe: bcdboot made \EFI\Boot; uefi_installed: it was there and the repair rewrote it.
    for (const char* scenario : {"uefi_winpe.xml", "uefi_installed.xml"}) {
        for (GuardAnswer answer : {GuardAnswer::No, GuardAnswer::Yes}) {
            SCOPED_TRACE(std::string(scenario) + " " + AnswerName(answer));
            test::SimProgram program(test::ScenarioFile(scenario));
            const MachineState before = StateOf(program.Machine());
            const RepairOutcome repair = program.Run(program.AutomaticRequest());
            ASSERT_FALSE(repair.undoRecord.empty()) << Lines(repair.rows);
            const std::wstring folder = TargetEndingWith(
                program, repair.undoRecord, {UndoItemKind::Folder, UndoItemKind::AbsentFolder},
                L"\\EFI\\Boot");
            ASSERT_FALSE(folder.empty());
            const std::wstring grub = folder + L"\\grubx64.efi";
            program.Machine().Files().AddFile(grub, test::MarkerBytes("another system's loader"));
            program.asker.asked.clear();
            program.asker.answers = {answer};

            const RepairOutcome undo = program.Undo(repair.undoRecord);
            EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::UndoChangedSince));
            if (answer == GuardAnswer::Yes) {
                EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
                ExpectAsBefore(program, undo, before);
                continue;
            }
            ASSERT_TRUE(program.Machine().Files().IsFile(grub));
            EXPECT_EQ(*program.Machine().Files().FileBytes(grub),
                      test::MarkerBytes("another system's loader"));
            EXPECT_THAT(undo.rows, Contains(L"已在修复后被改动，保留未还原: " + grub));
            EXPECT_EQ(undo.failedSteps, 1) << Lines(undo.rows);
            // The rest of the folder is as before the repair: the loader bcdboot put there is
            // gone again, or back as it was.
            MachineState after = StateOf(program.Machine());
            after.files.erase(Key(grub));
            const bool made = !TargetEndingWith(program, repair.undoRecord,
                                                {UndoItemKind::AbsentFolder}, L"\\EFI\\Boot")
                                   .empty();
            EXPECT_EQ(made, std::string(scenario) == "uefi_winpe.xml");
            if (made) {
                // Kept for the loader in it.
                EXPECT_EQ(after.files.count(Key(folder)), 1u);
                after.files.erase(Key(folder));
            }
            EXPECT_TRUE(after.files == before.files) << Differences(before, after);
        }
    }
}

// A record that says nothing of what its run left (one written before undo compared, or an
// editor save's) is undone as it always was: nothing asked, the file overwritten.
TEST(UndoChangedSince, ARecordWithoutWhatTheRunLeftIsUndoneAsBefore) {
    test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
    const MachineState before = StateOf(program.Machine());
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_FALSE(repair.undoRecord.empty());
    LoadedUndoRecord loaded = LoadUndoRecord(program.Machine().Files(), repair.undoRecord);
    ASSERT_TRUE(loaded.record);
    const std::size_t items = loaded.record->items.size();
    std::erase_if(loaded.record->items,
                  [](const UndoItem& item) { return IsLeftState(item.kind); });
    ASSERT_LT(loaded.record->items.size(), items) << "the repair's record says what it left";
    const std::string text = FormatUndoRecord(*loaded.record);
    program.Machine().Files().AddFile(repair.undoRecord,
                                      std::vector<std::uint8_t>(text.begin(), text.end()));
    UpdateLater(program.Machine(), L"C:\\bootmgr", "a later update's boot manager");
    program.asker.asked.clear();
    const RepairOutcome undo = program.Undo(repair.undoRecord);
    EXPECT_THAT(program.asker.asked, IsEmpty());
    EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
    ExpectAsBefore(program, undo, before);
}

const char* const kScenarios[] = {
    "demo.xml",
    "bitlocker.xml",
    "deleted_bcd.xml",
    "editor_boot_ini.xml",
    "editor_menu.xml",
    "full_esp.xml",
    "gpt_x86.xml",
    "grub_mbr.xml",
    "missing_entry.xml",
    "ntfs_esp.xml",
    "syslinux_mbr.xml",
    "two_active.xml",
    "uefi_grub_first.xml",
    "uefi_installed.xml",
    "uefi_winpe.xml",
    "wiped_mbr.xml",
    "xp_and_7.xml",
    "xp_only.xml",
    "uefi_entries_reset.xml",
    "two_same_windows.xml",
};

// Undoes the last run without a question, then undoes the undo from the record it left: the
// machine is as the run left it, byte for byte. The undo's record into redone, when asked for.
void ExpectUndoThenRedo(test::SimProgram& program, const RepairOutcome& run,
                        UndoRecord* redone = nullptr) {
    ASSERT_FALSE(run.undoRecord.empty()) << Lines(run.rows);
    const MachineState repaired = StateOf(program.Machine());
    program.asker.asked.clear();
    const RepairOutcome undo = program.Undo(run.undoRecord);
    EXPECT_THAT(program.asker.asked, IsEmpty()) << "nothing changed since the run";
    EXPECT_THAT(undo.rows, Not(Contains(HasSubstr(L"已在修复后被改动"))));
    EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
    ASSERT_FALSE(undo.undoRecord.empty()) << Lines(undo.rows);
    EXPECT_THAT(undo.rows, Contains(L"重做记录: " + undo.undoRecord));
    // Beside the record it undid, where 撤销上次修改 looks, named as a run's.
    EXPECT_EQ(FolderOf(FolderOf(undo.undoRecord)), FolderOf(FolderOf(run.undoRecord)));
    const LoadedUndoRecord redo = LoadUndoRecord(program.Machine().Files(), undo.undoRecord);
    ASSERT_TRUE(redo.record) << WideToUtf8(redo.error);
    EXPECT_EQ(redo.record->operation, L"撤销");
    EXPECT_TRUE(redo.record->complete);
    if (redone != nullptr) {
        *redone = *redo.record;
    }

    const RepairOutcome again = program.Undo(undo.undoRecord);
    EXPECT_THAT(program.asker.asked, IsEmpty());
    EXPECT_EQ(again.failedSteps, 0) << Lines(again.rows);
    const MachineState afterRedo = StateOf(program.Machine());
    EXPECT_TRUE(afterRedo == repaired) << Differences(repaired, afterRedo) << Lines(again.rows);
}

TEST(UndoChangedSince, AnUnchangedMachineIsNotAskedAndTheUndoCanBeUndone) {
    for (const char* name : kScenarios) {
        for (bool clear : {false, true}) {
            SCOPED_TRACE(std::string(name) + (clear ? " clearing" : ""));
            test::SimProgram program(test::ScenarioFile(name));
            RepairRequest request = program.AutomaticRequest();
            request.clearExisting = clear;
            const RepairOutcome repair = program.Run(request);
            if (!repair.engineRan) {
                continue;
            }
            ExpectUndoThenRedo(program, repair);
        }
    }
}

TEST(UndoChangedSince, AnMbrRepairsUndoCanBeUndone) {
    const struct {
        const char* scenario;
        MbrRepairKind kind;
    } cases[] = {
        {"wiped_mbr.xml", MbrRepairKind::Mbr},
        {"grub_mbr.xml", MbrRepairKind::Mbr},
        {"grub_mbr.xml", MbrRepairKind::Nt6Pbr},
        {"xp_only.xml", MbrRepairKind::Nt5Pbr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.scenario) + " kind " + std::to_string(static_cast<int>(c.kind)));
        test::SimProgram program(test::ScenarioFile(c.scenario));
        MbrRepairRequest request;
        request.boot = program.bootPartitions.empty() ? program.BootPartitionOf('C')
                                                      : program.bootPartitions.begin()->second;
        request.kind = c.kind;
        request.isWinPE = program.Machine().WinPE();
        const RepairOutcome repair = program.RunMbr(request);
        ExpectUndoThenRedo(program, repair);
    }
}

// The running Windows holds its store open: the undo exports it before it imports the one from
// before the repair, and the redo imports that export back.
TEST(UndoChangedSince, AStoreWindowsHoldsOpenIsRedoneThroughItsExport) {
    Scenario scenario = test::ScenarioFile("xp_and_7.xml");
    scenario.disks[0].number = 1;  // not disk 0, where the run would export at once
    test::SimProgram program(scenario);
    const RepairOutcome repair = program.Run(program.AutomaticRequest());
    ASSERT_THAT(repair.rows, Contains(HasSubstr(L"已导出系统 BCD 存储至 ")));
    UndoRecord redone;
    ExpectUndoThenRedo(program, repair, &redone);
    EXPECT_EQ(std::count_if(redone.items.begin(), redone.items.end(),
                            [&](const UndoItem& item) {
                                return item.kind == UndoItemKind::ExportedStore &&
                                       item.saved.starts_with(redone.folder + L"\\");
                            }),
              1);
}

// Where the undo's own record cannot be made, the user is asked as before a repair that could
// not save everything: 取消 changes nothing, 确定 undoes without a way back.
TEST(UndoChangedSince, AnUndoThatCannotBeRedoneIsAskedFirst) {
    for (GuardAnswer answer : {GuardAnswer::No, GuardAnswer::Yes}) {
        SCOPED_TRACE(AnswerName(answer));
        test::SimProgram program(test::ScenarioFile("xp_and_7.xml"));
        const MachineState before = StateOf(program.Machine());
        const RepairOutcome repair = program.Run(program.AutomaticRequest());
        ASSERT_FALSE(repair.undoRecord.empty());
        const MachineState repaired = StateOf(program.Machine());
        // The clock stands still: the undo's folder takes the next free name beside the run's.
        const std::wstring folder = FolderOf(repair.undoRecord);
        ASSERT_TRUE(folder.ends_with(L"QNBootRepair_undo_20261208103000"));
        program.Machine().Files().FailMakeDirectory(folder + L"_2");
        program.asker.asked.clear();
        program.asker.answers = {answer};

        const RepairOutcome undo = program.Undo(repair.undoRecord);
        EXPECT_THAT(program.asker.asked, ElementsAre(GuardKind::UndoLoss));
        EXPECT_TRUE(undo.undoRecord.empty());
        EXPECT_THAT(undo.guardLines, Contains(HasSubstr(L"本次撤销将无法重做")));
        if (answer == GuardAnswer::Yes) {
            EXPECT_EQ(undo.failedSteps, 0) << Lines(undo.rows);
            ExpectAsBefore(program, undo, before);
            continue;
        }
        EXPECT_TRUE(undo.stoppedByGuard);
        const MachineState after = StateOf(program.Machine());
        EXPECT_TRUE(after == repaired) << Differences(repaired, after);
        EXPECT_TRUE(program.Machine().Files().IsFile(repair.undoRecord));
    }
}

// A file the recorder's end reads as the run left it: every file it names once, folders and
// their trees' files, absent ones, and one it cannot read.
class UnreadableFiles : public fake::FakeFileSystem {
public:
    std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path,
                                                           std::uint64_t maxBytes) override {
        if (EqualsIgnoringCase(path, unreadable)) {
            return std::nullopt;
        }
        return FakeFileSystem::ReadFileBytes(path, maxBytes);
    }
    std::wstring unreadable;
};

TEST(UndoChangedSince, WhatTheRunLeftNamesEveryFileOnce) {
    UnreadableFiles files;
    files.AddFile(L"C:\\bootmgr", {1, 2, 3});
    files.AddFile(L"C:\\Boot\\BCD", {4});
    files.AddFile(L"C:\\Boot\\fonts\\a.ttf", {5, 6});
    files.AddDirectory(L"C:\\Boot\\empty");
    files.AddFile(L"C:\\EFI\\Boot\\bootx64.efi", {7});
    files.AddDirectory(L"D:\\elsewhere");
    files.AddFile(L"D:\\elsewhere\\x", {8});
    files.AddJunction(L"C:\\Boot\\link", L"D:\\elsewhere");
    files.unreadable = L"C:\\Boot\\BCD";
    UndoRecord record;
    record.items = {
        {UndoItemKind::Volume, L"C:", L"1A2B3C4D NTFS", 0},
        {UndoItemKind::File, L"C:\\bootmgr", L"D:\\u\\files\\C\\bootmgr", 39},
        {UndoItemKind::AbsentFile, L"C:\\ntldr", L"", 0},
        {UndoItemKind::Folder, L"C:\\Boot", L"", 0},
        {UndoItemKind::Unsaved, L"C:\\Boot\\BCD", L"", 0},
        {UndoItemKind::Folder, L"C:\\Boot\\fonts", L"", 0},
        {UndoItemKind::AbsentFolder, L"C:\\EFI\\Boot", L"", 0},
        {UndoItemKind::AbsentFolder, L"C:\\EFI\\Microsoft", L"", 0},
        {UndoItemKind::AbsentParent, L"C:\\EFI", L"", 0},
    };
    std::vector<std::wstring> said;
    for (const UndoItem& item : WhatTheRunLeft(files, record)) {
        std::wstring line = item.target;
        if (item.kind == UndoItemKind::LeftFile) {
            line += L" " + std::to_wstring(item.savedBytes) + L" " +
                    std::to_wstring(item.savedCrc == Crc32(*files.FileBytes(item.target)));
        } else {
            line += item.kind == UndoItemKind::LeftAbsent ? L" absent" : L" unread";
        }
        said.push_back(line);
    }
    EXPECT_THAT(said, testing::UnorderedElementsAre(
                          L"C:\\bootmgr 3 1", L"C:\\ntldr absent", L"C:\\Boot\\BCD unread",
                          L"C:\\Boot\\fonts\\a.ttf 2 1", L"C:\\EFI\\Boot\\bootx64.efi 1 1"));

    // What the run left, compared with what is there later.
    for (UndoItem& item : WhatTheRunLeft(files, record)) {
        record.items.push_back(std::move(item));
    }
    const LeftStates left(record);
    ASSERT_NE(left.Find(L"c:\\BOOTMGR"), nullptr);
    EXPECT_TRUE(SameAsLeft(*left.Find(L"C:\\bootmgr"), LeftStateOf(files, L"C:\\bootmgr")));
    files.AddFile(L"C:\\bootmgr", {1, 2, 4});
    EXPECT_FALSE(SameAsLeft(*left.Find(L"C:\\bootmgr"), LeftStateOf(files, L"C:\\bootmgr")));
    files.RemoveFile(L"C:\\bootmgr");
    EXPECT_FALSE(SameAsLeft(*left.Find(L"C:\\bootmgr"), LeftStateOf(files, L"C:\\bootmgr")));
    ASSERT_NE(left.Find(L"C:\\ntldr"), nullptr);
    EXPECT_TRUE(SameAsLeft(*left.Find(L"C:\\ntldr"), LeftStateOf(files, L"C:\\ntldr")));
    files.AddFile(L"C:\\ntldr", {9});
    EXPECT_FALSE(SameAsLeft(*left.Find(L"C:\\ntldr"), LeftStateOf(files, L"C:\\ntldr")));
    // Unread then: not compared, whatever it is now.
    files.unreadable.clear();
    files.AddFile(L"C:\\Boot\\BCD", {4, 4});
    EXPECT_TRUE(SameAsLeft(*left.Find(L"C:\\Boot\\BCD"), LeftStateOf(files, L"C:\\Boot\\BCD")));
    EXPECT_EQ(left.Find(L"C:\\Boot\\later.efi"), nullptr);
    EXPECT_TRUE(left.ListsEveryFile());
    record.complete = false;
    EXPECT_FALSE(LeftStates(record).ListsEveryFile()) << "an interrupted run's lines may be cut";
}

}  // namespace
}  // namespace qn::sim
