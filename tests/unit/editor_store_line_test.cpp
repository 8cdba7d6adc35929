// The editor page's line naming what it edits: the text for every kind of boot partition, and
// what the disks of a simulated machine say about the partitions it names.
#include <gtest/gtest.h>

#include "editor/editor_store_line.h"
#include "run/repair_request.h"
#include "sim_test_support.h"

namespace qn {
namespace {

TEST(EditorStoreLine, NamesTheFileAndWhereItsPartitionIs) {
    const BootFileSet mbr{true, L"F:\\boot.ini", L"F:\\Boot\\BCD"};
    const BootFileSet esp{true, L"", L"S:\\EFI\\Microsoft\\Boot\\BCD"};
    const BootFileSet iniOnly{true, L"C:\\boot.ini", L""};
    const BootFileSet unlettered{};  // an ESP without a letter: found stays false
    const EditedPartition active{0, true, false};
    const EditedPartition efi{1, false, true};
    const EditedPartition plain{2, false, false};
    const EditedPartition unknown{};
    struct Case {
        bool bcd;
        BootFileSet files;
        char letter;
        EditedPartition partition;
        const wchar_t* expected;
    } cases[] = {
        {true, mbr, 'F', active, L"正在编辑: F:\\Boot\\BCD（磁盘0 激活分区）"},
        {false, mbr, 'F', active, L"正在编辑: F:\\boot.ini（磁盘0 激活分区）"},
        {true, esp, 'S', efi, L"正在编辑: S:\\EFI\\Microsoft\\Boot\\BCD（磁盘1 EFI 系统分区）"},
        {false, iniOnly, 'C', plain, L"正在编辑: C:\\boot.ini（磁盘2）"},
        // A disk that cannot be asked still gives the file; a role without a disk stays.
        {false, iniOnly, 'C', unknown, L"正在编辑: C:\\boot.ini"},
        {true, mbr, 'F', EditedPartition{-1, true, false}, L"正在编辑: F:\\Boot\\BCD（激活分区）"},
        // Without a store file bcdedit edits the system store, whatever the partition is.
        {true, unlettered, kEspWithoutLetter, unknown, L"正在编辑: 系统存储（ESP，无盘符）"},
        {true, iniOnly, 'C', plain, L"正在编辑: 系统存储"},
        {true, BootFileSet{false, L"", L"F:\\Boot\\BCD"}, 'F', active, L"正在编辑: 系统存储"},
        // boot.ini chosen where there is none: nothing to name.
        {false, esp, 'S', efi, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditedStoreText(c.bcd, c.files, c.letter, c.partition), c.expected)
            << c.bcd << " " << c.letter;
    }
}

TEST(EditorStoreLine, TheDisksTellTheDiskNumberAndTheRole) {
    sim::test::Machine machine(sim::test::ScenarioText(
        "<machine firmware='uefi'>"
        "<disk number='0' style='mbr' size='100G'>"
        "  <partition offset='1M' length='100M' active='true' letter='F'/>"
        "  <partition offset='101M' length='50G' letter='C'/>"
        "</disk>"
        "<disk number='1' style='gpt' size='100G'>"
        "  <partition offset='1M' length='100M' gpttype='esp' fs='FAT32' letter='S'/>"
        "  <partition offset='101M' length='50G' gpttype='basic' letter='D'/>"
        "</disk>"
        "</machine>"));
    StoragePort& storage = machine->Storage();
    struct Case {
        char letter;
        std::int32_t disk;
        bool active;
        bool esp;
    } cases[] = {
        {'F', 0, true, false},
        {'C', 0, false, false},
        {'S', 1, false, true},
        {'D', 1, false, false},
        {'Q', -1, false, false},  // no such volume
        {kEspWithoutLetter, -1, false, false},
    };
    for (const Case& c : cases) {
        const EditedPartition partition = EditedPartitionOf(storage, c.letter);
        EXPECT_EQ(partition.disk, c.disk) << c.letter;
        EXPECT_EQ(partition.active, c.active) << c.letter;
        EXPECT_EQ(partition.esp, c.esp) << c.letter;
    }
}

}  // namespace
}  // namespace qn
