// What a killed, crashed or powered-off start leaves on the machine (a letter on the EFI system
// partition, a work folder, the message module beside a Windows folder) is cleared by the next
// start, and nothing that is not the program's own is ever taken for a leftover.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "boot/cleanup_journal.h"
#include "boot/crc32.h"
#include "boot/field_text.h"
#include "boot/utf8_text.h"
#include "boot/work_dir.h"
#include "disk/disk_info.h"
#include "disk/fake/fake_storage_port.h"
#include "disk/fake/fake_volume_port.h"
#include "disk/leftover_cleanup.h"
#include "disk/mount_pass.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_diagnostics.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_process_launcher.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

using fake::kGiB;
using fake::kMiB;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr wchar_t kAppData[] = L"C:\\Users\\Admin\\AppData\\Local";
constexpr wchar_t kJournal[] = L"C:\\Users\\Admin\\AppData\\Local\\QNBootRepair\\leftovers.txt";
constexpr wchar_t kModule[] = L"D:\\Windows\\system32\\kwo_fix.dll";
const std::vector<std::uint8_t> kModuleBytes{'M', 'Z', 1, 2, 3, 4, 5};

std::string Text(const std::vector<std::uint8_t>* bytes) {
    return bytes == nullptr ? std::string() : std::string(bytes->begin(), bytes->end());
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class LeftoverTest : public ::testing::Test {
public:
    LeftoverTest() {
        files.SetFolder(KnownFolder::LocalAppData, kAppData);
        files.AddDirectory(kAppData);
        files.AddDirectory(L"D:\\Windows\\system32");
        fake::FakePhysicalDrive& drive = storage.Drive(0);
        drive.geometry = fake::FixedDiskGeometry(500 * kGiB);
        PartitionInformation whole;
        whole.style = PartitionStyle::Gpt;
        drive.partition = whole;
        fake::FakeVolume esp;
        esp.diskNumber = 0;
        esp.partition = fake::GptPartition(kMiB, kEfiSystemPartitionType);
        volumes.AddVolume(L"esp", esp);
        fake::FakeVolume windows;
        windows.diskNumber = 0;
        windows.partition = fake::GptPartition(300 * kMiB, Guid{});
        volumes.AddVolume(L"windows", windows, 'C');
    }

    MountPorts Ports(CleanupJournal& journal) {
        return MountPorts{volumes,
                          storage,
                          processes,
                          diagnostics,
                          [this](bool refresh) -> DiskInfo& {
                              if (!inventory) {
                                  inventory = std::make_unique<DiskInfo>(storage, codePage);
                              } else if (refresh) {
                                  inventory->Refresh();
                              }
                              return *inventory;
                          },
                          [](std::chrono::milliseconds) {},
                          &journal};
    }

    // A list as an earlier start left it.
    void Leave(const Leftovers& leftovers) {
        files.AddFile(kJournal, Bytes(FormatLeftovers(leftovers)));
    }

    fake::FakeFileSystem files;
    fake::FakeStoragePort storage;
    fake::FakeVolumePort volumes{storage};
    fake::FakeProcessLauncher processes;
    fake::FakeDiagnostics diagnostics;
    fake::FakeCodePage codePage{936, 936};
    fake::FakeRandomSource random;
    std::unique_ptr<DiskInfo> inventory;
};

TEST_F(LeftoverTest, AKilledStartsLetterFolderAndModuleAreClearedByTheNext) {
    std::wstring folder;
    {
        CleanupJournal journal(files);
        EspMountTable table;
        MountLetterlessVolumes(table, Ports(journal));
        ASSERT_EQ(volumes.LetterOf(L"esp"), 'D');
        WorkDir work(files, random, &journal);
        ASSERT_TRUE(work.Valid());
        folder = work.Path();
        files.AddFile(folder + L"\\bcdedit.exe");
        journal.AddFile(LeftoverFile{kModule, kModuleBytes.size(), Crc32(kModuleBytes)});
        files.AddFile(kModule, kModuleBytes);
        work.Release();  // the process dies: no destructor removes anything
        ASSERT_TRUE(files.IsFile(kJournal));
    }

    CleanupJournal next(files);
    const LeftoverCleanup done = ClearEarlierLeftovers(Ports(next), files);

    EXPECT_THAT(done.cleared, SizeIs(3));
    EXPECT_THAT(done.kept, IsEmpty());
    EXPECT_EQ(volumes.LetterOf(L"esp"), 0);
    EXPECT_FALSE(files.IsDirectory(folder));
    EXPECT_FALSE(files.IsFile(kModule));
    EXPECT_FALSE(files.IsFile(kJournal));
    EXPECT_FALSE(files.IsDirectory(std::wstring(kAppData) + L"\\QNBootRepair"));
    // The start's own pass then sees the partition letterless again, so its letter is temporary
    // and goes at exit: without the clearing it would have been taken for the user's letter.
    EspMountTable table;
    MountLetterlessVolumes(table, Ports(next));
    EXPECT_EQ(table.temporaryLetters, std::set<char>{'D'});
}

TEST_F(LeftoverTest, ARunThatEndsNormallyLeavesNoList) {
    CleanupJournal journal(files);
    {
        ScopedEspMounts mounts(Ports(journal));
        WorkDir work(files, random, &journal);
        journal.AddFile(LeftoverFile{kModule, kModuleBytes.size(), Crc32(kModuleBytes)});
        ASSERT_TRUE(files.IsFile(kJournal));
        journal.ForgetFile(kModule);
    }
    EXPECT_FALSE(files.IsFile(kJournal));
    EXPECT_FALSE(files.IsDirectory(std::wstring(kAppData) + L"\\QNBootRepair"));
}

struct NotOursCase {
    const char* name;
    Leftovers listed;
    std::function<void(LeftoverTest&)> arrange;
    std::function<void(LeftoverTest&)> expectUntouched;
};

TEST_F(LeftoverTest, WhatIsNoLongerTheProgramsOwnIsLeftAloneAndStruckOff) {
    const std::wstring temp = std::wstring(kAppData) + L"\\Temp\\";
    const std::vector<NotOursCase> cases{
        {"a folder outside the work folders' place", Leftovers{{L"C:\\Windows"}, {}, {}},
         [](LeftoverTest& t) { t.files.AddFile(L"C:\\Windows\\notepad.exe"); },
         [](LeftoverTest& t) { EXPECT_TRUE(t.files.IsFile(L"C:\\Windows\\notepad.exe")); }},
        {"a folder in Temp whose name no work folder has",
         Leftovers{{temp + L"MySetupFiles"}, {}, {}},
         [&](LeftoverTest& t) { t.files.AddFile(temp + L"MySetupFiles\\a.txt"); },
         [&](LeftoverTest& t) { EXPECT_TRUE(t.files.IsFile(temp + L"MySetupFiles\\a.txt")); }},
        {"a work folder's name one level deeper", Leftovers{{temp + L"x\\abcdefghi"}, {}, {}},
         [&](LeftoverTest& t) { t.files.AddFile(temp + L"x\\abcdefghi\\a.txt"); },
         [&](LeftoverTest& t) { EXPECT_TRUE(t.files.IsFile(temp + L"x\\abcdefghi\\a.txt")); }},
        {"a letter that now names another volume (a stick plugged in since)",
         Leftovers{{}, {LeftoverLetter{'C', fake::FakeVolumePort::NameOf(L"esp")}}, {}},
         [](LeftoverTest&) {},
         [](LeftoverTest& t) { EXPECT_EQ(t.volumes.LetterOf(L"windows"), 'C'); }},
        {"a letter listed with something that is no volume name",
         Leftovers{{}, {LeftoverLetter{'C', L"C:\\"}}, {}}, [](LeftoverTest&) {},
         [](LeftoverTest& t) { EXPECT_EQ(t.volumes.LetterOf(L"windows"), 'C'); }},
        {"a module whose bytes are not the program's (Windows or another tool wrote it)",
         Leftovers{{}, {}, {LeftoverFile{kModule, kModuleBytes.size(), Crc32(kModuleBytes)}}},
         [](LeftoverTest& t) {
             t.files.AddFile(kModule, {'M', 'Z', 9});
         },
         [](LeftoverTest& t) { EXPECT_TRUE(t.files.IsFile(kModule)); }},
        {"a file listed that is not the module's place",
         Leftovers{{},
                   {},
                   {LeftoverFile{L"D:\\Windows\\system32\\ntoskrnl.exe", 7, Crc32(kModuleBytes)}}},
         [](LeftoverTest& t) {
             t.files.AddFile(L"D:\\Windows\\system32\\ntoskrnl.exe", kModuleBytes);
         },
         [](LeftoverTest& t) {
             EXPECT_TRUE(t.files.IsFile(L"D:\\Windows\\system32\\ntoskrnl.exe"));
         }},
    };
    for (const NotOursCase& c : cases) {
        SCOPED_TRACE(c.name);
        LeftoverTest& t = *this;
        files.RemoveFile(kJournal);
        Leave(c.listed);
        c.arrange(t);
        CleanupJournal journal(files);
        const LeftoverCleanup done = ClearEarlierLeftovers(journal, files, volumes);
        EXPECT_THAT(done.cleared, IsEmpty());
        c.expectUntouched(t);
        EXPECT_FALSE(files.IsFile(kJournal)) << "struck off: never tried again";
    }
}

TEST_F(LeftoverTest, WhatCannotBeRemovedNowStaysListedForTheNextStart) {
    volumes.SetMountPoint(L"E:\\", fake::FakeVolumePort::NameOf(L"esp"));
    volumes.FailDelete('E', 5);
    files.AddFile(kModule, kModuleBytes);
    files.FailRemove(kModule);
    Leave(Leftovers{{},
                    {LeftoverLetter{'E', fake::FakeVolumePort::NameOf(L"esp")}},
                    {LeftoverFile{kModule, kModuleBytes.size(), Crc32(kModuleBytes)}}});

    CleanupJournal journal(files);
    const LeftoverCleanup done = ClearEarlierLeftovers(journal, files, volumes);

    EXPECT_THAT(done.kept, SizeIs(2));
    const Leftovers still = ParseLeftovers(Text(files.FileBytes(kJournal)));
    ASSERT_THAT(still.letters, SizeIs(1));
    EXPECT_EQ(still.letters[0].letter, 'E');
    ASSERT_THAT(still.files, SizeIs(1));
    EXPECT_EQ(still.files[0].path, kModule);
}

TEST(LeftoverList, ReadsBackWhatItWroteAndSkipsWhatIsDamaged) {
    const Leftovers written{{L"C:\\Users\\管理员\\AppData\\Local\\Temp\\abc123xyz"},
                            {LeftoverLetter{'S', L"\\\\?\\Volume{1234}\\"}},
                            {LeftoverFile{kModule, 1536, 0xdeadbeef}}};
    const std::string text = FormatLeftovers(written);
    const Leftovers read = ParseLeftovers(text);
    EXPECT_EQ(read.folders, written.folders);
    ASSERT_THAT(read.letters, SizeIs(1));
    EXPECT_EQ(read.letters[0].volumeName, written.letters[0].volumeName);
    ASSERT_THAT(read.files, SizeIs(1));
    EXPECT_EQ(read.files[0].crc, 0xdeadbeefu);
    EXPECT_EQ(read.files[0].size, 1536u);

    // A write cut off in the middle of its last line, a line changed on the disk, and lines of
    // no known form.
    std::string damaged = text.substr(0, text.size() - 12);
    damaged.replace(damaged.find("Volume{1234}"), 12, "Volume{1235}");
    damaged += "\r\n" + CheckedLine("letter\tSS\tx") + CheckedLine("file\t12\tDEADBEEF\tC:\\a") +
               CheckedLine("folder") + CheckedLine("bogus") + "folder\tC:\\Windows\r\n";
    const Leftovers partial = ParseLeftovers(damaged);
    EXPECT_EQ(partial.folders, written.folders);
    EXPECT_THAT(partial.letters, IsEmpty());
    EXPECT_THAT(partial.files, IsEmpty());

    // Another file under the list's name is nobody's list.
    EXPECT_TRUE(ParseLeftovers(CheckedLine("folder\tC:\\Windows")).Empty());
    EXPECT_TRUE(
        ParseLeftovers("QNBootRepair leftovers 1\r\n" + CheckedLine("folder\tC:\\W")).Empty());
}

TEST(WorkDirPath, OnlyAFolderTheWorkDirectoryCouldHaveMade) {
    fake::FakeFileSystem files;
    files.SetFolder(KnownFolder::LocalAppData, kAppData);
    const std::wstring temp = std::wstring(kAppData) + L"\\Temp\\";
    EXPECT_TRUE(IsWorkDirPath(files, temp + L"a1b2c3d4e"));
    EXPECT_TRUE(IsWorkDirPath(files, L"c:\\users\\admin\\appdata\\local\\temp\\a1b2c3d4e"));
    for (const std::wstring& path :
         {temp + L"a1b2c3d4", temp + L"a1b2c3d4ef", temp + L"A1B2C3D4E", temp + L"a1b2c3d4.",
          temp + L"..\\a1b2c3", std::wstring(kAppData) + L"\\a1b2c3d4e", std::wstring(L"C:\\")}) {
        EXPECT_FALSE(IsWorkDirPath(files, path)) << WideToUtf8(path);
    }
    fake::FakeFileSystem nowhere;
    EXPECT_FALSE(IsWorkDirPath(nowhere, temp + L"a1b2c3d4e"));
}

}  // namespace
}  // namespace qn
