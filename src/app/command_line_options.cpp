#include "app/command_line_options.h"

#include <cwctype>

#include "boot/field_text.h"
#include "boot/text_helpers.h"
#include "disk/boot_partition.h"

namespace qn {
namespace {

// Timeouts bcdedit and boot.ini take: up to a day, in seconds.
constexpr unsigned long kMaxTimeout = 86400;

bool IsSwitch(const std::wstring& argument, const wchar_t* name) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-') &&
           EqualsIgnoringCase(std::wstring_view(argument).substr(1), name);
}

std::optional<char> BootLetterOf(const std::wstring& value) {
    if (EqualsIgnoringCase(value, L"ESP")) {
        return kEspWithoutLetter;
    }
    if ((value.size() == 2 && value[1] == L':') || value.size() == 1) {
        const wchar_t letter = static_cast<wchar_t>(std::towupper(value[0]));
        if (letter >= L'C' && letter <= L'Z') {
            return static_cast<char>(letter);
        }
    }
    return std::nullopt;
}

bool ValidTimeout(const std::wstring& value) {
    const auto seconds = ParseDecimalDigits(value, 5);
    return seconds && *seconds <= kMaxTimeout;
}

struct ModeSwitch {
    const wchar_t* name;
    RunMode mode;
};
constexpr ModeSwitch kModes[] = {{L"diagnose", RunMode::Diagnose},
                                 {L"plan", RunMode::Plan},
                                 {L"auto", RunMode::Automatic},
                                 {L"undo", RunMode::Undo}};

// Which switches each mode takes (besides its own).
bool Takes(RunMode mode, const wchar_t* option) {
    const std::wstring name = option;
    switch (mode) {
        case RunMode::Diagnose:
            return name == L"json";
        case RunMode::Plan:
            return name == L"boot" || name == L"timeout";
        case RunMode::Automatic:
            return name == L"boot" || name == L"timeout" || name == L"clear" || name == L"log" ||
                   name == L"json" || name == L"yes";
        case RunMode::Undo:
            return name == L"log" || name == L"json" || name == L"yes";
        case RunMode::Window:
            break;
    }
    return false;
}

using GivenOption = std::pair<const wchar_t*, std::wstring>;  // option, value

// The mode goes into options at once; every other switch waits in given, to be checked once the
// mode is known (it may come after them).
bool ReadArguments(const std::vector<std::wstring>& arguments, CommandLineOptions& options,
                   std::vector<GivenOption>& given, CommandLineError& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        bool known = false;
        for (const ModeSwitch& mode : kModes) {
            if (IsSwitch(argument, mode.name)) {
                known = true;
                if (options.mode != RunMode::Window) {
                    error.message = L"参数 " + argument + L" 与前面的操作不能同时使用";
                    return false;
                }
                options.mode = mode.mode;
                if (mode.mode == RunMode::Undo) {
                    if (i + 1 >= arguments.size()) {
                        error.message = L"参数 " + argument + L" 缺少撤销记录文件";
                        return false;
                    }
                    options.undoRecord = arguments[++i];
                }
            }
        }
        if (known) {
            continue;
        }
        for (const wchar_t* flag : {L"clear", L"yes"}) {
            if (IsSwitch(argument, flag)) {
                known = true;
                given.emplace_back(flag, std::wstring());
            }
        }
        for (const wchar_t* valued : {L"boot", L"timeout", L"log", L"json"}) {
            if (IsSwitch(argument, valued)) {
                known = true;
                if (i + 1 >= arguments.size()) {
                    error.message = L"参数 " + argument + L" 缺少值";
                    return false;
                }
                given.emplace_back(valued, arguments[++i]);
            }
        }
        if (!known) {
            error.message = L"无法识别的参数: " + argument;
            return false;
        }
    }
    return true;
}

// A switch the mode does not take, or a value it cannot use, is refused.
bool ApplyOption(const GivenOption& given, CommandLineOptions& options, CommandLineError& error) {
    const auto& [option, value] = given;
    const std::wstring name = option;
    if (!Takes(options.mode, option)) {
        error.message =
            L"参数 /" + name +
            (options.mode == RunMode::Window ? L" 需要与 /diagnose、/plan 或 /auto 一起使用"
                                             : L" 不能用于这个操作");
        return false;
    }
    if (name == L"boot") {
        options.bootLetter = BootLetterOf(value);
        if (!options.bootLetter) {
            error.message = L"参数 /boot 的值无效: " + value + L"（应为 C: 到 Z: 或 ESP）";
            return false;
        }
    } else if (name == L"timeout") {
        if (!ValidTimeout(value)) {
            error.message = L"参数 /timeout 的值无效: " + value + L"（应为 0 到 86400 秒）";
            return false;
        }
        options.timeout = value;
    } else if (name == L"clear") {
        options.clear = true;
    } else if (name == L"yes") {
        options.yes = true;
    } else if (value.empty()) {
        error.message = L"参数 /" + name + L" 的文件名为空";
        return false;
    } else if (name == L"log") {
        options.logFile = value;
    } else {
        options.jsonFile = value;
    }
    return true;
}

}  // namespace

std::optional<CommandLineOptions> ParseCommandLine(const std::vector<std::wstring>& arguments,
                                                   CommandLineError& error) {
    CommandLineOptions options;
    std::vector<GivenOption> given;
    if (!ReadArguments(arguments, options, given, error)) {
        return std::nullopt;
    }
    for (const GivenOption& option : given) {
        if (!ApplyOption(option, options, error)) {
            return std::nullopt;
        }
    }
    return options;
}

std::wstring UsageText() {
    return L"用法:\r\n"
           L"  QNBootRepair.exe                         打开修复向导\r\n"
           L"  QNBootRepair.exe /diagnose [/json 文件]  只诊断，不做任何更改\r\n"
           L"  QNBootRepair.exe /plan [/boot X:|ESP] [/timeout 秒]\r\n"
           L"                                           列出自动修复将要执行的步骤，不做更改\r\n"
           L"  QNBootRepair.exe /auto [/boot X:|ESP] [/timeout 秒] [/clear] [/log 文件]\r\n"
           L"                   [/json 文件] [/yes]     无人值守的自动修复\r\n"
           L"  QNBootRepair.exe /undo 文件 [/log 文件] [/json 文件] [/yes]\r\n"
           L"                                           按修复记录撤销一次修复\r\n"
           L"退出码: 0 全部成功，1 有步骤失败，2 参数错误或被安全检查拒绝\r\n";
}

}  // namespace qn
