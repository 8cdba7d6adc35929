#include "boot/tool_output.h"

#include <vector>

namespace qn {
namespace {

constexpr std::size_t kShortLineChars = 100;
constexpr std::size_t kWarningIndent = 8;  // the error below a warning; other lines take 4 or none

struct Line {
    std::wstring_view text;  // trimmed
    std::size_t indent = 0;
};

std::vector<Line> NonEmptyLines(std::wstring_view output) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start <= output.size()) {
        std::size_t end = output.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos) {
            end = output.size();
        }
        std::wstring_view line = output.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(L" \t");
        if (first != std::wstring_view::npos) {
            const std::size_t last = line.find_last_not_of(L" \t");
            lines.push_back({line.substr(first, last - first + 1), first});
        }
        start = end + 1;
    }
    return lines;
}

bool EndsWithColon(std::wstring_view text) {
    return !text.empty() && (text.back() == L':' || text.back() == L'\xFF1A');
}

std::wstring Short(std::wstring_view text) {
    return text.size() <= kShortLineChars ? std::wstring(text) : std::wstring();
}

}  // namespace

std::optional<std::wstring> BootsectLockWarning(std::wstring_view output) {
    const std::vector<Line> lines = NonEmptyLines(output);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].indent >= kWarningIndent && lines[i - 1].indent < lines[i].indent &&
            EndsWithColon(lines[i - 1].text)) {
            return std::wstring(lines[i].text);
        }
    }
    return std::nullopt;
}

std::wstring MeaningfulFailureLine(std::wstring_view output) {
    constexpr std::wstring_view kDiagnostic = L"BFSVC";
    constexpr std::wstring_view kErrorPrefix = L"BFSVC Error: ";
    std::wstring_view lastDiagnostic;
    for (const Line& line : NonEmptyLines(output)) {
        if (line.text.substr(0, kDiagnostic.size()) != kDiagnostic) {
            return Short(line.text);
        }
        lastDiagnostic = line.text;
    }
    if (lastDiagnostic.substr(0, kErrorPrefix.size()) == kErrorPrefix) {
        lastDiagnostic.remove_prefix(kErrorPrefix.size());
    }
    return Short(lastDiagnostic);
}

std::wstring Win32ErrorMeaning(unsigned long code) {
    struct Known {
        unsigned long code;
        const wchar_t* text;
    };
    static constexpr Known kKnown[] = {
        {2, L"找不到文件"},
        {3, L"找不到路径"},
        {5, L"拒绝访问"},
        {15, L"找不到指定的驱动器"},
        {19, L"介质受写入保护"},
        {21, L"设备未就绪"},
        {32, L"文件正被其他程序使用"},
        {87, L"参数错误"},
        {112, L"磁盘空间不足"},
        {193, L"不是有效的 Win32 程序（程序与系统的位数不符）"},
        {1005, L"卷不包含可识别的文件系统"},
        {1168, L"找不到元素"},
        {1392, L"文件或目录损坏且无法读取"},
    };
    for (const Known& known : kKnown) {
        if (known.code == code) {
            return known.text;
        }
    }
    return {};
}

}  // namespace qn
