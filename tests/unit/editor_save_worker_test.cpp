// The editor's save as the window runs it on a worker: the request read from the page with the
// worker's own listing, the outcome applied back on the page, the page held meanwhile, the
// worker's report routed to the window, and a bcdedit that does not answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/main_dispatch.h"
#include "app/main_messages.h"
#include "editor_test_page.h"

namespace qn {
namespace {

using editor_test::EditorOnMachine;
using editor_test::Utf8;
using sim::test::ScenarioFile;

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

std::vector<std::uint8_t> Bytes(sim::SimMachine& machine, const std::wstring& path) {
    const auto* bytes = machine.Files().FileBytes(path);
    return bytes != nullptr ? *bytes : std::vector<std::uint8_t>{};
}

TEST(EditorSaveSteps, TheRequestKeepsItsListingWhenALaterLoadReplacesTheWindows) {
    EditorOnMachine editor(ScenarioFile("editor_menu.xml"));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    editor.SetTimeout(L"9");
    editor.Description(editor.RowOf(L"Windows 10"))->SetText(L"Windows 10 Pro");
    const SaveStart save = BeginSave(editor.Page(), editor.State());
    EXPECT_TRUE(save.request.fileSelected);
    EXPECT_EQ(save.request.fileItem, kBcdFileItem);
    EXPECT_EQ(save.request.timeout, L"9");
    ASSERT_EQ(save.request.rows.size(), static_cast<std::size_t>(editor.Rows()));
    EXPECT_EQ(save.request.rows[editor.RowOf(L"Windows 10 Pro")].identifier, win10);
    EXPECT_EQ(save.request.store, editor.StorePath());
    ASSERT_NE(save.loaded, nullptr);
    EXPECT_EQ(save.request.loaded, save.loaded.get());
    EXPECT_NE(save.request.loaded, editor.Current()) << "the window's listing, not a copy";
    const std::size_t entries = editor.Current()->entries.size();

    // boot.ini is loaded while the save runs: the window's listing is another one now.
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    ASSERT_EQ(editor.Current()->FromBcd, 0);
    EXPECT_EQ(save.loaded->entries.size(), entries);
    const FinishedSave finished = RunSave(editor.Ports(), save);
    EXPECT_TRUE(finished.bcd);
    EXPECT_EQ(finished.outcome.result, EditorSaveOutcome::Result::Saved)
        << Utf8(finished.outcome.message);
    EXPECT_EQ(editor.StoreTimeout(), 9u);
    EXPECT_EQ(editor.StoreText(win10, L"description"), L"Windows 10 Pro");
}

TEST(EditorSaveSteps, TheOutcomeComesBackToThePageAndTheWindowsState) {
    EditorOnMachine editor(ScenarioFile("editor_menu.xml"));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    editor.SetTimeout(L"9");
    FinishedSave saved = RunSave(editor.Ports(), BeginSave(editor.Page(), editor.State()));
    ASSERT_EQ(saved.outcome.result, EditorSaveOutcome::Result::Saved)
        << Utf8(saved.outcome.message);
    ASSERT_FALSE(saved.outcome.backup.empty());
    EXPECT_TRUE(editor.State().backup.empty()) << "the worker's step touches no window state";
    FinishSave(editor.Page(), editor.State(), saved);
    EXPECT_EQ(editor.State().backup, saved.outcome.backup);

    // boot.ini's backup is not the store's: the store's stays for its next refusal.
    FinishedSave ini = saved;
    ini.bcd = false;
    ini.outcome.backup = L"F:\\boot.ini_20261208103000";
    FinishSave(editor.Page(), editor.State(), ini);
    EXPECT_EQ(editor.State().backup, saved.outcome.backup);

    // Refused for want of a default: the first row that can be it is checked for the user.
    editor.Select(editor.RowOf(L"Windows 7"));
    RemoveSelectedRow(editor.Page().list);
    FinishedSave refused = RunSave(editor.Ports(), BeginSave(editor.Page(), editor.State()));
    ASSERT_TRUE(refused.outcome.chooseDefault) << Utf8(refused.outcome.message);
    EXPECT_FALSE(editor.Check(editor.RowOf(L"Windows 10"))->GetCheck());
    FinishSave(editor.Page(), editor.State(), refused);
    EXPECT_TRUE(editor.Check(editor.RowOf(L"Windows 10"))->GetCheck());
}

TEST(EditorSaveSteps, AHeldPageTakesNoInputUntilReleased) {
    EditorOnMachine editor(ScenarioFile("editor_menu.xml"));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto find = [&editor](const wchar_t* name) { return editor.Manager().FindControl(name); };
    const wchar_t* names[] = {L"CmbBootFile",  L"BtnBeRestore",  L"edBeTimeout", L"listBceEdit",
                              L"CmbBootEntry", L"BtnBeAddEntry", L"BtnBeUp",     L"BtnBeDown",
                              L"BtnBeDel",     L"BtnBeReturn",   L"BtnBeSave"};
    for (bool held : {true, false}) {
        HoldBootEditPage(find, held);
        for (const wchar_t* name : names) {
            ASSERT_NE(find(name), nullptr) << Utf8(name);
            EXPECT_EQ(find(name)->IsEnabled(), !held) << Utf8(name);
        }
        // The rows' own boxes go with their list.
        EXPECT_EQ(editor.Description(0)->IsReallyEnabled(), !held);
        EXPECT_EQ(editor.Locale(0)->IsReallyEnabled(), !held);
    }
}

// The GUI test's machine (tests/gui/scenarios/editor_slow_save.xml), whose bcdedit takes 3 s to
// set the timeout, with a limit shorter than that: a failed save like any other, the store put
// back from its backup, the message naming the tool that did not answer.
TEST(EditorSaveTimeout, AHangingBcdeditFailsTheSaveAndTheStoreIsPutBack) {
    std::ifstream file(QN_SOURCE_DIR "/tests/gui/scenarios/editor_slow_save.xml", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EditorOnMachine editor(sim::test::ScenarioText(text.str()));
    editor.Ports().toolTimeoutMs = 50;
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto before = Bytes(editor.Machine(), editor.StorePath());
    // Changes after the one that hangs are written too, and must be taken back.
    editor.SetTimeout(L"7");
    editor.Description(editor.RowOf(L"Windows 10"))->SetText(L"Windows 10 Pro");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Failed);
    EXPECT_EQ(outcome.title, L"错误信息");
    EXPECT_TRUE(Contains(outcome.message, L"{bootmgr} timeout\nbcdedit.exe 没有响应"))
        << Utf8(outcome.message);
    EXPECT_TRUE(Contains(outcome.message, L"已用备份恢复保存前的 BCD 存储"))
        << Utf8(outcome.message);
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), before);
    EXPECT_EQ(editor.StoreTimeout(), 30u);
    const auto journal = editor.Machine().Journal();
    EXPECT_EQ(
        std::count_if(journal.begin(), journal.end(),
                      [](const std::wstring& line) { return line.ends_with(L" -> timed out"); }),
        1);
    EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [](const std::wstring& line) {
        return Contains(line, L"description \"Windows 10 Pro\" -> 0");
    })) << "nothing after the hanging run was written";
}

TEST(EditorWorkerMessages, ReachTheWindowWhateverItsWorkflow) {
    EXPECT_EQ(WM_BOOTSAVE_DONE, 0x409u);
    EXPECT_EQ(WM_UNDOLIST_READY, 0x40Au);
    for (int mode : {ModeAutoRepair, ModeManualRepair, ModeRepairMbr, ModeEditBoot}) {
        EXPECT_EQ(MessageAction(WM_BOOTSAVE_DONE, mode), MainAction::FinishBootSave) << mode;
        EXPECT_EQ(MessageAction(WM_UNDOLIST_READY, mode), MainAction::OfferEarlierUndo) << mode;
    }
}

}  // namespace
}  // namespace qn
