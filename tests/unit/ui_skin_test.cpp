// Builds every window of the real skin, as the build packed it, and checks what the program's
// code relies on: control names and kinds, page order, window sizes, positions that are quoted.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ui/combo_box.h"
#include "ui/control_manager.h"
#include "ui/edit_box.h"
#include "ui/fake/recording_canvas.h"
#include "ui/label.h"
#include "ui/list_view.h"
#include "ui/markup_builder.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn {
namespace {

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

class UiSkin : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream file(QN_TEST_SKIN_ZIP, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(file), {});
        ZipArchive archive;
        std::wstring error;
        ASSERT_TRUE(archive.Open(bytes_, error)) << Narrow(error);
        skin_ = std::make_shared<ZipSkinSource>(std::move(archive));
    }
    void Load(const std::wstring& file, int scale = 100) {
        manager.SetSkin(skin_);
        manager.SetScalePercent(scale);
        std::wstring error;
        auto root = MarkupBuilder(*skin_, manager).Build(file, error);
        ASSERT_NE(root, nullptr) << Narrow(error);
        manager.AttachRoot(std::move(root));
        const UiSize size = manager.GetWindowSpec().size;
        manager.SetClientSize({manager.Scale(size.cx), manager.Scale(size.cy)});
        manager.LayoutIfNeeded();
    }
    template <typename T>
    T* Find(const wchar_t* name) {
        auto* control = dynamic_cast<T*>(manager.FindControl(name));
        EXPECT_NE(control, nullptr) << Narrow(name);
        return control;
    }

    std::vector<std::uint8_t> bytes_;
    std::shared_ptr<SkinSource> skin_;
    ControlManager manager;
};

TEST_F(UiSkin, MainFrameHasEveryControlTheProgramUses) {
    Load(L"MainFrame.xml");
    EXPECT_EQ(manager.GetWindowSpec().size.cx, 600);
    EXPECT_EQ(manager.GetWindowSpec().size.cy, 398);
    EXPECT_EQ(manager.GetWindowSpec().caption.bottom, 37);
    EXPECT_EQ(Find<Control>(L"main_title1")->Text(), L"NT引导修复");
    for (const wchar_t* name :
         {L"btn_min",       L"btn_close",     L"BtnAutoRepair", L"BtnManuRepair", L"BtnEditBcd",
          L"BtnRepairMBR",  L"BtnRsQuit",     L"BtnRsReturn",   L"BtnSpNext",     L"BtnSpReturn",
          L"BtnBootRepair", L"BtnBootReturn", L"BtnMRNt6",      L"BtnMRNt5",      L"BtnMBRRepair",
          L"BtnMBRPre",     L"BtnBeUp",       L"BtnBeDown",     L"BtnBeDel",      L"BtnBeReturn",
          L"BtnBeSave",     L"BtnBeAddEntry", L"BtnRsUndo",     L"BtnBeRestore"}) {
        auto* button = Find<Button>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->ClassName(), L"Button") << Narrow(name);
    }
    for (const wchar_t* name : {L"lbStOs", L"lbStDkPt", L"lbStActPt", L"lbResultTip", L"lbSpTip"}) {
        Find<Label>(name);
    }
    for (const wchar_t* name : {L"listResult", L"SelPartList", L"SelBootList", L"listBceEdit"}) {
        Find<ListView>(name);
    }
    Find<CheckBox>(L"ckClearBootRepair");
    Find<ComboBox>(L"CmbBootFile");
    Find<ComboBox>(L"CmbBootEntry");
    EXPECT_EQ(Find<EditBox>(L"edTimeout")->Text(), L"3");
    Find<EditBox>(L"edBeTimeout");
    EXPECT_EQ(Find<Label>(L"lbResultTip")->Text(), L"正在修复引导，请稍候......");
    EXPECT_EQ(Find<Button>(L"BtnMRNt6")->Text(),
              L"修复NT6引导-PBR(M)    (适用Windows Vista及以后版本操作系统)");
    EXPECT_EQ(Find<Button>(L"BtnMRNt5")->Text(),
              L"修复NT5引导-PBR(A)    (适用Windows Vista以前版本的操作系统)");
    EXPECT_EQ(Find<Button>(L"BtnMBRRepair")->Text(), L"修复主引导-MBR(L)");
    EXPECT_EQ(Find<Button>(L"BtnMBRPre")->Text(), L"上一步(P)");
    EXPECT_EQ(Find<Button>(L"BtnBeUp")->Text(), L"上移(U)");
    EXPECT_EQ(Find<Button>(L"BtnBeDown")->Text(), L"下移(D)");
    EXPECT_EQ(Find<Button>(L"BtnBeReturn")->Text(), L"取消(C)");
    EXPECT_EQ(Find<Button>(L"BtnBeSave")->Text(), L"保存(S)");
    EXPECT_EQ(Find<Button>(L"BtnBeAddEntry")->Text(), L"添加(A)");
}

