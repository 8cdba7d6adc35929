#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/digits_only_filter.h"
#include "app/main_dispatch.h"
#include "app/main_messages.h"
#include "app/progress_ticker.h"
#include "app/result_line.h"

namespace qn {
namespace {

TEST(ClickTable, EveryEntryActsTheSameInEveryModeExceptTheBootPageButtons) {
    struct Case {
        const wchar_t* name;
        MainAction action;
    } cases[] = {
        {L"btn_close", MainAction::CloseWindow},
        {L"BtnRsQuit", MainAction::CloseWindow},
        {L"btn_min", MainAction::Minimize},
        {L"BtnAutoRepair", MainAction::StartAutoRepairFlow},
        {L"BtnManuRepair", MainAction::StartManualRepairFlow},
        {L"BtnEditBcd", MainAction::StartEditBootFlow},
        {L"BtnRepairMBR", MainAction::StartRepairMbrFlow},
        {L"BtnSpReturn", MainAction::ShowStartPage},
        {L"BtnRsReturn", MainAction::ShowStartPage},
        {L"BtnRsUndo", MainAction::UndoLastRepair},
        {L"BtnBeRestore", MainAction::UndoEarlierRun},
        {L"BtnSpNext", MainAction::AcceptCheckedInstalls},
        {L"BtnMBRPre", MainAction::ShowBootPartitionPage},
        {L"BtnMRNt6", MainAction::StartMbrRepairNt6},
        {L"BtnMRNt5", MainAction::StartMbrRepairNt5},
        {L"BtnMBRRepair", MainAction::StartMbrRepairMbr},
        {L"BtnBeReturn", MainAction::ShowStartPage},
        {L"BtnBeSave", MainAction::SaveBootEntries},
        {L"BtnBeUp", MainAction::MoveEntryUp},
        {L"BtnBeDown", MainAction::MoveEntryDown},
        {L"BtnBeDel", MainAction::RemoveEntry},
        {L"BtnBeAddEntry", MainAction::AddEntry},
    };
    for (int mode = ModeAutoRepair; mode <= ModeEditBoot; ++mode) {
        for (const auto& c : cases) {
            EXPECT_EQ(ClickAction(c.name, mode), c.action)
                << std::string(c.name, c.name + std::wcslen(c.name)) << " mode " << mode;
        }
    }
    EXPECT_EQ(ClickTableNames().size(), std::size(cases) + 2);  // plus the two boot-page buttons
}

TEST(ClickTable, BootPageButtonsActByWorkMode) {
    struct Case {
        int mode;
        MainAction back, next;
    } cases[] = {
        {ModeAutoRepair, MainAction::None, MainAction::None},
        {ModeManualRepair, MainAction::ShowInstallPage, MainAction::StartManualRepair},
        {ModeRepairMbr, MainAction::ShowStartPage, MainAction::CheckMbrTarget},
        {ModeEditBoot, MainAction::ShowStartPage, MainAction::OpenBootFilesForEdit},
        {7, MainAction::None, MainAction::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClickAction(L"BtnBootReturn", c.mode), c.back) << c.mode;
        EXPECT_EQ(ClickAction(L"BtnBootRepair", c.mode), c.next) << c.mode;
    }
}

TEST(ClickTable, NamesCompareExactly) {
    EXPECT_EQ(ClickAction(L"btnclose", 0), MainAction::None);
    EXPECT_EQ(ClickAction(L"BTN_CLOSE", 0), MainAction::None);
    EXPECT_EQ(ClickAction(L"", 0), MainAction::None);
    const auto names = ClickTableNames();
    EXPECT_EQ(std::set<std::wstring_view>(names.begin(), names.end()).size(), names.size());
}

TEST(Notifications, TypeDecidesBeforeSender) {
    EXPECT_EQ(NotificationAction(L"click", L"BtnBeSave", 3), MainAction::SaveBootEntries);
    EXPECT_EQ(NotificationAction(L"Click", L"BtnBeSave", 3), MainAction::None);
    EXPECT_EQ(NotificationAction(L"selectchanged", L"BtnAutoRepair", 0), MainAction::None);
    EXPECT_EQ(NotificationAction(L"itemselect", L"CmbBootFile", 3), MainAction::LoadBootEntries);
    EXPECT_EQ(NotificationAction(L"itemselect", L"CmbBootEntry", 3), MainAction::None);
    EXPECT_EQ(NotificationAction(L"textchanged", L"edTimeout", 1), MainAction::FilterTimeoutEdit);
    EXPECT_EQ(NotificationAction(L"textchanged", L"edBeTimeout", 3),
              MainAction::FilterBootEditTimeout);
    EXPECT_EQ(NotificationAction(L"textchanged", L"edOther", 3), MainAction::None);
    EXPECT_EQ(NotificationAction(L"windowinit", L"", 0), MainAction::None);
}

TEST(MessageTable, NumbersAreFixedAndDetectDoneActsByMode) {
    EXPECT_EQ(WM_DETECT_DONE, 0x401u);
    EXPECT_EQ(WM_BOOTLIST_READY, 0x405u);
    EXPECT_EQ(WM_DIAGNOSIS_READY, 0x406u);
    EXPECT_EQ(WM_GUARD_QUESTION, 0x407u);
    EXPECT_EQ(WM_UNDO_RECORD, 0x408u);
    EXPECT_EQ(MessageAction(0x401, ModeAutoRepair), MainAction::StartAutomaticRepair);
    EXPECT_EQ(MessageAction(0x401, ModeManualRepair), MainAction::FillInstallList);
    EXPECT_EQ(MessageAction(0x401, ModeRepairMbr), MainAction::None);
    EXPECT_EQ(MessageAction(0x401, ModeEditBoot), MainAction::None);
    for (int mode = 0; mode < 4; ++mode) {
        EXPECT_EQ(MessageAction(0x402, mode), MainAction::ShowDetectProgress);
        EXPECT_EQ(MessageAction(0x403, mode), MainAction::AppendResultLine);
        EXPECT_EQ(MessageAction(0x404, mode), MainAction::RepairDone);
        EXPECT_EQ(MessageAction(0x405, mode), MainAction::FillBootEditPage);
        EXPECT_EQ(MessageAction(0x400, mode), MainAction::PassToBase);
        EXPECT_EQ(MessageAction(0x406, mode), MainAction::ShowDiagnosis);
        EXPECT_EQ(MessageAction(0x407, mode), MainAction::AskGuardQuestion);
        EXPECT_EQ(MessageAction(0x408, mode), MainAction::KeepUndoRecord);
        EXPECT_EQ(MessageAction(0x40B, mode), MainAction::PassToBase);
    }
}

TEST(DigitsOnly, KeepsDigitsInOrderAndLeavesCleanTextAlone) {
    struct Case {
        std::wstring in;
        bool changed;
        std::wstring out;
    } cases[] = {
        {L"3", false, L""},           {L"", false, L""},
        {L"1a2", true, L"12"},        {L"x", true, L""},
        {L"5\u79D2", true, L"5"},      // Chinese "second" typed after a digit
        {L"\uFF11\uFF12", true, L""},  // full-width digits are not digits here
        {L"-3", true, L"3"},          {L" 30 ", true, L"30"},
        {L"0123456789", false, L""},
    };
    for (const auto& c : cases) {
        const auto filtered = DigitsOnly(c.in);
        EXPECT_EQ(filtered.has_value(), c.changed);
        if (filtered) {
            EXPECT_EQ(*filtered, c.out);
        }
    }
}

TEST(ProgressTicker, CreepsToTheLimitJumpsAheadAndNeverGoesDown) {
    int shown = 0;
    for (int tick = 0; tick < 200; ++tick) {
        const int next = NextTickerValue(shown, 0);
        EXPECT_GE(next, shown);
        shown = next;
    }
    EXPECT_EQ(shown, kTickerCreepLimit);
    EXPECT_EQ(NextTickerValue(10, 50), 50);  // real progress ahead: jump
    EXPECT_EQ(NextTickerValue(50, 20), 51);  // behind: keep creeping
    EXPECT_EQ(NextTickerValue(93, 93), 93);  // at the limit without news
    EXPECT_EQ(NextTickerValue(93, 97), 97);
    EXPECT_EQ(NextTickerValue(97, 40), 97);  // never down, not even below the limit
    EXPECT_EQ(NextTickerValue(0, 0), 1);
}

TEST(ResultLine, ModesOnEmptyAndFilledLists) {
    struct Case {
        int mode, rows;
        ResultLineAction action;
    } cases[] = {
        {0, 0, ResultLineAction::Append},   {0, 3, ResultLineAction::Append},
        {1, 0, ResultLineAction::Append},   {1, 3, ResultLineAction::ReplaceLast},
        {2, 0, ResultLineAction::Nothing},  {2, 3, ResultLineAction::Nothing},
        {-1, 3, ResultLineAction::Nothing},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResultLineActionFor(c.mode, c.rows), c.action) << c.mode << "/" << c.rows;
    }
}

}  // namespace
}  // namespace qn
