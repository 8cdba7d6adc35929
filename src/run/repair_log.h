#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "run/repair_run.h"

namespace qn {

// Everything a repair log holds.
struct RepairLogData {
    std::wstring operation;  // "自动修复", "手动修复", "修复主引导记录"
    SystemTime time;
    std::wstring version;
    std::vector<std::wstring> machine;
    std::vector<std::wstring> inputs;
    std::vector<std::wstring> diagnosisBefore;  // what the machine would boot before the run
    std::vector<std::wstring> guards;           // what the guards found and what was chosen
    std::vector<RunRecordEntry> record;         // every tool run and file change, in order
    std::vector<std::wstring> rows;             // the result list, with the verification
    std::vector<std::wstring> diagnosisAfter;
    std::vector<std::wstring> undo;  // where undo finds what the run saved
};

// "2026-12-08 15:52:33", as the log names its time.
std::wstring FormatLogTime(const SystemTime& time);

// The log's text (lines ended by CR LF), the same for the same data.
std::wstring FormatRepairLog(const RepairLogData& data);

// UTF-8 with a byte-order mark, so that Notepad on any Windows reads the Chinese right.
std::vector<std::uint8_t> EncodeLog(const std::wstring& text);

// Writes the log into folder as "QNBootRepair_<time stamp>.log" (another number appended when
// that name is taken). The path written, or empty when it could not be written.
std::wstring WriteRepairLog(FileSystem& files, Clock& clock, const std::wstring& folder,
                            const std::wstring& text);

}  // namespace qn
