#pragma once

#include <string>

namespace qn {

// Where a repair run reports its rows: the result list of the window (through its channel) or
// a recording in tests and the unattended mode.
class RepairSink {
public:
    virtual ~RepairSink() = default;
    // Appends a row.
    virtual void Append(const std::wstring& text) = 0;
    // Replaces the text of the last row (a step's progress row with its outcome).
    virtual void ReplaceLast(const std::wstring& text) = 0;
};

// Rows nobody sees.
class QuietRepairSink final : public RepairSink {
public:
    void Append(const std::wstring&) override {}
    void ReplaceLast(const std::wstring&) override {}
};

}  // namespace qn
