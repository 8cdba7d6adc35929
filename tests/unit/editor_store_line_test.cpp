// The editor page's line naming what it edits: the text for every kind of boot partition, and
// what the disks of a simulated machine say about the partitions it names.
#include <gtest/gtest.h>

#include "app/start_summary.h"
#include "disk/disk_info.h"
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
    const BootPartition active{0, PartitionStyle::Mbr, 'F'};
    const BootPartition efi{1, PartitionStyle::Gpt, 'S'};
    const BootPartition raw{2, PartitionStyle::Raw, 'C'};
    const BootPartition espWithoutLetter{1, PartitionStyle::Gpt, kEspWithoutLetter};
    struct Case {
        bool bcd;
        BootFileSet files;
        BootPartition boot;
        const wchar_t* expected;
    } cases[] = {
        {true, mbr, active, L"正在编辑: F:\\Boot\\BCD（磁盘0 激活分区）"},
        {false, mbr, active, L"正在编辑: F:\\boot.ini（磁盘0 激活分区）"},
        {true, esp, efi, L"正在编辑: S:\\EFI\\Microsoft\\Boot\\BCD（磁盘1 EFI 系统分区）"},
        {false, iniOnly, raw, L"正在编辑: C:\\boot.ini（磁盘2）"},
        // An unknown disk still gives the file; a role without a disk stays.
        {false, iniOnly, BootPartition{-1, PartitionStyle::Raw, 'C'}, L"正在编辑: C:\\boot.ini"},
        {true, mbr, BootPartition{-1, PartitionStyle::Mbr, 'F'},
         L"正在编辑: F:\\Boot\\BCD（激活分区）"},
        // Without a store file bcdedit edits the system store, whatever the partition is.
        {true, unlettered, espWithoutLetter, L"正在编辑: 系统存储（ESP，无盘符）"},
        {true, iniOnly, raw, L"正在编辑: 系统存储"},
        {true, BootFileSet{false, L"", L"F:\\Boot\\BCD"}, active, L"正在编辑: 系统存储"},
        // boot.ini chosen where there is none: nothing to name.
        {false, esp, efi, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditedStoreText(c.bcd, c.files, c.boot), c.expected)
            << c.bcd << " " << c.boot.letter;
    }
}

// The partition is the one the start found on the disks: its disk and role come with it.
TEST(EditorStoreLine, TheStartsBootPartitionsTellTheDiskNumberAndTheRole) {
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
    const DiskInfo inventory(machine->Storage(), machine.CodePage());
    const StartSummary summary =
        BuildStartSummary(SummaryInputFrom(inventory, machine->Storage()), {{1, 'S'}}, false);
    struct Case {
        char letter;
        std::int32_t disk;
        bool active;
        bool esp;
    } cases[] = {
        {'F', 0, true, false},
        {'S', 1, false, true},
        {'C', -1, false, false},  // not a boot partition: the start offers none
        {kEspWithoutLetter, -1, false, false},
    };
    for (const Case& c : cases) {
        const EditedPartition partition =
            EditedPartitionOf(FindBootPartition(summary.bootPartitions, c.letter));
        EXPECT_EQ(partition.disk, c.disk) << c.letter;
        EXPECT_EQ(partition.active, c.active) << c.letter;
        EXPECT_EQ(partition.esp, c.esp) << c.letter;
    }
}

}  // namespace
}  // namespace qn
