// An undo record is read back from a file anyone could have edited; undo acts on what it says.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "record/undo_record_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = qn::ParseUndoRecord(
        std::string_view(reinterpret_cast<const char*>(data), size), L"C:\\undo");
    if (const auto* record = std::get_if<qn::UndoRecord>(&parsed)) {
        // What was read must read back the same once written again.
        const std::string again = qn::FormatUndoRecord(*record);
        const auto reparsed = qn::ParseUndoRecord(again, L"C:\\undo");
        const auto* second = std::get_if<qn::UndoRecord>(&reparsed);
        if (second == nullptr || second->items.size() != record->items.size() ||
            second->complete != record->complete || second->operation != record->operation) {
            __builtin_trap();
        }
        // Item by item: a field written one way and read another (a left file's size and
        // checksum, a copy's) would be a different record.
        for (std::size_t i = 0; i < record->items.size(); ++i) {
            const qn::UndoItem& a = record->items[i];
            const qn::UndoItem& b = second->items[i];
            if (a.kind != b.kind || a.target != b.target || a.saved != b.saved ||
                a.attributes != b.attributes || a.savedBytes != b.savedBytes ||
                a.savedCrc != b.savedCrc) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
