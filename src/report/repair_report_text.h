#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qn {

// A run's JSON report as a person reads it: what ran and how it ended, the checks, the
// backups. Reports come from files a user hands over, so anything may be in them: fields that
// are missing or of another type are shown as missing, and text that is no JSON object gives
// nothing.
std::optional<std::wstring> RepairReportText(std::string_view json);

}  // namespace qn
