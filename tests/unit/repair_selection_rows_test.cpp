#include "app/selection_rows.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

// A row carries the partition it stands for whole: the page hands that on, never a letter to
// look up again.
TEST(BootPartitionRows, OneRowPerDiskWithEspWithoutLetterShownAsEsp) {
    const BootPartitionMap candidates = {{0, {0, PartitionStyle::Mbr, 'F'}},
                                         {1, {1, PartitionStyle::Gpt, kEspWithoutLetter}},
                                         {2, {2, PartitionStyle::Raw, 'K'}}};
    std::vector<char> labelsAsked;
    BootPartitionChoice choice;
    choice.partition = candidates.at(1);
    choice.why = L"第一个 EFI 系统分区";
    const auto rows = BootPartitionRows(
        candidates,
        [&](char letter) {
            labelsAsked.push_back(letter);
            return letter == 'F' ? L"System Reserved" : L"";
        },
        [](int disk) { return disk == 2; }, &choice);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].columns,
              (std::array<std::wstring, 4>{L"F:", L"MBR", L"System Reserved", L"激活分区"}));
    EXPECT_EQ(
        rows[1].columns,
        (std::array<std::wstring, 4>{
            L"ESP", L"GPT", L"ESP(本机请选择此项) — 推荐: 第一个 EFI 系统分区", L"激活分区"}));
    EXPECT_EQ(rows[2].columns[1], L"RAW");
    EXPECT_EQ(rows[2].columns[2], L" (可移动)");
    EXPECT_EQ(labelsAsked, (std::vector<char>{'F', 'K'}))
        << "no label for a partition without a letter";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].partition, candidates.at(static_cast<std::int32_t>(i)));
        EXPECT_EQ(rows[i].recommended, i == 1);
    }
}

TEST(SelectCheckedInstalls, OnlyCheckedKnownLettersAreSelected) {
    InstallationTable table;
    table['C'].driveLetter = 'C';
    table['D'].driveLetter = 'D';
    table['D'].selected = 1;  // left from an earlier choice
    EXPECT_TRUE(SelectCheckedInstalls(table, {'C', 'Z'}));
    EXPECT_EQ(table['C'].selected, 1);
    EXPECT_EQ(table['D'].selected, 0);
    EXPECT_EQ(table.count('Z'), 0u);
    EXPECT_FALSE(SelectCheckedInstalls(table, {}));
    EXPECT_EQ(table['C'].selected, 0);
    EXPECT_FALSE(SelectCheckedInstalls(table, {'Q'}));
}

}  // namespace
}  // namespace qn
