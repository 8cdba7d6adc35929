#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ui/control.h"
#include "ui/control_factory.h"
#include "ui/control_manager.h"
#include "ui/skin_source.h"

namespace qn {

// Builds a control tree from the skin's markup (UTF-8 XML):
//
//   <Window size="600,398" caption="0,0,0,37">
//     <Font id="0" name="Microsoft YaHei" size="12" bold="false" default="true"/>
//     <Default name="Button" value="height=&quot;30&quot;"/>
//     <VerticalLayout> ... <Include source="StartPage.xml"/> ... </VerticalLayout>
//   </Window>
//
// A file included with <Include> holds one control element, which takes the Include's place.
// Fonts, defaults and the window's size and caption go into the manager. Anything the toolkit
// does not understand (an element, an attribute, a value) fails the build with a message that
// names it; so do malformed XML, nesting deeper than kMaxDepth and includes that loop.
class MarkupBuilder {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr int kMaxIncludeDepth = 8;

    MarkupBuilder(const SkinSource& skin, ControlManager& manager,
                  IDialogBuilderCallback* callback = nullptr)
        : skin_(skin), manager_(manager), callback_(callback) {}

    // Null with a reason in error when the file cannot be built.
    std::unique_ptr<Control> Build(const std::wstring& file, std::wstring& error);
    // The same from markup text already in memory; includes are read from the skin.
    std::unique_ptr<Control> BuildFromText(std::string_view markup, std::wstring& error);

private:
    const SkinSource& skin_;
    ControlManager& manager_;
    IDialogBuilderCallback* callback_;
};

}  // namespace qn
