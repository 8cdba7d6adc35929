// boot.ini as lines: any bytes come back exactly, the lines the boot.ini reader makes entries of
// are found as it finds them, and an edit of one line leaves the others alone.
#include "boot/boot_ini_document.h"

#include <gtest/gtest.h>

#include <random>

#include "boot/boot_ini_reader.h"
#include "boot/fake/fake_profile_file.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class BootIniDocumentTest : public ::testing::Test {
protected:
    BootIniDocument Parse(const std::string& text) {
        return ParseBootIniDocument(Bytes(text), codePage_);
    }
    std::string Gbk(const std::wstring& text) {
        return codePage_.FromWide(text, CodePageKind::Ansi);
    }

    fake::FakeCodePage codePage_{936, 936};
};

TEST_F(BootIniDocumentTest, AnyBytesComeBackExactly) {
    const std::string cases[] = {
        "",
        "a",
        "\r",
        "\n",
        "\r\n",
        "\n\r",
        "a\r\nb",
        "a\r\nb\r\n",
        "a\nb\n",
        "a\rb\r",
        "a\r\r\nb\n\n",
        std::string("x\0y\r\n\0", 6),
        "\x81\r\n\xff\xfe[\x00",
        "\xef\xbb\xbf[boot loader]\r\n",
        "[boot loader]\r\ntimeout=30\r\n[operating systems]\r\nmulti(0)=\"\xd6\xd0\xce\xc4\"",
    };
    for (const std::string& text : cases) {
        EXPECT_EQ(Text(BootIniDocumentBytes(Parse(text))), text);
    }
    // And whatever a random mix of the bytes that matter gives.
    std::mt19937 random(7);
    const char alphabet[] = {'\r', '\n', 'a', '=', '[', ']', '"', ';', ' ', '\t', '\x81', '\xff'};
    for (int round = 0; round < 500; ++round) {
        std::string text(random() % 40, ' ');
        for (char& c : text) {
            c = alphabet[random() % sizeof alphabet];
        }
        const BootIniDocument document = Parse(text);
        ASSERT_EQ(Text(BootIniDocumentBytes(document)), text);
        for (std::size_t i = 0; i + 1 < document.lines.size(); ++i) {
            ASSERT_FALSE(document.lines[i].end.empty()) << "only the last line may lack an end";
        }
    }
}

TEST_F(BootIniDocumentTest, LinesEndWhereTheProfileFunctionsEndThem) {
    const BootIniDocument document = Parse("a\r\r\nb\nc\rd");
    ASSERT_EQ(document.lines.size(), 5u);
    const std::pair<std::string, std::string> lines[] = {
        {"a", "\r"}, {"", "\r\n"}, {"b", "\n"}, {"c", "\r"}, {"d", ""}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(document.lines[i].bytes, lines[i].first) << i;
        EXPECT_EQ(document.lines[i].end, lines[i].second) << i;
    }
    EXPECT_EQ(BootIniLineEnd(document), "\r");
    EXPECT_EQ(BootIniLineEnd(Parse("one line")), "\r\n");
    EXPECT_EQ(Parse(Gbk(L"[操作]")).lines[0].text, L"[操作]");
}

