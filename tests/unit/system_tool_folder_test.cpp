#include "platform/system_tool_folder.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

TEST(SystemToolFolder, A32BitProcessOn64BitWindowsLooksInSysnative) {
    struct Case {
        const wchar_t* windows;
        bool wow64;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Windows", false, L"C:\\Windows\\System32"},  // 64-bit build, or 32-bit Windows
        {L"C:\\Windows", true, L"C:\\Windows\\Sysnative"},  // 32-bit build on 64-bit Windows
        {L"X:\\Windows\\", true, L"X:\\Windows\\Sysnative"},
        {L"", true, L""},  // no Windows folder: no tools either
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SystemToolFolder(c.windows, c.wow64), c.folder);
    }
}

}  // namespace
}  // namespace qn
