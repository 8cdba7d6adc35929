#include "app/command_line_options.h"

#include <gtest/gtest.h>

#include "boot/utf8_text.h"

namespace qn {
namespace {

TEST(CommandLine, ModesAndTheirSwitches) {
    CommandLineError error;
    auto none = ParseCommandLine({}, error);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->mode, RunMode::Window);

    auto automatic = ParseCommandLine({L"/AUTO", L"-boot", L"esp", L"/timeout", L"10", L"/clear",
                                       L"/log", L"D:\\r.log", L"/json", L"D:\\r.json", L"/yes"},
                                      error);
    ASSERT_TRUE(automatic) << WideToUtf8(error.message);
    EXPECT_EQ(automatic->mode, RunMode::Automatic);
    EXPECT_EQ(automatic->bootLetter, '#');
    EXPECT_EQ(automatic->timeout, L"10");
    EXPECT_TRUE(automatic->clear && automatic->yes);
    EXPECT_EQ(automatic->logFile, L"D:\\r.log");
    EXPECT_EQ(automatic->jsonFile, L"D:\\r.json");

    auto plan = ParseCommandLine({L"/plan", L"/boot", L"s:"}, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->mode, RunMode::Plan);
    EXPECT_EQ(plan->bootLetter, 'S');
    EXPECT_EQ(plan->timeout, L"3");

    auto undo = ParseCommandLine({L"/undo", L"C:\\QNBootRepair_1.undo"}, error);
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->undoRecord, L"C:\\QNBootRepair_1.undo");
}

TEST(CommandLine, BadArgumentsAreNamedInOneLine) {
    struct Case {
        std::vector<std::wstring> arguments;
        const wchar_t* message;
    } cases[] = {
        {{L"/fix"}, L"无法识别的参数: /fix"},
        {{L"/auto", L"/boot"}, L"参数 /boot 缺少值"},
        {{L"/auto", L"/boot", L"A:"}, L"参数 /boot 的值无效: A:（应为 C: 到 Z: 或 ESP）"},
        {{L"/auto", L"/boot", L"CD"}, L"参数 /boot 的值无效: CD（应为 C: 到 Z: 或 ESP）"},
        {{L"/auto", L"/timeout", L"-1"}, L"参数 /timeout 的值无效: -1（应为 0 到 86400 秒）"},
        {{L"/auto", L"/timeout", L"99999"}, L"参数 /timeout 的值无效: 99999（应为 0 到 86400 秒）"},
        {{L"/plan", L"/clear"}, L"参数 /clear 不能用于这个操作"},
        {{L"/diagnose", L"/boot", L"C:"}, L"参数 /boot 不能用于这个操作"},
        {{L"/yes"}, L"参数 /yes 需要与 /diagnose、/plan 或 /auto 一起使用"},
        {{L"/auto", L"/plan"}, L"参数 /plan 与前面的操作不能同时使用"},
        {{L"/undo"}, L"参数 /undo 缺少撤销记录文件"},
        {{L"/auto", L"/log", L""}, L"参数 /log 的文件名为空"},
    };
    for (const Case& c : cases) {
        CommandLineError error;
        EXPECT_FALSE(ParseCommandLine(c.arguments, error));
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.message.find(L'\n'), std::wstring::npos);
    }
}

}  // namespace
}  // namespace qn