// The menu lines must be the reader's entries, one for one, or a row would find another's line.
TEST_F(BootIniDocumentTest, MenuLinesAreTheReadersEntries) {
    const std::string longLine = "multi(0)x=\"" + std::string(4083, 'x') + "\"";  // 4095
    const std::string tooLong = "multi(0)x=\"" + std::string(4084, 'x') + "\"";   // 4096
    const std::string files[] = {
        "[boot loader]\r\ntimeout=5\r\n[operating systems]\r\n"
        "multi(0)a=\"A\"\r\nmulti(0)a=\"A safe\" /safeboot:minimal\r\n",
        "[Operating Systems]\r\n; comment\r\n\r\nno equals\r\n=\"no key\"\r\n  spaced  =  \"S\"  "
        "\r\n",
        "[operating systems]\r\nmulti(0)a=\"first section\"\r\n[other]\r\nx=y\r\n"
        "[operating systems]\r\nmulti(0)b=\"second section, not read\"\r\n",
        "[ operating systems ] ; trailing\nC:\\X=\"LF only\"\rmulti(0)y=\"CR only\"",
        "[operating systems]\r\n" + longLine + "\r\n" + tooLong + "\r\nmulti(0)z=\"after\"\r\n",
        "[operating systems]\r\nmulti(0)c=\"" + Gbk(L"中文 安全模式") +
            "\" /sos\r\n\x81=\"bad\"\r\n",
        "[operating systems\r\nmulti(0)d=\"no section\"\r\n",
        "",
    };
    for (const std::string& file : files) {
        fake::FakeFileSystem files;
        files.AddFile(L"C:\\boot.ini", Bytes(file));
        fake::FakeProfileFile profile(files, codePage_);
        fake::FakeRandomSource random;
        const BcdListing listing = ReadBootIni(profile, random, L"C:\\boot.ini");
        const BootIniDocument document = Parse(file);
        const std::vector<BootIniMenuLine> menu = BootIniMenuLines(document);
        ASSERT_EQ(menu.size(), listing.entries.size()) << file.substr(0, 80);
        for (std::size_t i = 0; i < menu.size(); ++i) {
            EXPECT_EQ(menu[i].arcPath, listing.entries[i].device) << i;
            EXPECT_EQ(menu[i].value, listing.entries[i].osdevice) << i;
        }
    }
    const std::vector<BootIniMenuLine> lines = BootIniMenuLines(Parse(files[4]));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].line, 1u);
    EXPECT_EQ(lines[1].line, 3u) << "the line too long for the reader is no menu line";
}

TEST_F(BootIniDocumentTest, SectionsAndKeysAreFoundAsTheProfileFunctionsFindThem) {
    const BootIniDocument document = Parse(
        "; top\r\n[Boot Loader]\r\nTimeOut = \"30\" \r\nredirect=COM1\r\ndefault\r\n\r\n"
        "[operating systems]\r\nx=y\r\n[boot loader]\r\ntimeout=99\r\n");
    const auto section = FindBootIniSection(document, L"boot loader");
    ASSERT_TRUE(section.has_value());
    EXPECT_EQ(section->header, 1u);
    EXPECT_EQ(section->begin, 2u);
    EXPECT_EQ(section->end, 6u);
    EXPECT_EQ(BootIniSectionTail(document, *section), 5u) << "before the blank line";
    EXPECT_EQ(FindBootIniKey(document, *section, L"TIMEOUT"), 2u);
    EXPECT_EQ(BootIniValue(document, L"boot loader", L"timeout"), L"30");
    EXPECT_EQ(BootIniValue(document, L"boot loader", L"redirect"), L"COM1");
    EXPECT_EQ(FindBootIniKey(document, *section, L"default"), 4u);
    EXPECT_EQ(BootIniValue(document, L"boot loader", L"default"), std::nullopt) << "no \"=\"";
    EXPECT_EQ(BootIniValue(document, L"boot loader", L"missing"), std::nullopt);
    EXPECT_EQ(BootIniValue(document, L"nothing", L"timeout"), std::nullopt);
    EXPECT_TRUE(IsBootIniHeader(document.lines[6]));
    EXPECT_FALSE(IsBootIniHeader(document.lines[0]));
}

TEST_F(BootIniDocumentTest, ANewValueKeepsTheBlanksAroundIt) {
    struct Case {
        std::string line;
        std::string value;
        std::string result;
    };
    const Case cases[] = {
        {"timeout=30", "5", "timeout=5"},  {"  timeout =\t30  ", "5", "  timeout =\t5  "},
        {"timeout=", "5", "timeout=5"},    {"timeout=   ", "5", "timeout=   5"},
        {"  timeout  ", "5", "timeout=5"}, {"default=a=b", "c", "default=c"},
    };
    for (const Case& c : cases) {
        BootIniDocumentLine line = Parse(c.line).lines[0];
        SetBootIniValueBytes(line, c.value, codePage_);
        EXPECT_EQ(line.bytes, c.result);
        EXPECT_EQ(line.text, std::wstring(c.result.begin(), c.result.end()));
    }
}

