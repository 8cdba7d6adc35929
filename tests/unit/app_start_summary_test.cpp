#include "app/start_summary.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

using Disk = DiskSummaryInput;
constexpr PartitionStyle kMbr = PartitionStyle::Mbr;
constexpr PartitionStyle kGpt = PartitionStyle::Gpt;

TEST(StartSummary, MbrWithActiveCAndLetterlessGptOnInstalledSystem) {
    const std::vector<Disk> disks = {
        {0, PartitionStyle::Mbr, {{"C:\\", true}, {"D:\\", false}}},
        {1, PartitionStyle::Gpt, {{"E:\\", false}}},
    };
    const StartSummary s = BuildStartSummary(disks, {}, false);
    EXPECT_EQ(s.diskText, L"磁盘0:MBR    磁盘1:GPT    ");
    EXPECT_EQ(s.activeText, L"磁盘0:     C:    磁盘0:ESP    ");
    EXPECT_EQ(s.bootPartitions,
              (BootPartitionMap{{0, {0, kMbr, 'C'}}, {1, {1, kGpt, kEspWithoutLetter}}}));
    EXPECT_FALSE(StartupMustAbort(s.bootPartitions));
}

TEST(StartSummary, SameMachineInWinPeCountsTheGptDiskOnlyWithAMountedEsp) {
    const std::vector<Disk> disks = {
        {0, PartitionStyle::Mbr, {{"C:\\", true}}},
        {1, PartitionStyle::Gpt, {{"E:\\", false}}},
    };
    const StartSummary without = BuildStartSummary(disks, {}, true);
    EXPECT_EQ(without.activeText, L"磁盘0:     C:    ");
    EXPECT_EQ(without.bootPartitions, (BootPartitionMap{{0, {0, kMbr, 'C'}}}));

    const StartSummary with = BuildStartSummary(disks, {{1, 'S'}}, true);
    EXPECT_EQ(with.activeText, L"磁盘0:     C:    磁盘1:     S:    ");
    EXPECT_EQ(with.bootPartitions, (BootPartitionMap{{0, {0, kMbr, 'C'}}, {1, {1, kGpt, 'S'}}}));
}

TEST(StartSummary, RawDisksAreListedButNeverCount) {
    const std::vector<Disk> disks = {{0, PartitionStyle::Raw, {}}, {2, PartitionStyle::Raw, {}}};
    const StartSummary s = BuildStartSummary(disks, {{0, 'S'}}, false);
    EXPECT_EQ(s.diskText, L"磁盘0:RAW    磁盘2:RAW    ");
    EXPECT_EQ(s.activeText, L"");
    EXPECT_TRUE(StartupMustAbort(s.bootPartitions));
}

TEST(StartSummary, LaterActivePartitionOfADiskWinsTheLetterButBothAreShown) {
    const std::vector<Disk> disks = {
        {0, PartitionStyle::Mbr, {{"C:\\", true}, {"D:\\", true}}},
        {3, PartitionStyle::Mbr, {{"F:\\", false}}},
    };
    const StartSummary s = BuildStartSummary(disks, {}, false);
    EXPECT_EQ(s.activeText, L"磁盘0:     C:    磁盘0:     D:    ");
    EXPECT_EQ(s.bootPartitions, (BootPartitionMap{{0, {0, kMbr, 'D'}}}));
    EXPECT_EQ(s.diskText, L"磁盘0:MBR    磁盘3:MBR    ");
}

TEST(StartSummary, NoDisksMeansAbort) {
    const StartSummary s = BuildStartSummary({}, {}, false);
    EXPECT_EQ(s.diskText, L"");
    EXPECT_TRUE(StartupMustAbort(s.bootPartitions));
}

TEST(StartSummary, WinPeIsOnlyAnUpperCaseX) {
    EXPECT_TRUE(IsWinPeSystemDirectory(L"X:\\Windows\\system32"));
    EXPECT_FALSE(IsWinPeSystemDirectory(L"x:\\Windows\\system32"));
    EXPECT_FALSE(IsWinPeSystemDirectory(L"C:\\Windows\\system32"));
    EXPECT_FALSE(IsWinPeSystemDirectory(L""));
    EXPECT_EQ(OperatingSystemText(L"Windows 10 Pro", true), L"Windows 10 Pro PE");
    EXPECT_EQ(OperatingSystemText(L"Windows 10 Pro", false), L"Windows 10 Pro");
}

}  // namespace
}  // namespace qn
