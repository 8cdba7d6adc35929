#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/diagnostics.h"

namespace qn::fake {

// Keeps every diagnostic text written, in order.
class FakeDiagnostics : public Diagnostics {
public:
    void Write(std::wstring_view text) override { writes_.emplace_back(text); }

    const std::vector<std::wstring>& Writes() const { return writes_; }
    // Everything written, as one text.
    std::wstring Text() const {
        std::wstring all;
        for (const std::wstring& text : writes_) {
            all += text;
        }
        return all;
    }

private:
    std::vector<std::wstring> writes_;
};

}  // namespace qn::fake
