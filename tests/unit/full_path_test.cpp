// A path typed on a command line means what Windows would open.
#include <gtest/gtest.h>

#include "boot/full_path.h"
#include "platform/fake/fake_file_system.h"

namespace qn {
namespace {

TEST(FullPath, ARelativePathIsInTheCurrentFolder) {
    const struct {
        const wchar_t* current;
        const wchar_t* path;
        const wchar_t* full;
    } cases[] = {
        {L"D:\\work", L"undo.txt", L"D:\\work\\undo.txt"},
        {L"D:\\work\\", L".\\u\\undo.txt", L"D:\\work\\u\\undo.txt"},
        {L"D:\\work", L"\\u\\undo.txt", L"D:\\u\\undo.txt"},
        {L"D:\\work", L"C:\\u\\undo.txt", L"C:\\u\\undo.txt"},
        {L"D:\\work", L"\\\\server\\share\\undo.txt", L"\\\\server\\share\\undo.txt"},
        {L"D:\\work", L"C:undo.txt", L"C:undo.txt"},
        {L"", L"undo.txt", L"undo.txt"},  // no current folder: as given, refused later
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        fake::FakeFileSystem files;
        files.SetFolder(KnownFolder::Current, c.current);
        EXPECT_EQ(FullPath(files, c.path), c.full);
    }
}

}  // namespace
}  // namespace qn
