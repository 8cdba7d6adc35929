#include <windows.h>

#include <gtest/gtest.h>

#include "boot/carried_tool.h"
#include "boot/desktop_folder.h"
#include "boot/extract_resource.h"
#include "boot/resource_ids.h"
#include "boot/work_dir.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_module_resources.h"
#include "platform/win32/win32_random_source.h"
#include "win_paths.h"

namespace qn {
namespace {

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Win32WorkDir, CreatedUnderLocalAppDataTempAndDeletedWithContents) {
    win32::Win32FileSystem files;
    win32::Win32RandomSource random;
    std::wstring path;
    {
        WorkDir dir(files, random);
        ASSERT_TRUE(dir.Valid());
        path = dir.Path();
        EXPECT_EQ(path, files.FolderPath(KnownFolder::LocalAppData) + L"\\Temp\\" + dir.Name());
        EXPECT_TRUE(IsDirectory(path));
        ASSERT_TRUE(CreateDirectoryW((path + L"\\sub").c_str(), nullptr));
        HANDLE f = CreateFileW((path + L"\\sub\\ro.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
    }
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32WorkDir, NamesDifferBetweenTwoDirectoriesMadeAtOnce) {
    win32::Win32FileSystem files;
    win32::Win32RandomSource random;
    WorkDir a(files, random);
    WorkDir b(files, random);
    ASSERT_TRUE(a.Valid() && b.Valid());
    EXPECT_NE(a.Name(), b.Name());
}

TEST(Win32FileSystem, ExistingDirectoryIsReportedNotReused) {
    win32::Win32FileSystem files;
    const std::wstring folder = test::FreshTempFolder(L"mkdir");
    EXPECT_EQ(files.MakeDirectory(folder), CreateDirResult::AlreadyExists);
    EXPECT_EQ(files.MakeDirectory(folder + L"\\new"), CreateDirResult::Created);
    EXPECT_EQ(files.MakeDirectory(folder + L"\\no\\parent"), CreateDirResult::Failed);
    EXPECT_TRUE(DeleteTree(files, folder));
    EXPECT_FALSE(files.PathExists(folder));
}

TEST(Win32FileSystem, KnownFoldersAreAbsolute) {
    win32::Win32FileSystem files;
    for (KnownFolder f : {KnownFolder::LocalAppData, KnownFolder::System}) {
        const std::wstring path = files.FolderPath(f);
        ASSERT_GE(path.size(), 3u);
        EXPECT_EQ(path[1], L':');
        EXPECT_NE(path.back(), L'\\');
    }
    const std::wstring desktop = DesktopFolder(files);
    if (!desktop.empty()) {
        EXPECT_EQ(desktop.back(), L'\\');
    }
}

TEST(Win32ExtractResource, BootIniTemplateIsExactlyTheCarriedBytes) {
    win32::Win32FileSystem files;
    win32::Win32ModuleResources resources;
    const std::wstring folder = test::FreshTempFolder(L"res");
    const std::wstring path = folder + L"\\boot.ini";
    ASSERT_TRUE(ExtractResource(files, resources, path, kResBootIniTemplate, kBinResourceType));
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    char buffer[256] = {};
    DWORD read = 0;
    ReadFile(f, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(f);
    const std::string expected =
        "[boot loader]\r\ntimeout=30\r\n"
        "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n";
    EXPECT_EQ(read, 101u) << "the template is 101 bytes";
    EXPECT_EQ(std::string(buffer, read), expected);
    DeleteTree(files, folder);
}

TEST(Win32ExtractResource, ReplacesAHiddenSystemReadOnlyFile) {
    // Loader files on a boot partition carry these attributes; a repair must still replace them.
    win32::Win32FileSystem files;
    win32::Win32ModuleResources resources;
    const std::wstring folder = test::FreshTempFolder(L"res");
    const std::wstring path = folder + L"\\ntldr";
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, "old", 3, &written, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(SetFileAttributesW(
        path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(ExtractResource(files, resources, path, kResBootIniTemplate, kBinResourceType));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 101u);
    EXPECT_FALSE(files.PathExists(ExtractTempPath(path))) << "the new content was moved in";
    DeleteTree(files, folder);
    EXPECT_FALSE(files.PathExists(folder));
}

// Wine 8 can neither create a directory junction (FSCTL_SET_REPARSE_POINT is not supported) nor
// remove one; it shows a Unix symbolic link to a folder as one (directory + reparse point).
// The test fixture puts such a link, C:\qn_links\work\outside, to C:\qn_links\outside.
TEST(Win32DeleteTree, NeverWalksIntoAJunctionAndSaysWhetherTheFolderWent) {
    win32::Win32FileSystem files;
    const std::wstring work = L"C:\\qn_links\\work";
    const std::wstring kept = L"C:\\qn_links\\outside\\keep.txt";
    ASSERT_TRUE(files.PathExists(kept)) << "the fixture did not run";
    const auto entries = files.ListDirectory(work);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_TRUE((*entries)[0].isLink);
    EXPECT_TRUE((*entries)[0].isDirectory);
    const bool gone = DeleteTree(files, work);
    EXPECT_EQ(gone, !files.PathExists(work));
    EXPECT_TRUE(files.PathExists(kept)) << "deleted through the junction";
}

TEST(Win32ExtractResource, MissingOrEmptyResourceLeavesNoFile) {
    win32::Win32FileSystem files;
    win32::Win32ModuleResources resources;
    const std::wstring folder = test::FreshTempFolder(L"res");
    EXPECT_FALSE(ExtractResource(files, resources, folder + L"\\a", 999, kBinResourceType));
    EXPECT_FALSE(ExtractResource(files, resources, folder + L"\\b", 900, kBinResourceType));
    EXPECT_FALSE(files.PathExists(folder + L"\\a"));
    EXPECT_FALSE(files.PathExists(folder + L"\\b"));
    DeleteTree(files, folder);
}

TEST(Win32CarriedTool, UnembeddedToolFallsBackToTheSystemCopyOrIsMissing) {
    // The test binary carries no boot tools, so each comes from the system folder when Wine has
    // one there, and is reported missing otherwise; never from the work directory.
    win32::Win32FileSystem files;
    win32::Win32ModuleResources resources;
    win32::Win32RandomSource random;
    WorkDir dir(files, random);
    for (CarriedTool tool : {CarriedTool::Bcdboot, CarriedTool::Bcdedit, CarriedTool::Bootsect}) {
        const PreparedTool prepared = PrepareTool(files, resources, dir, tool);
        const std::wstring system =
            files.FolderPath(KnownFolder::System) + L"\\" + ToolFileName(tool);
        if (files.PathExists(system)) {
            EXPECT_EQ(prepared.source, ToolSource::System);
            EXPECT_EQ(prepared.path, system);
        } else {
            EXPECT_EQ(prepared.source, ToolSource::Missing);
        }
    }
}

}  // namespace
}  // namespace qn
