#include "run/repair_log.h"

#include <cstdio>

#include "boot/backup_copy.h"
#include "boot/time_stamp.h"
#include "boot/utf8_text.h"
#include "boot/whole_file.h"

namespace qn {
namespace {

constexpr wchar_t kEol[] = L"\r\n";

std::wstring Section(const wchar_t* title) {
    return std::wstring(kEol) + L"== " + title + L" ==" + kEol;
}

std::wstring ExitText(const ProcessResult& result) {
    if (!result.started) {
        return L"未能启动";
    }
    if (!result.exitCodeKnown) {
        return L"未知";
    }
    return std::to_wstring(result.exitCode);
}

// The tool's own lines, indented, without its blank lines.
void AppendOutput(std::wstring& text, const std::wstring& output) {
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) {
            end = output.size();
        }
        const std::wstring line = output.substr(start, end - start);
        if (line.find_first_not_of(L" \t") != std::wstring::npos) {
            text += L"    | " + line + kEol;
        }
        start = end + 1;
    }
}

}  // namespace

std::wstring FormatLogTime(const SystemTime& t) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::wstring FormatRepairLog(const RepairLogData& data) {
    std::wstring text = L"Quenra NT 引导修复 " + data.version + L" 修复日志" + kEol;
    text += L"时间: " + FormatLogTime(data.time) + kEol;
    text += L"操作: " + data.operation + kEol;
    text += Section(L"机器");
    for (const std::wstring& line : data.machine) {
        text += line + kEol;
    }
    text += Section(L"输入");
    for (const std::wstring& line : data.inputs) {
        text += line + kEol;
    }
    if (!data.diagnosisBefore.empty()) {
        text += Section(L"修复前的诊断");
        for (const std::wstring& line : data.diagnosisBefore) {
            text += line + kEol;
        }
    }
    if (!data.guards.empty()) {
        text += Section(L"安全检查");
        for (const std::wstring& line : data.guards) {
            text += line + kEol;
        }
    }
    text += Section(L"步骤");
    for (const RunRecordEntry& entry : data.record) {
        if (!entry.run) {
            text += L"* " + entry.note + kEol;
            continue;
        }
        text += L"> " + entry.run->commandLine + kEol;
        text += L"  退出码: " + ExitText(entry.run->result) + kEol;
        AppendOutput(text, entry.run->decodedOutput);
    }
    text += Section(L"结果");
    for (const std::wstring& row : data.rows) {
        text += row + kEol;
    }
    if (!data.diagnosisAfter.empty()) {
        text += Section(L"修复后的诊断");
        for (const std::wstring& line : data.diagnosisAfter) {
            text += line + kEol;
        }
    }
    if (!data.undo.empty()) {
        text += Section(L"撤销");
        for (const std::wstring& line : data.undo) {
            text += line + kEol;
        }
    }
    return text;
}

std::vector<std::uint8_t> EncodeLog(const std::wstring& text) {
    const std::string utf8 = "\xEF\xBB\xBF" + WideToUtf8(text);
    return std::vector<std::uint8_t>(utf8.begin(), utf8.end());
}

std::wstring WriteRepairLog(FileSystem& files, Clock& clock, const std::wstring& folder,
                            const std::wstring& text) {
    if (folder.empty()) {
        return {};
    }
    std::wstring stem = folder;
    if (stem.back() != L'\\') {
        stem += L'\\';
    }
    stem += L"QNBootRepair_" + MakeTimeStamp(clock);
    // "_2", "_3" ... go before the extension so the file still opens as text.
    std::wstring path;
    for (int attempt = 1; attempt <= kBackupNameAttempts && path.empty(); ++attempt) {
        const std::wstring candidate =
            stem + (attempt == 1 ? L"" : L"_" + std::to_wstring(attempt)) + L".log";
        if (!files.PathExists(candidate)) {
            path = candidate;
        }
    }
    if (path.empty()) {
        return {};
    }
    if (!WriteWholeFile(files, path, EncodeLog(text))) {
        files.RemoveFile(path);  // no half log
        return {};
    }
    return path;
}

}  // namespace qn
