#include "report/repair_report_text.h"

#include <nlohmann/json.hpp>

#include "boot/utf8_text.h"

namespace qn {
namespace {

using nlohmann::json;

std::wstring Text(const json& object, const char* key, const wchar_t* missing = L"?") {
    if (!object.is_object()) {
        return missing;
    }
    const auto it = object.find(key);
    if (it == object.end()) {
        return missing;
    }
    if (it->is_string()) {
        return Utf8ToWide(it->get_ref<const std::string&>());
    }
    if (it->is_number_integer() || it->is_number_unsigned()) {
        return std::to_wstring(it->get<long long>());
    }
    if (it->is_boolean()) {
        return it->get<bool>() ? L"是" : L"否";
    }
    return missing;
}

const json& Member(const json& object, const char* key) {
    static const json kNull;
    if (!object.is_object()) {
        return kNull;
    }
    const auto it = object.find(key);
    return it == object.end() ? kNull : *it;
}

bool True(const json& object, const char* key) {
    const json& value = Member(object, key);
    return value.is_boolean() && value.get<bool>();
}

void Lines(std::wstring& out, const json& list, const wchar_t* indent) {
    if (!list.is_array()) {
        return;
    }
    for (const json& item : list) {
        if (item.is_string()) {
            out += indent + Utf8ToWide(item.get_ref<const std::string&>()) + L"\r\n";
        }
    }
}

// A diagnosis in a few lines: the status, the first problem, the chain's links, each system.
void Diagnosis(std::wstring& out, const wchar_t* title, const json& diagnosis) {
    if (!diagnosis.is_object()) {
        return;
    }
    const std::wstring status = Text(diagnosis, "status");
    out += std::wstring(L"\r\n") + title + L": " + status + L"\r\n";
    const std::wstring problem = Text(diagnosis, "problem", L"");
    if (!problem.empty() && problem != status) {
        out += L"  问题: " + problem + L"\r\n";
    }
    Lines(out, Member(diagnosis, "chain"), L"  ");
    if (Member(diagnosis, "installations").is_array()) {
        for (const json& system : Member(diagnosis, "installations")) {
            const std::wstring reason = Text(system, "reason", L"");
            out += L"  " + Text(system, "letter") + L" " + Text(system, "name") + L": " +
                   (True(system, "bootable") ? L"可以启动" : L"无法启动") +
                   (reason.empty() ? L"" : L"（" + reason + L"）") + L"\r\n";
        }
    }
}

}  // namespace

std::optional<std::wstring> RepairReportText(std::string_view text) {
    const json report = json::parse(text.begin(), text.end(), nullptr, false);
    if (report.is_discarded() || !report.is_object()) {
        return std::nullopt;
    }
    std::wstring out = L"QNBootRepair " + Text(Member(report, "program"), "version") + L" 报告，" +
                       Text(report, "time") + L"，操作 " + Text(report, "operation") + L"\r\n";
    const json& inputs = Member(report, "inputs");
    out += L"引导分区 " + Text(inputs, "boot") + L"，等待时间 " + Text(inputs, "timeout") +
           L" 秒，清除原有启动项 " + Text(inputs, "clear") + L"\r\n";
    out += L"退出码 " + Text(report, "exitCode") + L"，失败步骤 " + Text(report, "failedSteps") +
           L"\r\n";

    Diagnosis(out, L"诊断", Member(report, "diagnosis"));
    Diagnosis(out, L"修复前的诊断", Member(report, "diagnosisBefore"));
    if (Member(report, "guards").is_array() && !Member(report, "guards").empty()) {
        out += L"\r\n安全检查:\r\n";
        Lines(out, Member(report, "guards"), L"  ");
    }

    const json& machine = Member(report, "machine");
    if (Member(machine, "disks").is_array()) {
        out += L"\r\n磁盘:\r\n";
        for (const json& disk : Member(machine, "disks")) {
            out += L"  " + Text(disk, "number") + L": " + Text(disk, "style") + L" " +
                   Text(disk, "model", L"") + L"\r\n";
            if (!Member(disk, "partitions").is_array()) {
                continue;
            }
            for (const json& p : Member(disk, "partitions")) {
                out += L"    " + Text(p, "letter") + L" " + Text(p, "fileSystem", L"") +
                       (True(p, "active") ? L" 激活分区" : L"") +
                       (True(p, "esp") ? L" EFI系统分区" : L"") + L"\r\n";
            }
        }
    }
    if (Member(machine, "installations").is_array()) {
        out += L"Windows:\r\n";
        for (const json& w : Member(machine, "installations")) {
            out += L"  " + Text(w, "letter") + L" " + Text(w, "name") +
                   (True(w, "selected") ? L"（已选择）" : L"") + L"\r\n";
        }
    }
    if (Member(report, "steps").is_array()) {
        out += L"\r\n步骤:\r\n";
        for (const json& step : Member(report, "steps")) {
            if (Member(step, "note").is_string()) {
                out += L"  * " + Text(step, "note") + L"\r\n";
                continue;
            }
            out += L"  > " + Text(step, "commandLine") + L"  (退出码 " +
                   (True(step, "started") ? Text(step, "exitCode", L"未知") : L"未能启动") +
                   L")\r\n";
        }
    }
    out += L"\r\n结果:\r\n";
    Lines(out, Member(report, "rows"), L"  ");
    if (Member(report, "verification").is_array()) {
        out += L"\r\n验证:\r\n";
        for (const json& check : Member(report, "verification")) {
            const std::wstring reason = Text(check, "reason", L"");
            out += L"  " + Text(check, "letter") + L" " + Text(check, "name") + L": " +
                   (!True(check, "certain")   ? L"无法确认"
                    : True(check, "bootable") ? L"可以启动"
                                              : L"无法启动") +
                   (reason.empty() ? L"" : L"（" + reason + L"）") +
                   (True(check, "default") ? L"，默认启动项" : L"") + L"\r\n";
        }
    }
    Diagnosis(out, L"修复后的诊断", Member(report, "diagnosisAfter"));
    out += L"\r\n备份:\r\n";
    Lines(out, Member(report, "backups"), L"  ");
    out += L"日志: " + Text(report, "log", L"无") + L"\r\n";
    out += L"撤销记录: " + Text(report, "undoRecord", L"无") + L"\r\n";
    return out;
}

}  // namespace qn
