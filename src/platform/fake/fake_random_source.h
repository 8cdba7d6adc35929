#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/random_source.h"

namespace qn::fake {

// Hands out scripted bytes in order, then a simple counter sequence; can be told to fail.
// Counts calls so tests see how many draws a piece of code made.
class FakeRandomSource : public RandomSource {
public:
    void Script(const std::vector<std::uint8_t>& bytes) {
        scripted_.insert(scripted_.end(), bytes.begin(), bytes.end());
    }
    void SetFailing(bool failing) { failing_ = failing; }
    void ScriptGuid(const Guid& guid) { guids_.push_back(guid); }
    int FillCalls() const { return fillCalls_; }

    bool Fill(std::uint8_t* data, std::size_t size) override {
        ++fillCalls_;
        if (failing_) {
            return false;
        }
        for (std::size_t i = 0; i < size; ++i) {
            if (!scripted_.empty()) {
                data[i] = scripted_.front();
                scripted_.pop_front();
            } else {
                data[i] = counter_++;
            }
        }
        return true;
    }
    Guid NewGuid() override {
        if (guids_.empty()) {
            return {};
        }
        Guid g = guids_.front();
        guids_.pop_front();
        return g;
    }

private:
    std::deque<std::uint8_t> scripted_;
    std::deque<Guid> guids_;
    std::uint8_t counter_ = 0;
    bool failing_ = false;
    int fillCalls_ = 0;
};

}  // namespace qn::fake
