// Where earlier runs' records are looked for: never a place another user could plant one in.
#include <gtest/gtest.h>

#include "disk/fake/fake_storage_port.h"
#include "platform/fake/fake_file_system.h"
#include "record/undo_places.h"

namespace qn {
namespace {

TEST(UndoPlaces, OnlyWhereTheProgramLeavesRecords) {
    fake::FakeFileSystem files;
    files.SetFolder(KnownFolder::Desktop, L"C:\\Users\\a\\Desktop");
    for (const wchar_t* hive :
         {L"C:\\Windows\\System32\\config\\SOFTWARE", L"E:\\Windows\\System32\\config\\SOFTWARE",
          L"X:\\Windows\\System32\\config\\SOFTWARE"}) {
        files.AddFile(hive, {});
    }
    fake::FakeStoragePort storage;
    storage.Volume('C').driveType = kDriveFixed;
    storage.Volume('D').driveType = kDriveFixed;  // a data disk: no Windows
    storage.Volume('E').driveType = kDriveRemovable;
    storage.Volume('X').driveType = kDriveFixed;  // Windows PE's own RAM drive
    const std::vector<std::wstring> roots = {L"C:\\", L"D:\\", L"E:\\", L"X:\\"};
    // An installed Windows: its user's desktop only; any user can make folders in C:\.
    EXPECT_EQ(UndoSearchFolders(files, storage, false, roots),
              std::vector<std::wstring>({L"C:\\Users\\a\\Desktop\\"}));
    // Windows PE: also the fixed system drives, where a PE run keeps its undo folder.
    EXPECT_EQ(UndoSearchFolders(files, storage, true, roots),
              std::vector<std::wstring>({L"C:\\Users\\a\\Desktop\\", L"C:\\"}));
}

}  // namespace
}  // namespace qn
