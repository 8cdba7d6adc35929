// An editor save leaves a record as a repair does; undo from it brings the store or boot.ini
// back byte for byte, and the records are found again later, newest first, each only once.
#include <gtest/gtest.h>

#include "editor_test_page.h"
#include "undo/undo_run.h"

namespace qn {
namespace {

using editor_test::EditorOnMachine;
using editor_test::Utf8;
using sim::test::ScenarioFile;

constexpr wchar_t kDesktop[] = L"C:\\Users\\Administrator\\Desktop";

std::vector<std::uint8_t> Bytes(sim::SimMachine& machine, const std::wstring& path) {
    const auto* bytes = machine.Files().FileBytes(path);
    return bytes != nullptr ? *bytes : std::vector<std::uint8_t>{};
}

sim::Scenario ThroughNtldr() {
    sim::Scenario scenario = ScenarioFile("editor_menu.xml");
    scenario.disks[0].partitions[0].bootCode = sim::BootRecordCode::Ntldr;
    return scenario;
}

TEST(EditorUndo, UndoingASaveBringsTheFileBackByteForByte) {
    const struct {
        const wchar_t* item;
        sim::Scenario scenario;
    } cases[] = {{kBcdFileItem, ScenarioFile("editor_menu.xml")},
                 {kBootIniFileItem, ThroughNtldr()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.item));
        EditorOnMachine editor(c.scenario);
        editor.State().undoParent = kDesktop;
        ASSERT_EQ(editor.Open(c.item), std::nullopt);
        const std::wstring file = c.item == std::wstring(kBcdFileItem)
                                      ? editor.BootFiles().bcdStorePath
                                      : editor.BootFiles().bootIniPath;
        const auto original = Bytes(editor.Machine(), file);
        const auto attributes = editor.Machine().Files().Attributes(file);
        editor.SetTimeout(L"9");
        const EditorSaveOutcome saved = editor.Save();
        ASSERT_EQ(saved.result, EditorSaveOutcome::Result::Saved) << Utf8(saved.message);
        ASSERT_FALSE(saved.undoRecord.empty());
        ASSERT_NE(Bytes(editor.Machine(), file), original);

        const auto found = FindUndoRecords(editor.Ports().files, {kDesktop});
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].path, saved.undoRecord);
        EXPECT_EQ(found[0].record.operation, L"编辑启动项");

        const RepairOutcome undo = editor.Program().Undo(saved.undoRecord);
        EXPECT_EQ(undo.failedSteps, 0);
        EXPECT_EQ(Bytes(editor.Machine(), file), original);
        EXPECT_EQ(editor.Machine().Files().Attributes(file), attributes);
        // Used once: not offered again, and asked again it says so.
        EXPECT_TRUE(FindUndoRecords(editor.Ports().files, {kDesktop}).empty());
        const LoadedUndoRecord again = LoadUndoRecord(editor.Ports().files, saved.undoRecord);
        EXPECT_FALSE(again.record);
        EXPECT_NE(again.error.find(L"已经撤销过了"), std::wstring::npos) << Utf8(again.error);
    }
}

TEST(EditorUndo, RecordsAreOfferedNewestFirstAndStepBackOneAtATime) {
    EditorOnMachine editor(ScenarioFile("editor_menu.xml"));
    editor.State().undoParent = kDesktop;
    const std::wstring store = editor.BootFiles().bcdStorePath;
    const auto original = Bytes(editor.Machine(), store);
    std::vector<std::vector<std::uint8_t>> states = {original};
    for (int minute : {31, 32}) {
        editor.Program().Clock().Set({2026, 12, 8, 10, minute, 0, 0});
        ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);  // a new load: a new backup
        editor.SetTimeout(std::to_wstring(minute));
        ASSERT_FALSE(editor.Save().undoRecord.empty());
        states.push_back(Bytes(editor.Machine(), store));
    }
    // Something that is not a record, beside them, is passed over.
    editor.Machine().Files().AddDirectory(std::wstring(kDesktop) + L"\\QNBootRepair_undo_x");
    editor.Machine().Files().AddFile(std::wstring(kDesktop) + L"\\QNBootRepair_undo_x\\undo.txt",
                                     {'n', 'o'});
    for (std::size_t step = states.size() - 1; step > 0; --step) {
        const auto found = FindUndoRecords(editor.Ports().files, {kDesktop});
        ASSERT_EQ(found.size(), step);
        EXPECT_EQ(found[0].record.time, L"2026-12-08 10:" + std::to_wstring(30 + step) + L":00");
        EXPECT_EQ(editor.Program().Undo(found[0].path).failedSteps, 0);
        EXPECT_EQ(Bytes(editor.Machine(), store), states[step - 1]);
    }
    EXPECT_TRUE(FindUndoRecords(editor.Ports().files, {kDesktop}).empty());
}

}  // namespace
}  // namespace qn
