#include "boot/command_runner.h"

#include <gtest/gtest.h>

#include "boot/desktop_folder.h"
#include "boot/guid_text.h"
#include "boot/time_stamp.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_process_launcher.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

TEST(ShellRun, QuotesTheProgramAndPassesFlagsThrough) {
    fake::FakeProcessLauncher processes;
    processes.Script({true, 0, {}});
    const ProcessResult r = ShellRun(processes, L"C:\\Program Files\\t\\bcdboot.exe",
                                     L"D:\\Windows /s C: /l zh-cn", true, false, true);
    ASSERT_EQ(processes.Calls().size(), 1u);
    const ShellRequest& req = processes.Calls()[0].shell;
    EXPECT_EQ(req.file, L"\"C:\\Program Files\\t\\bcdboot.exe\"");
    EXPECT_EQ(req.parameters, L"D:\\Windows /s C: /l zh-cn");
    EXPECT_TRUE(req.wait);
    EXPECT_FALSE(req.show);
    EXPECT_TRUE(req.noUi);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitCodeKnown);
}

TEST(ShellRun, TellsTheCallerAboutExitCodeAndFailureToStart) {
    fake::FakeProcessLauncher processes;
    processes.Script({true, 5, {}});
    const ProcessResult failedTool = ShellRun(processes, L"a.exe", L"", true, false, false);
    EXPECT_TRUE(failedTool.started);
    EXPECT_EQ(failedTool.exitCode, 5u);
    const ProcessResult notStarted = ShellRun(processes, L"missing.exe", L"", true, false, false);
    EXPECT_FALSE(notStarted.started);
    EXPECT_FALSE(notStarted.exitCodeKnown);
}

TEST(RunCaptured, AppendsEveryByteIncludingNuls) {
    fake::FakeProcessLauncher processes;
    processes.Script({true, 0, std::string("line1\r\n\0after nul\r\n", 20)});
    std::string output = "kept:";
    const ProcessResult r = RunCaptured(processes, L"\"x\\bcdedit.exe\" /enum all", output);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(output, std::string("kept:line1\r\n\0after nul\r\n", 25));
    EXPECT_EQ(processes.Calls()[0].commandLine, L"\"x\\bcdedit.exe\" /enum all");
}

TEST(RunCaptured, ProgramThatDoesNotStartLeavesOutputUnchanged) {
    fake::FakeProcessLauncher processes;
    std::string output = "before";
    const ProcessResult r = RunCaptured(processes, L"nothere.exe", output);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(output, "before");
}

TEST(TimeStamp, FourteenDigitsZeroPadded) {
    EXPECT_EQ(FormatTimeStamp({2026, 1, 2, 3, 4, 5, 999}), L"20260102030405");
    EXPECT_EQ(FormatTimeStamp({2026, 12, 31, 23, 59, 58, 0}), L"20261231235958");
    fake::FakeClock clock({2009, 7, 13, 9, 0, 0, 0});
    EXPECT_EQ(MakeTimeStamp(clock), L"20090713090000");
}

TEST(GuidText, UpperCaseBracedThirtyEightCharacters) {
    const Guid g{0x0a1b2c3d, 0x00ef, 0x4a5b, {0xbc, 0x0d, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab}};
    EXPECT_EQ(FormatGuid(g), "{0A1B2C3D-00EF-4A5B-BC0D-0123456789AB}");
    fake::FakeRandomSource random;
    random.ScriptGuid(g);
    const std::string text = NewGuidText(random);
    EXPECT_EQ(text.size(), 38u);
    EXPECT_EQ(text, "{0A1B2C3D-00EF-4A5B-BC0D-0123456789AB}");
    EXPECT_EQ(FormatGuid({}), "{00000000-0000-0000-0000-000000000000}");
}

TEST(DesktopFolder, EndsInBackslashOrIsEmpty) {
    fake::FakeFileSystem files;
    EXPECT_EQ(DesktopFolder(files), L"");
    files.SetFolder(KnownFolder::Desktop, L"C:\\Users\\tech\\Desktop");
    EXPECT_EQ(DesktopFolder(files), L"C:\\Users\\tech\\Desktop\\");
}

}  // namespace
}  // namespace qn
