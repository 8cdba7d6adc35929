#include "boot/arc_path.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

TEST(ArcPath, ReadsWhatItWrites) {
    const auto arc = ParseArc(ArcKey(1, 12));
    ASSERT_TRUE(arc);
    EXPECT_EQ(arc->rdisk, 1u);
    EXPECT_EQ(arc->partition, 12u);
    EXPECT_EQ(arc->folder, L"\\windows");
}

TEST(ArcPath, ReadsOnlyTheFormNtldrFindsABiosDiskBy) {
    struct Case {
        std::wstring in;
        bool read;
    } cases[] = {
        {L"MULTI(0)DISK(0)RDISK(0)PARTITION(1)\\WINDOWS", true},
        {L"multi(0)disk(0)rdisk(0)partition(123)\\WINDOWS", true},
        {L"multi(0)disk(0)rdisk(0)partition(1234)\\WINDOWS", false},
        {L"multi(0)disk(0)rdisk(0)partition()\\WINDOWS", false},
        {L"multi(1)disk(0)rdisk(0)partition(1)\\WINDOWS", false},
        {L"multi(0)disk(1)rdisk(0)partition(1)\\WINDOWS", false},
        {L"scsi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", false},
        {L"signature(8b467c12)disk(1)rdisk(0)partition(2)\\WINNT", false},
        {L"multi(0)disk(0)rdisk(0)partition(1", false},
        {L"C:\\CMDCONS\\BOOTSECT.DAT", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseArc(c.in).has_value(), c.read) << std::string(c.in.begin(), c.in.end());
    }
}

}  // namespace
}  // namespace qn
