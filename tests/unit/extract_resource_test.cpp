#include "boot/extract_resource.h"

#include <gtest/gtest.h>

#include "boot/carried_tool.h"
#include "boot/resource_ids.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return bytes;
}

TEST(ExtractResource, WritesBytesExactlyInPiecesOfAtMostTwoMebibytes) {
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    const auto data = Pattern(kExtractChunkBytes * 2 + 5);
    resources.Add(130, kBinResourceType, data);
    files.AddDirectory(L"C:\\w");
    ASSERT_TRUE(ExtractResource(files, resources, L"C:\\w\\bcdboot.exe", 130, kBinResourceType));
    ASSERT_NE(files.FileBytes(L"C:\\w\\bcdboot.exe"), nullptr);
    EXPECT_EQ(*files.FileBytes(L"C:\\w\\bcdboot.exe"), data);
    const std::vector<std::wstring> expected = {
        L"create C:\\w\\bcdboot.exe", L"write C:\\w\\bcdboot.exe 2097152",
        L"write C:\\w\\bcdboot.exe 2097152", L"write C:\\w\\bcdboot.exe 5"};
    EXPECT_EQ(files.Journal(), expected);
    EXPECT_EQ(files.OpenFiles(), 0u);
}

TEST(ExtractResource, ShortWritesAdvanceByWhatWasWritten) {
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    const auto data = Pattern(1000);
    resources.Add(131, kBinResourceType, data);
    files.SetWriteLimit(300);
    ASSERT_TRUE(ExtractResource(files, resources, L"C:\\boot.ini", 131, kBinResourceType));
    EXPECT_EQ(*files.FileBytes(L"C:\\boot.ini"), data);
}

TEST(ExtractResource, ReplacesAnExistingFile) {
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    resources.Add(134, kBinResourceType, {1, 2});
    files.AddFile(L"C:\\w\\bcdedit.exe", Pattern(50));
    ASSERT_TRUE(ExtractResource(files, resources, L"C:\\w\\bcdedit.exe", 134, kBinResourceType));
    EXPECT_EQ(*files.FileBytes(L"C:\\w\\bcdedit.exe"), (std::vector<std::uint8_t>{1, 2}));
}

TEST(ExtractResource, FailsWithoutLeavingAFile) {
    struct Case {
        const char* what;
        bool addResource;
        bool failCreate;
        std::size_t writeLimit;
    } cases[] = {
        {"missing resource", false, false, 4096},
        {"file cannot be created", true, true, 4096},
        {"write makes no progress", true, false, 0},
    };
    for (const auto& c : cases) {
        fake::FakeFileSystem files;
        fake::FakeModuleResources resources;
        if (c.addResource) {
            resources.Add(135, kBinResourceType, Pattern(10000));
        }
        if (c.failCreate) {
            files.FailCreateFile(L"C:\\w\\bootsect.exe");
        }
        files.SetWriteLimit(c.writeLimit);
        files.AddDirectory(L"C:\\w");
        EXPECT_FALSE(
            ExtractResource(files, resources, L"C:\\w\\bootsect.exe", 135, kBinResourceType))
            << c.what;
        EXPECT_FALSE(files.PathExists(L"C:\\w\\bootsect.exe")) << c.what;
        EXPECT_EQ(files.OpenFiles(), 0u) << c.what;
    }
}

TEST(ExtractResource, EmptyResourceCountsAsMissing) {
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    resources.Add(136, kBinResourceType, {});
    EXPECT_FALSE(ExtractResource(files, resources, L"C:\\x.dll", 136, kBinResourceType));
    EXPECT_FALSE(files.PathExists(L"C:\\x.dll"));
}

class PrepareToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetFolder(KnownFolder::LocalAppData, L"X:\\Local");
        files.SetFolder(KnownFolder::System, L"X:\\Windows\\System32");
        files.AddDirectory(L"X:\\Local");
    }
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    fake::FakeRandomSource random;
};

TEST_F(PrepareToolTest, CarriedCopyGoesIntoTheWorkDirectory) {
    resources.Add(kResBcdedit, kBinResourceType, {0x4D, 0x5A});
    files.AddFile(L"X:\\Windows\\System32\\bcdedit.exe");
    WorkDir dir(files, random);
    const PreparedTool tool = PrepareTool(files, resources, dir, CarriedTool::Bcdedit);
    EXPECT_EQ(tool.source, ToolSource::Embedded);
    EXPECT_EQ(tool.path, dir.Path() + L"\\bcdedit.exe");
    EXPECT_TRUE(files.IsFile(tool.path));
}

TEST_F(PrepareToolTest, NotCarriedFallsBackToTheSystemCopy) {
    files.AddFile(L"X:\\Windows\\System32\\bcdboot.exe");
    WorkDir dir(files, random);
    const PreparedTool tool = PrepareTool(files, resources, dir, CarriedTool::Bcdboot);
    EXPECT_EQ(tool.source, ToolSource::System);
    EXPECT_EQ(tool.path, L"X:\\Windows\\System32\\bcdboot.exe");
}

TEST_F(PrepareToolTest, NoWorkDirectoryNeverWritesToTheDriveRoot) {
    resources.Add(kResBootsect, kBinResourceType, {0x4D, 0x5A});
    files.FailMakeDirectory(L"X:\\Local\\Temp");
    WorkDir dir(files, random);
    ASSERT_FALSE(dir.Valid());
    const PreparedTool tool = PrepareTool(files, resources, dir, CarriedTool::Bootsect);
    EXPECT_EQ(tool.source, ToolSource::Missing);
    EXPECT_EQ(tool.path, L"");
    for (const auto& line : files.Journal()) {
        EXPECT_EQ(line.find(L"create"), std::wstring::npos)
            << "wrote " << std::string(line.begin(), line.end());
    }
}

TEST_F(PrepareToolTest, NeitherCarriedNorOnTheSystemIsMissing) {
    WorkDir dir(files, random);
    EXPECT_EQ(PrepareTool(files, resources, dir, CarriedTool::Bcdedit).source, ToolSource::Missing);
}

}  // namespace
}  // namespace qn