TEST_F(UiSkin, PagesComeInTheWizardsOrderWithTheirHeaders) {
    Load(L"MainFrame.xml");
    auto* tab = Find<TabLayout>(L"mainframe_tab");
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->Count(), 6);
    const wchar_t* marker[] = {L"BtnAutoRepair", L"listResult", L"SelPartList",
                               L"SelBootList",   L"BtnMRNt6",   L"listBceEdit"};
    for (int page = 0; page < 6; ++page) {
        EXPECT_NE(tab->ItemAt(page)->FindByName(marker[page]), nullptr) << page;
    }
    auto headers = [&](const wchar_t* list) {
        std::vector<std::wstring> texts;
        ListHeader* header = Find<ListView>(list)->Header();
        for (int i = 0; i < header->Count(); ++i) {
            texts.push_back(header->ItemAt(i)->Text());
        }
        return texts;
    };
    EXPECT_EQ(headers(L"SelBootList"),
              (std::vector<std::wstring>{L"盘符", L"分区表", L"卷标", L"状态"}));
    EXPECT_EQ(headers(L"listBceEdit"),
              (std::vector<std::wstring>{L"默认", L"设备", L"启动项名称", L"语言"}));
    EXPECT_EQ(Find<ListView>(L"listResult")->Header()->FixedHeight(), 1);
}

TEST_F(UiSkin, EveryPageLaysOutInsideTheWindowWithButtonsOnScreen) {
    for (int scale : {100, 150}) {
        Load(L"MainFrame.xml", scale);
        auto* tab = Find<TabLayout>(L"mainframe_tab");
        const UiRect client{0, 0, manager.Scale(600), manager.Scale(398)};
        for (int page = 0; page < 6; ++page) {
            tab->SelectItem(page);
            manager.LayoutIfNeeded();
            std::function<void(Control*)> check = [&](Control* c) {
                if (!c->IsVisible()) {
                    return;
                }
                if (dynamic_cast<Button*>(c) != nullptr) {
                    const UiRect pos = c->Pos();
                    EXPECT_FALSE(pos.Empty()) << Narrow(c->Name()) << " page " << page;
                    EXPECT_EQ(Intersect(pos, client), pos) << Narrow(c->Name()) << " at " << scale;
                    EXPECT_GE(pos.Height(), manager.Scale(28)) << Narrow(c->Name());
                }
                for (int i = 0; i < c->TreeChildCount(); ++i) {
                    check(c->TreeChildAt(i));
                }
            };
            check(tab->ItemAt(page));
        }
        // The row geometry the editor builds in code fits the list's columns.
        auto* list = Find<ListView>(L"listBceEdit");
        EXPECT_GE(list->Pos().Width() - manager.Scale(8), manager.Scale(490));
    }
}

TEST_F(UiSkin, ConfirmFormMatchesTheDialog) {
    Load(L"ConfirmForm.xml");
    EXPECT_EQ(manager.GetWindowSpec().size.cx, 400);
    EXPECT_EQ(manager.GetWindowSpec().size.cy, 200);
    EXPECT_EQ(manager.GetWindowSpec().caption.bottom, 31);
    auto* title = Find<EditBox>(L"edit_title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Text(), L"Quenra-提示信息");
    EXPECT_FALSE(title->IsEnabled());
    EXPECT_EQ(Find<Button>(L"btn_yes")->Text(), L"确定(Y)");
    EXPECT_EQ(Find<Button>(L"btn_no")->Text(), L"取消(C)");
    auto* one = Find<Button>(L"btn_oneyes");
    EXPECT_EQ(one->Text(), L"确定(Y)");
    EXPECT_EQ(one->Pos(), (UiRect{155, 130, 245, 160}));
    const UiRect msg = Find<Label>(L"text_msg")->Pos();
    EXPECT_EQ(msg.Width(), 360);
    EXPECT_EQ(msg.Height(), 75);
    EXPECT_EQ(msg.left, 20);
    // The title band, below the 31-pixel caption, holds no button.
    EXPECT_EQ(manager.FindControlAt({200, 15}), title);
}

TEST_F(UiSkin, EveryImageTheSkinNamesDecodes) {
    Load(L"MainFrame.xml");
    fake::RecordingCanvas canvas;
    auto* tab = Find<TabLayout>(L"mainframe_tab");
    for (int page = 0; page < 6; ++page) {
        tab->SelectItem(page);
        manager.Paint(canvas, {0, 0, 600, 398});
    }
    EXPECT_GT(canvas.images.size(), 20u);
    for (const wchar_t* file : {L"checked.png", L"unchecked.png", L"cb_e1.png", L"cb_e2.png",
                                L"btn_primary_normal.png", L"btn_second_normal.png", L"logo.png"}) {
        EXPECT_NE(manager.Image(file), nullptr) << Narrow(file);
    }
}

}  // namespace
}  // namespace qn
