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
    const std::wstring temp = L"C:\\w\\bcdboot.exe.qn-new";
    const std::vector<std::wstring> expected = {
        L"create " + temp, L"write " + temp + L" 2097152", L"write " + temp + L" 2097152",
        L"write " + temp + L" 5", L"move " + temp + L" C:\\w\\bcdboot.exe"};
    EXPECT_EQ(files.Journal(), expected);
    EXPECT_EQ(files.OpenFiles(), 0u);
    EXPECT_FALSE(files.PathExists(temp));
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

TEST(ExtractResource, ReplacesAFileWhateverItsAttributesAndTheCallerSetsThemAgain) {
    // ntldr and boot.ini are left read-only, hidden and system; Windows will not replace a
    // read-only file, and the fake refuses it the same way.
    const std::uint32_t kinds[] = {kAttributeNormal, kAttributeReadOnly,
                                   kAttributeReadOnly | kAttributeHidden | kAttributeSystem};
    for (std::uint32_t attributes : kinds) {
        fake::FakeFileSystem files;
        fake::FakeModuleResources resources;
        resources.Add(132, kBinResourceType, {1, 2});
        files.AddFile(L"C:\\ntldr", Pattern(50));
        files.SetAttributes(L"C:\\ntldr", attributes);
        ASSERT_TRUE(ExtractResource(files, resources, L"C:\\ntldr", 132, kBinResourceType))
            << attributes;
        EXPECT_EQ(*files.FileBytes(L"C:\\ntldr"), (std::vector<std::uint8_t>{1, 2})) << attributes;
        EXPECT_EQ(files.AttributesOf(L"C:\\ntldr"), kAttributeNormal) << attributes;
    }
}

TEST(ExtractResource, AFailureLeavesTheOldFileWholeAndNothingBeside) {
    struct Case {
        const char* what;
        bool addResource;
        bool failCreate;
        std::size_t writeLimit;
        bool failMove;
    } cases[] = {
        {"missing resource", false, false, 4096, false},
        {"new file cannot be created", true, true, 4096, false},
        {"write makes no progress", true, false, 0, false},
        {"replacement fails", true, false, 4096, true},
    };
    const auto old = Pattern(77);
    for (const auto& c : cases) {
        fake::FakeFileSystem files;
        fake::FakeModuleResources resources;
        if (c.addResource) {
            resources.Add(133, kBinResourceType, Pattern(10000));
        }
        files.AddFile(L"C:\\NTDETECT.COM", old);
        files.SetAttributes(L"C:\\NTDETECT.COM", kAttributeReadOnly | kAttributeHidden);
        if (c.failCreate) {
            files.FailCreateFile(L"C:\\NTDETECT.COM.qn-new");
        }
        if (c.failMove) {
            files.FailCreateFile(L"C:\\NTDETECT.COM");
        }
        files.SetWriteLimit(c.writeLimit);
        EXPECT_FALSE(ExtractResource(files, resources, L"C:\\NTDETECT.COM", 133, kBinResourceType))
            << c.what;
        ASSERT_NE(files.FileBytes(L"C:\\NTDETECT.COM"), nullptr) << c.what;
        EXPECT_EQ(*files.FileBytes(L"C:\\NTDETECT.COM"), old) << c.what;
        EXPECT_EQ(files.AttributesOf(L"C:\\NTDETECT.COM"), kAttributeReadOnly | kAttributeHidden)
            << c.what;
        EXPECT_FALSE(files.PathExists(L"C:\\NTDETECT.COM.qn-new")) << c.what;
        EXPECT_EQ(files.OpenFiles(), 0u) << c.what;
    }
}

TEST(ExtractResource, NoTargetYetAndAFailureLeavesNoFile) {
    fake::FakeFileSystem files;
    fake::FakeModuleResources resources;
    resources.Add(135, kBinResourceType, Pattern(10000));
    files.AddDirectory(L"C:\\w");
    files.SetWriteLimit(0);
    EXPECT_FALSE(ExtractResource(files, resources, L"C:\\w\\bootsect.exe", 135, kBinResourceType));
    EXPECT_FALSE(files.PathExists(L"C:\\w\\bootsect.exe"));
    EXPECT_FALSE(files.PathExists(L"C:\\w\\bootsect.exe.qn-new"));
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
