#include "boot/work_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

using ::testing::Contains;
using ::testing::Not;

const std::wstring kAppData = L"C:\\Users\\tech\\AppData\\Local";

class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetFolder(KnownFolder::LocalAppData, kAppData);
        files.AddDirectory(kAppData);
    }
    fake::FakeFileSystem files;
    fake::FakeRandomSource random;
};

TEST(MakeWorkDirName, MapsBytesOntoTheAlphabetWithoutBias) {
    fake::FakeRandomSource random;
    // 0 -> a, 25 -> z, 26 -> 0, 35 -> 9, 36 -> a, 71 -> 9; 252..255 would favour a-d: redrawn.
    random.Script({0, 25, 252, 26, 255, 35, 36, 71, 253, 254, 1, 2, 3});
    const std::wstring name = MakeWorkDirName(random);
    EXPECT_EQ(name, L"az09a9bcd");
}

TEST(MakeWorkDirName, FailingSourceGivesNoName) {
    fake::FakeRandomSource random;
    random.SetFailing(true);
    EXPECT_EQ(MakeWorkDirName(random), L"");
}

TEST_F(WorkDirTest, CreatesTempAndRandomFolderAndDeletesItWithContents) {
    std::wstring path;
    {
        WorkDir dir(files, random);
        ASSERT_TRUE(dir.Valid());
        path = dir.Path();
        EXPECT_EQ(path, kAppData + L"\\Temp\\" + dir.Name());
        EXPECT_EQ(dir.Name().size(), 9u);
        EXPECT_TRUE(files.IsDirectory(path));
        files.AddFile(path + L"\\bcdedit.exe", {1, 2, 3});
        files.AddFile(path + L"\\sub\\deeper\\x.txt", {4});
    }
    EXPECT_FALSE(files.PathExists(path));
    EXPECT_TRUE(files.IsDirectory(kAppData + L"\\Temp"));  // shared Temp stays
}

TEST_F(WorkDirTest, ExistingFolderIsNeverReusedAndANewNameIsDrawn) {
    // The first draw names a folder that exists already (possibly planted).
    random.Script({0, 0, 0, 0, 0, 0, 0, 0, 0});
    files.AddFile(kAppData + L"\\Temp\\aaaaaaaaa\\planted.exe", {9});
    random.Script(std::vector<std::uint8_t>(23, 1));  // rest of the first 32-byte pool
    random.Script(std::vector<std::uint8_t>(32, 2));
    {
        WorkDir dir(files, random);
        ASSERT_TRUE(dir.Valid());
        EXPECT_EQ(dir.Name(), L"ccccccccc");
    }
    // The planted folder was neither used nor deleted.
    EXPECT_TRUE(files.IsFile(kAppData + L"\\Temp\\aaaaaaaaa\\planted.exe"));
}

TEST_F(WorkDirTest, TwoWorkDirsAtOnceGetDistinctFolders) {
    WorkDir a(files, random);
    WorkDir b(files, random);
    ASSERT_TRUE(a.Valid());
    ASSERT_TRUE(b.Valid());
    EXPECT_NE(a.Path(), b.Path());
}

TEST_F(WorkDirTest, GivesUpAfterBoundedAttemptsWhenEveryNameExists) {
    // Every draw yields "aaaaaaaaa", which exists.
    files.AddDirectory(kAppData + L"\\Temp\\aaaaaaaaa");
    random.Script(std::vector<std::uint8_t>(32 * kWorkDirNameAttempts, 0));
    WorkDir dir(files, random);
    EXPECT_FALSE(dir.Valid());
    EXPECT_EQ(dir.Path(), L"");
}

TEST_F(WorkDirTest, NoFolderWhenRandomSourceOrFileSystemFails) {
    {
        fake::FakeRandomSource failing;
        failing.SetFailing(true);
        WorkDir dir(files, failing);
        EXPECT_FALSE(dir.Valid());
    }
    {
        files.FailMakeDirectory(kAppData + L"\\Temp");
        WorkDir dir(files, random);
        EXPECT_FALSE(dir.Valid());
    }
    {
        fake::FakeFileSystem noAppData;
        WorkDir dir(noAppData, random);
        EXPECT_FALSE(dir.Valid());
        EXPECT_THAT(noAppData.Journal(), Not(Contains(L"mkdir \\Temp")));
    }
}

TEST(DeleteTree, RemovesNestedFoldersAndReportsWhetherTheFolderIsGone) {
    fake::FakeFileSystem files;
    files.AddFile(L"C:\\w\\a.exe");
    files.AddFile(L"C:\\w\\d1\\b.txt");
    files.AddDirectory(L"C:\\w\\d1\\d2\\empty");
    EXPECT_TRUE(DeleteTree(files, L"C:\\w"));
    EXPECT_FALSE(files.PathExists(L"C:\\w"));
    EXPECT_TRUE(files.AllPaths().empty());
}

TEST(DeleteTree, SkipsFailuresAndStillDeletesTheRest) {
    fake::FakeFileSystem files;
    files.AddFile(L"C:\\w\\locked.dll");
    files.AddFile(L"C:\\w\\other.exe");
    files.FailRemove(L"C:\\w\\locked.dll");
    EXPECT_FALSE(DeleteTree(files, L"C:\\w\\"));
    EXPECT_TRUE(files.IsFile(L"C:\\w\\locked.dll"));
    EXPECT_FALSE(files.PathExists(L"C:\\w\\other.exe"));
}

TEST(DeleteTree, RemovesAJunctionItselfAndNeverWhatItPointsAt) {
    fake::FakeFileSystem files;
    files.AddFile(L"D:\\Users\\me\\Documents\\thesis.doc");
    files.AddFile(L"C:\\w\\bcdedit.exe");
    files.AddJunction(L"C:\\w\\docs", L"D:\\Users\\me\\Documents");
    files.AddFile(L"C:\\w\\sub\\log.txt");
    EXPECT_TRUE(DeleteTree(files, L"C:\\w"));
    EXPECT_FALSE(files.PathExists(L"C:\\w"));
    EXPECT_TRUE(files.IsFile(L"D:\\Users\\me\\Documents\\thesis.doc"));
}

TEST(DeleteTree, EmptyOrMissingPathDoesNothing) {
    fake::FakeFileSystem files;
    files.AddFile(L"C:\\keep.txt");
    EXPECT_FALSE(DeleteTree(files, L""));
    EXPECT_FALSE(DeleteTree(files, L"C:\\nothere"));
    EXPECT_TRUE(files.IsFile(L"C:\\keep.txt"));
}

}  // namespace
}  // namespace qn
