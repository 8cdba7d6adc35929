#include "app/selection_rows.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

TEST(BootPartitionRows, OneRowPerDiskWithEspWithoutLetterShownAsEsp) {
    const ActivePartLetterMap letters = {{0, 'F'}, {1, '#'}, {2, 'K'}};
    int styleQueries = 0;
    const auto rows = BootPartitionRows(
        letters, [](char letter) { return letter == 'F' ? L"System Reserved" : L""; },
        [&](char letter) {
            ++styleQueries;
            EXPECT_NE(letter, '#') << "no query for a partition without a letter";
            return letter == 'F' ? PartitionStyle::Mbr : PartitionStyle::Raw;
        });
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].columns,
              (std::array<std::wstring, 4>{L"F:", L"MBR", L"System Reserved", L"激活分区"}));
    EXPECT_EQ(rows[1].columns,
              (std::array<std::wstring, 4>{L"ESP", L"GPT", L"ESP(本机请选择此项)", L"激活分区"}));
    EXPECT_EQ(rows[1].letter, '#');
    EXPECT_EQ(rows[2].columns[1], L"RAW");
    EXPECT_EQ(styleQueries, 2);
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
