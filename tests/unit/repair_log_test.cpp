#include "run/repair_log.h"

#include <gtest/gtest.h>

#include "boot/utf8_text.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "repair/repair_engine.h"
#include "run/log_places.h"

namespace qn {
namespace {

RepairLogData Sample() {
    RepairLogData data;
    data.operation = L"自动修复";
    data.version = L"0.1.0";
    data.time = {2026, 12, 8, 9, 5, 7, 0};
    data.machine = {L"磁盘 0: MBR, 500 GB"};
    data.inputs = {L"引导分区: S:"};
    ToolRun bcdboot;
    bcdboot.commandLine = L"\"W\\bcdboot.exe\" C:\\Windows /s S: /f BIOS /l zh-CN";
    bcdboot.result = {true, true, 1};
    bcdboot.decodedOutput = L"\r\nFailure when attempting to copy boot files.\r\n\r\n";
    ToolRun missing;
    missing.commandLine = L"\"W\\bootsect.exe\" /nt60 S: /mbr";
    data.record = {
        {std::nullopt, L"备份: S:\\Boot\\BCD_20261208090507"}, {bcdboot, {}}, {missing, {}}};
    data.rows = {L"分区表类型为 MBR", L"修复未完成：1 个步骤失败"};
    return data;
}

TEST(RepairLog, ShowsEveryStepWithItsExitCodeAndOutput) {
    const std::wstring expected =
        L"Quenra NT 引导修复 0.1.0 修复日志\r\n"
        L"时间: 2026-12-08 09:05:07\r\n"
        L"操作: 自动修复\r\n"
        L"\r\n== 机器 ==\r\n"
        L"磁盘 0: MBR, 500 GB\r\n"
        L"\r\n== 输入 ==\r\n"
        L"引导分区: S:\r\n"
        L"\r\n== 步骤 ==\r\n"
        L"* 备份: S:\\Boot\\BCD_20261208090507\r\n"
        L"> \"W\\bcdboot.exe\" C:\\Windows /s S: /f BIOS /l zh-CN\r\n"
        L"  退出码: 1\r\n"
        L"    | Failure when attempting to copy boot files.\r\n"
        L"> \"W\\bootsect.exe\" /nt60 S: /mbr\r\n"
        L"  退出码: 未能启动\r\n"
        L"\r\n== 结果 ==\r\n"
        L"分区表类型为 MBR\r\n"
        L"修复未完成：1 个步骤失败\r\n";
    EXPECT_EQ(FormatRepairLog(Sample()), expected);
}

TEST(RepairLog, IsWrittenAsUtf8WithAMarkAndNeverOverAnEarlierLog) {
    fake::FakeFileSystem files;
    fake::FakeClock clock({2026, 12, 8, 9, 5, 7, 0});
    files.AddDirectory(L"C:\\Users\\a\\Desktop");
    const std::wstring first = WriteRepairLog(files, clock, L"C:\\Users\\a\\Desktop\\", L"日志");
    const std::wstring second = WriteRepairLog(files, clock, L"C:\\Users\\a\\Desktop", L"second");
    EXPECT_EQ(first, L"C:\\Users\\a\\Desktop\\QNBootRepair_20261208090507.log");
    EXPECT_EQ(second, L"C:\\Users\\a\\Desktop\\QNBootRepair_20261208090507_2.log");
    const std::vector<std::uint8_t> bytes = {0xEF, 0xBB, 0xBF, 0xE6, 0x97, 0xA5, 0xE5, 0xBF, 0x97};
    EXPECT_EQ(*files.FileBytes(first), bytes);
}

TEST(RepairLog, AFolderThatCannotBeWrittenGivesNoPathAndNoFile) {
    fake::FakeFileSystem files;
    fake::FakeClock clock({2026, 12, 8, 9, 5, 7, 0});
    EXPECT_EQ(WriteRepairLog(files, clock, L"Q:\\missing", L"x"), L"");
    EXPECT_EQ(WriteRepairLog(files, clock, L"", L"x"), L"");
    files.AddDirectory(L"C:\\d");
    files.SetWriteLimit(0);
    EXPECT_EQ(WriteRepairLog(files, clock, L"C:\\d", L"x"), L"");
    EXPECT_TRUE(files.ListDirectory(L"C:\\d")->empty());
}

TEST(RepairLog, GoesToTheDesktopOrInWindowsPeToTheRepairedDrive) {
    fake::FakeFileSystem files;
    files.SetFolder(KnownFolder::Desktop, L"X:\\Users\\Default\\Desktop");
    EXPECT_EQ(LogFolder(files, false, 'C'), L"X:\\Users\\Default\\Desktop\\");
    EXPECT_EQ(LogFolder(files, true, 'D'), L"D:\\");
    EXPECT_EQ(LogFolder(files, true, 0), L"");
}

}  // namespace
}  // namespace qn

namespace qn {
namespace {

std::vector<std::wstring> Folders(const std::vector<LogPlace>& places) {
    std::vector<std::wstring> folders;
    for (const LogPlace& place : places) {
        folders.push_back(place.folder + (place.lostAtRestart ? L" (RAM)" : L""));
    }
    return folders;
}

// The log never just fails: each place it may go, in the order a user would look.
TEST(LogPlaces, EachPlaceInTheOrderTheUserLooks) {
    struct Case {
        bool winPE;
        char letter;
        const wchar_t* desktop;
        const wchar_t* program;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {false,
         'C',
         L"C:\\Users\\a\\Desktop",
         L"E:\\tools",
         {L"C:\\Users\\a\\Desktop\\", L"C:\\", L"E:\\tools\\"}},
        // PE's desktop and a program inside the PE image are on its RAM drive.
        {true,
         'C',
         L"X:\\Users\\Default\\Desktop",
         L"X:\\Program Files\\QN",
         {L"C:\\", L"X:\\Users\\Default\\Desktop\\ (RAM)", L"X:\\Program Files\\QN\\ (RAM)"}},
        // Nothing repaired (an editor save in PE): the stick the program came from still counts.
        {true,
         0,
         L"X:\\Users\\Default\\Desktop",
         L"U:\\",
         {L"X:\\Users\\Default\\Desktop\\ (RAM)", L"U:\\"}},
        // No desktop, program on the repaired drive: each folder once.
        {true, 'C', L"", L"c:\\", {L"C:\\"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.program));
        fake::FakeFileSystem files;
        files.SetFolder(KnownFolder::Desktop, c.desktop);
        files.SetFolder(KnownFolder::Program, c.program);
        files.SetFolder(KnownFolder::System,
                        c.winPE ? L"X:\\Windows\\System32" : L"C:\\Windows\\System32");
        EXPECT_EQ(Folders(LogPlaces(files, c.winPE, c.letter)), c.expected);
    }
}

}  // namespace
}  // namespace qn
