#include "boot/field_text.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

TEST(ParseDecimalDigits, TakesDigitsOnlyUpToTheLimit) {
    struct Case {
        std::wstring in;
        std::size_t maxDigits;
        std::optional<std::uint64_t> out;
    } cases[] = {
        {L"30", 5, 30},
        {L"00030", 5, 30},
        {L"000030", 5, std::nullopt},  // six digits are no timeout, whatever their value
        {L"", 5, std::nullopt},
        {L" 3", 5, std::nullopt},
        {L"+3", 5, std::nullopt},
        {L"-3", 5, std::nullopt},
        {L"3a", 5, std::nullopt},
        {L"999", 3, 999},
        {L"1000", 3, std::nullopt},
        {L"9999999999999999999", 25, 9999999999999999999u},
        {L"00000000000000000000", 25, std::nullopt},  // never more than ParseDecimal's 19
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDecimalDigits(c.in, c.maxDigits), c.out)
            << "input [" << std::string(c.in.begin(), c.in.end()) << "]";
    }
}

}  // namespace
}  // namespace qn
