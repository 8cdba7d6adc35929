#include "boot/text_helpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(TrimSpaces, RemovesOnlySpaceCharacters) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"  a b  ", "a b"},
        {"\ta\t", "\ta\t"},  // tabs stay
        {" x\r", "x\r"},     // a line break stays
        {"identifier", "identifier"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimSpaces(c.in), c.out) << "input [" << c.in << "]";
    }
}

TEST(TrimSpaces, WideVariantsDifferInWhatTheyTakeForBlank) {
    struct Case {
        std::wstring in, spaces, spacesAndTabs, whiteSpace;
    } cases[] = {
        {L"", L"", L"", L""},
        {L" \t ", L"\t", L"", L""},
        {L"  a b  ", L"a b", L"a b", L"a b"},
        {L"\t a \t", L"\t a \t", L"a", L"a"},
        {L" x\r\n", L"x\r\n", L"x\r\n", L"x"},
        {L"\v y \v", L"\v y \v", L"\v y \v", L"\v y \v"},  // no trim takes a vertical tab
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimSpaces(c.in), c.spaces);
        EXPECT_EQ(TrimSpacesAndTabs(c.in), c.spacesAndTabs);
        EXPECT_EQ(TrimWhiteSpace(c.in), c.whiteSpace);
    }
}

TEST(DriveText, GivesTheLetterAloneOrAsADrive) {
    EXPECT_EQ(DriveLetterText('C'), L"C");
    EXPECT_EQ(DriveText('C'), L"C:");
}

TEST(SplitText, KeepEmptyDecidesAboutBlankLines) {
    EXPECT_THAT(SplitText("a\r\n\r\nb", "\r\n", true), ElementsAre("a", "", "b"));
    EXPECT_THAT(SplitText("a\r\n\r\nb", "\r\n", false), ElementsAre("a", "b"));
    EXPECT_THAT(SplitText("", "\r\n", true), IsEmpty());
}

TEST(SplitText, TrailingDelimiterGivesOneEmptyPiece) {
    EXPECT_THAT(SplitText("a\r\n", "\r\n", true), ElementsAre("a", ""));
    EXPECT_THAT(SplitText("a\r\n", "\r\n", false), ElementsAre("a"));
}

TEST(SplitText, PiecesAreTrimmedAndSpacesOnlyPiecesCountAsEmpty) {
    EXPECT_THAT(SplitText("  a  ,   , b ", ",", true), ElementsAre("a", "", "b"));
    EXPECT_THAT(SplitText("  a  ,   , b ", ",", false), ElementsAre("a", "b"));
}

TEST(SplitText, BlankDelimiterSkipsRunsOfBlanks) {
    EXPECT_THAT(SplitText("timeout     30", " ", false), ElementsAre("timeout", "30"));
}

TEST(SplitText, OverlappingDelimiterCutsFromTheStartWithoutOverlap) {
    // "aaa" + "aa" = "aaaaa": occurrences at 0 and 2; the "a" after them is no piece.
    EXPECT_THAT(SplitText("aaa", "aa", true), ElementsAre("", ""));
    EXPECT_THAT(SplitText("xaay", "aa", true), ElementsAre("x", "y"));
}

TEST(SplitText, EmptyDelimiterGivesWholeTextInsteadOfLooping) {
    EXPECT_THAT(SplitText(" abc ", "", false), ElementsAre("abc"));
}

TEST(SplitText, BareLineFeedsAreNotCrLfBreaks) {
    // Output with LF only stays one piece when cut at CR LF.
    EXPECT_THAT(SplitText("a\nb", "\r\n", false), ElementsAre("a\nb"));
}

TEST(Fields, FirstAndSecondOfBlankSeparatedLine) {
    fake::FakeCodePage cp(936, 936);
    EXPECT_EQ(FirstField(cp, "timeout                 30", " "), L"timeout");
    EXPECT_EQ(SecondField(cp, "timeout                 30", " "), L"30");
    // Only the second blank-separated word: the rest of a description is not part of it.
    EXPECT_EQ(SecondField(cp, "description             Windows 7", " "), L"Windows");
    EXPECT_EQ(SecondField(cp, "description", " "), L"");
    EXPECT_EQ(FirstField(cp, "", " "), L"");
    EXPECT_EQ(FirstField(cp, "    ", " "), L"");
}

TEST(Fields, ConvertWithTheGivenCodePage) {
    fake::FakeCodePage cp(936, 936);
    // "标识符" in GBK.
    const std::string gbkKey = "\xB1\xEA\xCA\xB6\xB7\xFB";
    EXPECT_EQ(FirstField(cp, gbkKey + "                  {bootmgr}", " "), L"\u6807\u8BC6\u7B26");
    EXPECT_EQ(SecondField(cp, gbkKey + "                  {bootmgr}", " "), L"{bootmgr}");

    fake::FakeCodePage western(1252, 850);
    // "Démarrage" as a console tool writes it on a Western system (850: é = 0x82).
    EXPECT_EQ(SecondField(western, "description D\x82marrage", " ", CodePageKind::Oem),
              L"D\u00E9marrage");
}

TEST(ToNarrow, UsesAnsiCodePage) {
    fake::FakeCodePage cp(936, 437);
    EXPECT_EQ(ToNarrow(cp, L"\u542F\u52A8"), "\xC6\xF4\xB6\xAF");
    EXPECT_EQ(ToNarrow(cp, L""), "");
}

}  // namespace
}  // namespace qn
