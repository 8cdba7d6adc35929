// The start page's diagnosis line: its label in the skin, under the summary, with the four
// workflow buttons still whole on the page; and the text it shows.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/start_diagnosis.h"
#include "ui/control_manager.h"
#include "ui/label.h"
#include "ui/markup_builder.h"

namespace qn {
namespace {

TEST(StartPageDiagnosis, TheLabelSitsUnderTheSummaryAndTheButtonsStayWhole) {
    std::ifstream file(QN_TEST_SKIN_ZIP, std::ios::binary);
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(file), {});
    ZipArchive archive;
    std::wstring error;
    ASSERT_TRUE(archive.Open(bytes, error));
    auto skin = std::make_shared<ZipSkinSource>(std::move(archive));
    for (int scale : {100, 150}) {
        SCOPED_TRACE(scale);
        ControlManager manager;
        manager.SetSkin(skin);
        manager.SetScalePercent(scale);
        auto root = MarkupBuilder(*skin, manager).Build(L"MainFrame.xml", error);
        ASSERT_NE(root, nullptr);
        manager.AttachRoot(std::move(root));
        const UiSize size = manager.GetWindowSpec().size;
        manager.SetClientSize({manager.Scale(size.cx), manager.Scale(size.cy)});
        manager.LayoutIfNeeded();
        auto* line = dynamic_cast<Label*>(manager.FindControl(kStartDiagnosisLabel));
        ASSERT_NE(line, nullptr);
        const Control* above = manager.FindControl(L"lbStActPt");
        ASSERT_NE(above, nullptr);
        EXPECT_GE(line->Pos().top, above->Pos().bottom);
        EXPECT_GT(line->Pos().right - line->Pos().left, manager.Scale(300));
        const Control* footer = manager.FindControl(L"lbFooterName");
        for (const wchar_t* name :
             {L"BtnAutoRepair", L"BtnManuRepair", L"BtnEditBcd", L"BtnRepairMBR"}) {
            const Control* button = manager.FindControl(name);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->Pos().bottom - button->Pos().top, manager.Scale(62));
            EXPECT_LE(button->Pos().bottom, footer->Pos().top) << "the page holds the buttons";
        }
    }
}

TEST(StartPageDiagnosis, TheLineSaysBootsOrTheFirstProblem) {
    BootDiagnosis diagnosis;
    diagnosis.boots = true;
    EXPECT_EQ(StartDiagnosisText(diagnosis), L"引导正常");
    diagnosis.boots = false;
    diagnosis.problem = L"磁盘0 主引导记录没有引导代码";
    EXPECT_EQ(StartDiagnosisText(diagnosis), L"磁盘0 主引导记录没有引导代码");
    diagnosis.problem.clear();
    EXPECT_EQ(StartDiagnosisText(diagnosis), L"无法判断引导状态");
}

}  // namespace
}  // namespace qn
