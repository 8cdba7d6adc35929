#include "ui/markup_builder.h"
#include "ui/markup_depth.h"

#include <gtest/gtest.h>

#include "ui/button.h"
#include "ui/fake/memory_skin_source.h"
#include "ui/label.h"
#include "ui/list_view.h"
#include "ui/tab_layout.h"

namespace qn {
namespace {

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

class UiMarkup : public ::testing::Test {
protected:
    std::unique_ptr<Control> Build(const std::string& markup) {
        MarkupBuilder builder(skin, manager, callback);
        error.clear();
        return builder.BuildFromText(markup, error);
    }
    fake::MemorySkinSource skin;
    ControlManager manager;
    IDialogBuilderCallback* callback = nullptr;
    std::wstring error;
};

TEST_F(UiMarkup, BuildsWindowFontsDefaultsAndIncludesInOrder) {
    skin.Add(
        L"Page0.xml",
        "<VerticalLayout name=\"p0\"><Label name=\"a\" text=\"\xE5\xBC\x95\"/></VerticalLayout>");
    skin.Add(L"Page1.xml",
             "<VerticalLayout name=\"p1\"><Button name=\"b\" height=\"40\"/></VerticalLayout>");
    auto root = Build(R"(<?xml version="1.0" encoding="UTF-8"?>
        <Window size="600,398" caption="0,0,0,37">
          <Font id="0" name="Microsoft YaHei" size="13" default="true"/>
          <Font id="2" name="SimSun" size="12" bold="true"/>
          <Default name="Button" value="height=&quot;30&quot; text=&quot;x&quot;"/>
          <TabLayout name="tab"><Include source="Page0.xml"/><Include source="Page1.xml"/></TabLayout>
        </Window>)");
    ASSERT_NE(root, nullptr) << Narrow(error);
    manager.AttachRoot(std::move(root));
    EXPECT_EQ(manager.GetWindowSpec().size.cx, 600);
    EXPECT_EQ(manager.GetWindowSpec().caption.bottom, 37);
    ASSERT_NE(manager.FindFont(2), nullptr);
    EXPECT_TRUE(manager.FindFont(2)->bold);
    EXPECT_EQ(manager.FindFont(-1)->name, L"Microsoft YaHei");
    auto* tab = dynamic_cast<TabLayout*>(manager.FindControl(L"tab"));
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->Count(), 2);
    EXPECT_EQ(tab->ItemAt(1)->Name(), L"p1");
    EXPECT_EQ(manager.FindControl(L"a")->Text(), L"\u5F15");
    // Defaults come first, the element's own attributes win.
    auto* b = dynamic_cast<Button*>(manager.FindControl(L"b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->FixedHeight(), 40);
    EXPECT_EQ(b->Text(), L"x");
}

TEST_F(UiMarkup, ListsTakeTheirHeaderAndRows) {
    auto root = Build(R"(<List name="l" itemfont="2"><ListHeader height="1"/>
        <ListLabelElement text="r0"/><ListTextElement text="r1"/></List>)");
    ASSERT_NE(root, nullptr) << Narrow(error);
    auto* list = dynamic_cast<ListView*>(root.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Header()->FixedHeight(), 1);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->ItemAt(1)->Text(), L"r1");
}

TEST_F(UiMarkup, WindowCallbackSuppliesUnknownControls) {
    struct Callback : IDialogBuilderCallback {
        std::unique_ptr<Control> CreateControl(std::wstring_view name) override {
            return name == L"Banner" ? std::make_unique<Label>() : nullptr;
        }
    } supplier;
    callback = &supplier;
    auto root = Build("<VerticalLayout><Banner name=\"x\" text=\"hi\"/></VerticalLayout>");
    ASSERT_NE(root, nullptr) << Narrow(error);
    EXPECT_EQ(root->FindByName(L"x")->Text(), L"hi");
}

TEST_F(UiMarkup, BadMarkupFailsWithAMessageNamingTheProblem) {
    skin.Add(L"Loop.xml", "<VerticalLayout><Include source=\"Loop.xml\"/></VerticalLayout>");
    skin.Add(L"Two.xml", "<Label/><Label/>");
    std::string deep;
    for (int i = 0; i < 200; ++i) {
        deep += "<VerticalLayout>";
    }
    struct Case {
        std::string markup;
        std::wstring mentions;
    };
    const Case cases[] = {
        {"<VerticalLayout><Label></VerticalLayout>", L"malformed XML"},
        {"", L"no element"},
        {"<Blink/>", L"<Blink>"},
        {"<Label colour=\"red\"/>", L"colour"},
        {"<Label width=\"wide\"/>", L"width"},
        {"<Label pos=\"1,2,3\"/>", L"pos"},
        {"<Label><Label/></Label>", L"cannot hold"},
        {"<VerticalLayout><Include source=\"Loop.xml\"/></VerticalLayout>", L"includes itself"},
        {"<VerticalLayout><Include source=\"Nope.xml\"/></VerticalLayout>", L"Nope.xml"},
        {"<VerticalLayout><Include source=\"Two.xml\"/></VerticalLayout>", L"more than one"},
        {"<VerticalLayout><Include/></VerticalLayout>", L"source"},
        {"<Window size=\"0,0\"><Label/></Window>", L"size"},
        {"<Window><Font id=\"1\"/><Label/></Window>", L"Font"},
        {"<Window><Default name=\"Button\"/><Label/></Window>", L"Default"},
        {"<Window/>", L"no control"},
        {deep, L"too deep"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Build(c.markup), nullptr) << c.markup;
        EXPECT_NE(error.find(c.mentions), std::wstring::npos)
            << c.markup << " gave: " << Narrow(error);
    }
}

TEST(UiMarkupDepth, CountsNestingAsTheParserWill) {
    struct Case {
        const char* markup;
        int depth;  // how deep the parser nests it
    } cases[] = {
        {"<a><b/><b/><c><d/></c></a>", 2},
        {"<a><c><d></d></c></a>", 3},
        {"<a><!-- <b><c><d> --></a>", 1},
        {"<?xml version=\"1.0\"?><a/><a>", 1},
        // What hides a tag's end or a closing tag from a naive scan.
        {"<a n=\"/>\"><a n='/>'><a n=\"'\"></a></a></a>", 3},
        {"<a><?pi </a> ?><b></b></a>", 2},
        {"<!DOCTYPE d [ <!ENTITY e \"</a>\"> ]><a><b></b></a>", 2},
        {"<a><![CDATA[</a></a>]]><b></b></a>", 2},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(MarkupDepthWithin(c.markup, c.depth)) << c.markup;
        EXPECT_FALSE(MarkupDepthWithin(c.markup, c.depth - 1)) << c.markup;
    }
}

TEST_F(UiMarkup, QuotedTagEndsCannotSmuggleDeepNestingPastTheLimit) {
    // 200,000 levels once overflowed the stack: each tag looked self-closing to the pre-check.
    std::string markup;
    for (int i = 0; i < 200000; ++i) {
        markup += "<HorizontalLayout name=\"/>\">";
    }
    EXPECT_FALSE(MarkupDepthWithin(markup, MarkupBuilder::kMaxDepth));
    EXPECT_EQ(Build(markup), nullptr);
    EXPECT_NE(error.find(L"too deep"), std::wstring::npos) << Narrow(error);
}

}  // namespace
}  // namespace qn