TEST_F(BootIniDocumentTest, ANewMenuTextKeepsTheSwitchesByteForByte) {
    BootIniDocumentLine line =
        Parse("multi(0)x = \"Old\"  /fastdetect /noexecute=\"optin\"\t").lines[0];
    // The last quote ends the text, as the reader reads it.
    ASSERT_TRUE(SetBootIniMenuText(line, L"新的", codePage_));
    EXPECT_EQ(line.bytes, "multi(0)x = \"" + Gbk(L"新的") + "\"\t");
    EXPECT_EQ(line.text, L"multi(0)x = \"新的\"\t");

    line = Parse("C:\\X=\"A\" /cmdcons").lines[0];
    ASSERT_TRUE(SetBootIniMenuText(line, L"", codePage_));
    EXPECT_EQ(line.bytes, "C:\\X=\"\" /cmdcons");
    for (const char* unquoted : {"C:\\X=A /x", "C:\\X", "C:\\X=\"", "C:\\X= /x \"a\""}) {
        BootIniDocumentLine other = Parse(unquoted).lines[0];
        EXPECT_FALSE(SetBootIniMenuText(other, L"B", codePage_)) << unquoted;
        EXPECT_EQ(other.bytes, unquoted);
    }
    line = Parse("C:\\X=\"A\" /cmdcons").lines[0];
    EXPECT_FALSE(SetBootIniMenuText(line, L"say \"hi\"", codePage_));
    fake::FakeCodePage western(1252, 850);
    EXPECT_FALSE(SetBootIniMenuText(line, L"中文", western)) << "1252 has no Chinese";
    EXPECT_EQ(line.bytes, "C:\\X=\"A\" /cmdcons");
}

TEST_F(BootIniDocumentTest, NewTextMustSurviveTheCodePage) {
    EXPECT_EQ(BootIniTextBytes(L"中文", codePage_), Gbk(L"中文"));
    EXPECT_EQ(BootIniTextBytes(L"", codePage_), "");
    fake::FakeCodePage western(1252, 850);
    EXPECT_EQ(BootIniTextBytes(L"中文", western), std::nullopt);
    EXPECT_EQ(BootIniTextBytes(L"a\r\nb", codePage_), std::nullopt);
    EXPECT_EQ(BootIniTextBytes(L"a\nb", codePage_), std::nullopt);
    const BootIniDocument lf = Parse("a\nb");
    const auto line = MakeBootIniLine(lf, L"timeout=5", codePage_);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->bytes, "timeout=5");
    EXPECT_EQ(line->end, "\n") << "a new line ends as the file's lines do";
    EXPECT_EQ(MakeBootIniLine(lf, L"x\ry", codePage_), std::nullopt);
}

TEST_F(BootIniDocumentTest, AMissingFinalLineEndStaysMissing) {
    BootIniDocument document = Parse("a\nb");
    BootIniDocumentLine added = *MakeBootIniLine(document, L"c", codePage_);
    document.lines.push_back(added);
    FinishBootIniLineEnds(document, true);
    EXPECT_EQ(Text(BootIniDocumentBytes(document)), "a\nb\nc");

    document = Parse("a\r\nb");
    document.lines.erase(document.lines.begin() + 1);
    FinishBootIniLineEnds(document, true);
    EXPECT_EQ(Text(BootIniDocumentBytes(document)), "a");

    document = Parse("a\r\nb\r\n");
    document.lines.insert(document.lines.begin(), *MakeBootIniLine(document, L"c", codePage_));
    std::swap(document.lines[1], document.lines[2]);
    FinishBootIniLineEnds(document, false);
    EXPECT_EQ(Text(BootIniDocumentBytes(document)), "c\r\nb\r\na\r\n");

    document = Parse("");
    FinishBootIniLineEnds(document, false);
    EXPECT_TRUE(document.lines.empty());
}

}  // namespace
}  // namespace qn
