#include "platform/fake/fake_file_system.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

// The fake stands in for Windows in many tests and for the simulated machine's disks; these pin
// the rules the other tests rely on.

TEST(FakeFileSystem, PathsAreCaseInsensitiveAndRootsExist) {
    fake::FakeFileSystem fs;
    fs.AddFile(L"C:\\Boot\\BCD", {1});
    EXPECT_TRUE(fs.IsFile(L"c:\\boot\\bcd"));
    EXPECT_TRUE(fs.IsDirectory(L"C:\\BOOT\\"));
    EXPECT_TRUE(fs.PathExists(L"C:\\"));
    const auto root = fs.ListDirectory(L"C:\\");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->size(), 1u);
    EXPECT_TRUE((*root)[0].isDirectory);
    EXPECT_EQ(fs.MakeDirectory(L"C:\\a\\b"), CreateDirResult::Failed);  // no parent
    EXPECT_EQ(fs.MakeDirectory(L"C:\\a"), CreateDirResult::Created);
    EXPECT_EQ(fs.MakeDirectory(L"C:\\A\\"), CreateDirResult::AlreadyExists);
    EXPECT_FALSE(fs.RemoveEmptyDirectory(L"C:\\Boot"));  // not empty
}

TEST(FakeFileSystem, FilesFollowTheirVolumeFromLetterToLetter) {
    fake::FakeFileSystem fs;
    std::map<wchar_t, std::wstring> mounted = {{L'C', L"vol-system"}};
    fs.SetDriveResolver([&](wchar_t letter) {
        auto it = mounted.find(letter);
        return it == mounted.end() ? std::wstring() : it->second;
    });
    fs.AddFile(L"C:\\Windows\\system32\\config\\SOFTWARE");
    // A letterless volume's files, put in through a letter it has for the moment.
    mounted[L'Z'] = L"vol-reserved";
    fs.AddFile(L"Z:\\Boot\\BCD");
    mounted.erase(L'Z');
    EXPECT_FALSE(fs.PathExists(L"Z:\\Boot\\BCD"));
    EXPECT_FALSE(fs.PathExists(L"Z:\\"));
    EXPECT_EQ(fs.MakeDirectory(L"Z:\\x"), CreateDirResult::Failed);
    EXPECT_EQ(fs.CreateFileForWrite(L"Z:\\x.txt"), nullptr);
    // Mounted again somewhere else: the same files.
    mounted[L'S'] = L"vol-reserved";
    EXPECT_TRUE(fs.IsFile(L"S:\\Boot\\BCD"));
    EXPECT_FALSE(fs.PathExists(L"S:\\Windows"));
    EXPECT_TRUE(fs.IsFile(L"C:\\Windows\\System32\\config\\SOFTWARE"));
}

}  // namespace
}  // namespace qn
