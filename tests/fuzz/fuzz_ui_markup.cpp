// Skin markup reaches the builder from the program's zip resource; damaged markup must fail
// cleanly. Every include resolves to the input itself, so include loops are exercised too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/control_manager.h"
#include "ui/fake/recording_canvas.h"
#include "ui/markup_builder.h"

namespace {

class SelfSource : public qn::SkinSource {
public:
    explicit SelfSource(const std::string& text) : text_(text) {}
    bool ReadFile(const std::wstring&, std::vector<std::uint8_t>& bytes,
                  std::wstring&) const override {
        bytes.assign(text_.begin(), text_.end());
        return true;
    }

private:
    const std::string& text_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SelfSource source(text);
    qn::ControlManager manager;
    std::wstring error;
    auto root = qn::MarkupBuilder(source, manager).BuildFromText(text, error);
    if (!root) {
        if (error.empty()) {
            __builtin_trap();  // a failure always says why
        }
        return 0;
    }
    // Whatever was built must lay out and draw without trouble.
    manager.AttachRoot(std::move(root));
    manager.SetClientSize({600, 398});
    qn::fake::RecordingCanvas canvas;
    manager.Paint(canvas, {0, 0, 600, 398});
    if (canvas.depth != 0) {
        __builtin_trap();
    }
    manager.OnButtonDown({300, 200}, 0);
    manager.OnButtonUp({300, 200}, 0);
    manager.OnKeyDown(0x09, 0);
    return 0;
}
