#pragma once

namespace qn {

// What a result line does to the result list: mode 0 appends a row, mode 1 replaces the text of
// the last row (or appends the first one to an empty list), any other mode does nothing.
enum class ResultLineAction { Append, ReplaceLast, Nothing };

inline ResultLineAction ResultLineActionFor(int mode, int rowCount) {
    if (rowCount == 0 && (mode == 0 || mode == 1)) {
        return ResultLineAction::Append;
    }
    if (mode == 0) {
        return ResultLineAction::Append;
    }
    return mode == 1 ? ResultLineAction::ReplaceLast : ResultLineAction::Nothing;
}

}  // namespace qn
