#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "boot/boot_ini_reader.h"
#include "boot/boot_ini_writer.h"
#include "boot/work_dir.h"
#include "platform/fake/fake_clock.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_module_resources.h"
#include "platform/win32/win32_profile_file.h"
#include "platform/win32/win32_random_source.h"
#include "win_paths.h"

namespace qn {
namespace {

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Win32BootIniTest : public ::testing::Test {
protected:
    ~Win32BootIniTest() override {
        for (const std::wstring& path : {path_, backup_}) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    std::wstring folder_ = test::FreshTempFolder(L"bootini");
    std::wstring path_ = folder_ + L"\\boot.ini";
    std::wstring backup_ = path_ + L"_20260102030405";
    win32::Win32FileSystem files_;
    win32::Win32ProfileFile profile_;
    win32::Win32ModuleResources resources_;
    win32::Win32RandomSource random_;
    fake::FakeClock clock_{{2026, 1, 2, 3, 4, 5, 0}};
    BootIniPorts ports_{profile_, files_, resources_, clock_};
};

TEST_F(Win32BootIniTest, ReadAndSaveARealFile) {
    const std::string original =
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /noexecute=optin /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"2003\" /fastdetect\r\n";
    WriteAll(path_, original);
    SetFileAttributesW(path_.c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    const BcdListing loaded = ReadBootIni(profile_, random_, path_);
    ASSERT_EQ(loaded.entries.size(), 2u);
    EXPECT_EQ(loaded.bootManager.timeout, L"30");
    EXPECT_EQ(loaded.bootManager.defaultId, loaded.entries[0].identifier);
    EXPECT_EQ(loaded.entries[0].description, L"XP");
    EXPECT_NE(loaded.entries[0].identifier, loaded.entries[1].identifier);

    BcdListing working = loaded;
    working.entries = {loaded.entries[1], loaded.entries[0]};
    working.bootManager.defaultId = loaded.entries[1].identifier;
    working.bootManager.timeout = L"10";
    const BootIniWriteResult result = WriteBootIni(ports_, path_, working, loaded);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.backupPath, backup_);
    EXPECT_EQ(ReadAll(backup_), original);
    EXPECT_EQ(
        ReadAll(path_),
        "[boot loader]\r\ntimeout=10\r\ndefault=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"2003\" /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /noexecute=optin /fastdetect\r\n");
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Win32BootIniTest, MissingFileReadsAsDefaultsAndSaveStartsFromTheEmbeddedTemplate) {
    const BcdListing missing = ReadBootIni(profile_, random_, path_);
    EXPECT_EQ(missing.bootManager.timeout, L"3");
    EXPECT_TRUE(missing.entries.empty());
    const RewritePreparation prepared = PrepareBootIniRewrite(ports_, path_, true);
    EXPECT_TRUE(prepared.ready);
    EXPECT_EQ(prepared.backupPath, L"");
    EXPECT_EQ(ReadAll(path_),
              "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"
              "\r\n[operating systems]\r\n");
}

}  // namespace
}  // namespace qn
