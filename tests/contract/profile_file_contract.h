#pragma once

// One suite of the profile-file rules the boot.ini code relies on, run against the native fake
// (tests/unit) and against the real Windows functions under Wine (tests/win), so the fake cannot
// drift from what Windows does. Each side supplies a backend and instantiates the suite:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ProfileFileContract, FakeProfileBackend);

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/profile_file.h"

namespace qn::contract {

// What a backend provides (as members of the type given to the suite):
//   ProfileFile& Profile();
//   std::wstring NewPath(const std::wstring& name);   // a fresh path in a folder of its own
//   void PutBytes(const std::wstring& path, const std::string& bytes);
//   std::optional<std::string> Bytes(const std::wstring& path);
//   void MakeReadOnly(const std::wstring& path);
//   bool ReadOnlyHolds(const std::wstring& path);       // false where the platform ignores it
//   std::string Ansi(const std::wstring& text);        // in the backend's ANSI code page

inline const std::string kTemplate =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\n";

template <typename Backend>
class ProfileFileContract : public ::testing::Test {
protected:
    std::wstring FileWith(const std::string& bytes, const wchar_t* name = L"boot.ini") {
        const std::wstring path = backend_.NewPath(name);
        backend_.PutBytes(path, bytes);
        return path;
    }
    ProfileFile& Profile() { return backend_.Profile(); }

    Backend backend_;
};

TYPED_TEST_SUITE_P(ProfileFileContract);

TYPED_TEST_P(ProfileFileContract, MissingFileGivesTheFallbackWithoutTrailingBlanks) {
    const std::wstring path = this->backend_.NewPath(L"missing.ini");
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"timeout", L"3", path), L"3");
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"timeout", L"3  ", path), L"3");
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"timeout", L"", path), L"");
    EXPECT_TRUE(this->Profile().ReadSection(L"operating systems", path).empty());
    EXPECT_FALSE(this->backend_.Bytes(path).has_value()) << "reading must not create the file";
}

TYPED_TEST_P(ProfileFileContract, ValuesOfTheTemplateWithNamesInAnyCase) {
    const std::wstring path = this->FileWith(kTemplate);
    ProfileFile& p = this->Profile();
    EXPECT_EQ(p.ReadString(L"boot loader", L"timeout", L"3", path), L"30");
    EXPECT_EQ(p.ReadString(L"BOOT LOADER", L"TimeOut", L"3", path), L"30");
    EXPECT_EQ(p.ReadString(L"boot loader", L"default", L"3", path),
              L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS");
    EXPECT_EQ(p.ReadString(L"boot loader", L"nothere", L"x", path), L"x");
    EXPECT_EQ(p.ReadString(L"no section", L"timeout", L"x", path), L"x");
    EXPECT_TRUE(p.ReadSection(L"operating systems", path).empty());
    EXPECT_EQ(p.ReadSection(L"boot loader", path),
              (std::vector<std::wstring>{L"timeout=30",
                                         L"default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"}));
}

TYPED_TEST_P(ProfileFileContract, SectionLinesInFileOrderWithDuplicatesAndBareLines) {
    const std::wstring path = this->FileWith(
        "[boot loader]\r\ntimeout=5\r\n[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" /noexecute=optin "
        "/fastdetect\r\n"
        "\r\n"
        "; a comment=with equals\r\n"
        "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n"
        "just some words\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=second\r\n"
        "[other]\r\nx=y\r\n");
    EXPECT_EQ(this->Profile().ReadSection(L"operating systems", path),
              (std::vector<std::wstring>{
                  L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" "
                  L"/noexecute=optin /fastdetect",
                  L"C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons", L"just some words",
                  L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=second"}));
    // The first of two equal keys is the one read.
    EXPECT_EQ(this->Profile().ReadString(
                  L"operating systems", L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"", path),
              L"\"Windows XP\" /noexecute=optin /fastdetect");
}

TYPED_TEST_P(ProfileFileContract, BlanksAroundNamesAndValuesAndQuotesAroundAValue) {
    const std::wstring path = this->FileWith(
        "[boot loader]\r\n  timeout =  7  \r\nquoted=\"12\"\r\nhalf=\"a\" b\r\nempty=\r\n"
        "bare\r\n");
    ProfileFile& p = this->Profile();
    EXPECT_EQ(p.ReadString(L"boot loader", L"timeout", L"3", path), L"7");
    EXPECT_EQ(p.ReadString(L"boot loader", L"quoted", L"3", path), L"12");
    EXPECT_EQ(p.ReadString(L"boot loader", L"half", L"3", path), L"\"a\" b");
    EXPECT_EQ(p.ReadString(L"boot loader", L"empty", L"3", path), L"");
    EXPECT_EQ(p.ReadSection(L"boot loader", path),
              (std::vector<std::wstring>{L"timeout=7", L"quoted=\"12\"", L"half=\"a\" b", L"empty=",
                                         L"bare"}));
}

TYPED_TEST_P(ProfileFileContract, WritingAnExistingKeyReplacesItsValueInPlace) {
    const std::wstring path = this->FileWith(kTemplate);
    ASSERT_TRUE(this->Profile().WriteString(L"boot loader", L"TIMEOUT", L"5", path));
    ASSERT_TRUE(this->Profile().WriteString(L"boot loader", L"default", L"", path));
    EXPECT_EQ(this->backend_.Bytes(path),
              std::optional<std::string>(
                  "[boot loader]\r\ntimeout=5\r\ndefault=\r\n[operating systems]\r\n"));
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"default", L"3", path), L"");
}

TYPED_TEST_P(ProfileFileContract, NewKeysGoToTheEndOfTheirSectionNewSectionsToTheEnd) {
    const std::wstring path = this->FileWith(kTemplate);
    ProfileFile& p = this->Profile();
    ASSERT_TRUE(p.WriteString(L"operating systems", L"multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS",
                              L"\"XP 2\" /fastdetect", path));
    ASSERT_TRUE(p.WriteString(L"boot loader", L"redirect", L"COM1", path));
    ASSERT_TRUE(p.WriteString(L"operating systems", L"C:\\x=y", L"v", path));
    ASSERT_TRUE(p.WriteString(L"extra", L"k", L"  leading blanks dropped", path));
    EXPECT_EQ(this->backend_.Bytes(path),
              std::optional<std::string>(
                  "[boot loader]\r\ntimeout=30\r\n"
                  "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\nredirect=COM1\r\n"
                  "[operating systems]\r\n"
                  "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"XP 2\" /fastdetect\r\n"
                  "C:\\x=y=v\r\n"
                  "[extra]\r\nk=leading blanks dropped\r\n"));
}

TYPED_TEST_P(ProfileFileContract, WritingCreatesAMissingFileButNotAMissingFolder) {
    const std::wstring path = this->backend_.NewPath(L"new.ini");
    ASSERT_TRUE(this->Profile().WriteString(L"boot loader", L"timeout", L"30", path));
    EXPECT_EQ(this->backend_.Bytes(path),
              std::optional<std::string>("[boot loader]\r\ntimeout=30\r\n"));
    const std::wstring nowhere = this->backend_.NewPath(L"no folder") + L"\\boot.ini";
    EXPECT_FALSE(this->Profile().WriteString(L"boot loader", L"timeout", L"30", nowhere));
    EXPECT_FALSE(this->backend_.Bytes(nowhere).has_value());
}

TYPED_TEST_P(ProfileFileContract, AReadOnlyFileIsNotWritten) {
    const std::wstring path = this->FileWith(kTemplate);
    this->backend_.MakeReadOnly(path);
    if (!this->backend_.ReadOnlyHolds(path)) {
        GTEST_SKIP() << "read-only files are writable here (Wine running as root)";
    }
    EXPECT_FALSE(this->Profile().WriteString(L"boot loader", L"timeout", L"5", path));
    EXPECT_EQ(this->backend_.Bytes(path), std::optional<std::string>(kTemplate));
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"timeout", L"3", path), L"30");
}

TYPED_TEST_P(ProfileFileContract, TextIsInTheAnsiCodePage) {
    const std::wstring value = L"\"D\u00e9marrage \u00e0 froid\" /fastdetect";
    const std::wstring path = this->FileWith(kTemplate);
    ASSERT_TRUE(this->Profile().WriteString(L"operating systems", L"multi(0)disk(0)rdisk(0)x",
                                            value, path));
    const std::string expected =
        kTemplate + this->backend_.Ansi(L"multi(0)disk(0)rdisk(0)x=" + value) + "\r\n";
    EXPECT_EQ(this->backend_.Bytes(path), std::optional<std::string>(expected));
    EXPECT_EQ(this->Profile().ReadSection(L"operating systems", path),
              (std::vector<std::wstring>{L"multi(0)disk(0)rdisk(0)x=" + value}));
}

TYPED_TEST_P(ProfileFileContract, LongValuesAndSectionsAreNotCut) {
    const std::string longValue(5000, 'v');
    std::string bytes = "[boot loader]\r\ntimeout=" + longValue + "\r\n[operating systems]\r\n";
    for (int i = 0; i < 120; ++i) {
        bytes += "multi(0)disk(0)rdisk(0)partition(" + std::to_string(i) + ")\\WINDOWS=\"" +
                 std::string(400, 'a' + i % 26) + "\"\r\n";
    }
    const std::wstring path = this->FileWith(bytes);
    EXPECT_EQ(this->Profile().ReadString(L"boot loader", L"timeout", L"3", path).size(), 5000u);
    const auto lines = this->Profile().ReadSection(L"operating systems", path);
    ASSERT_EQ(lines.size(), 120u);
    EXPECT_EQ(lines.back(), L"multi(0)disk(0)rdisk(0)partition(119)\\WINDOWS=\"" +
                                std::wstring(400, L'a' + 119 % 26) + L"\"");
}

REGISTER_TYPED_TEST_SUITE_P(ProfileFileContract, MissingFileGivesTheFallbackWithoutTrailingBlanks,
                            ValuesOfTheTemplateWithNamesInAnyCase,
                            SectionLinesInFileOrderWithDuplicatesAndBareLines,
                            BlanksAroundNamesAndValuesAndQuotesAroundAValue,
                            WritingAnExistingKeyReplacesItsValueInPlace,
                            NewKeysGoToTheEndOfTheirSectionNewSectionsToTheEnd,
                            WritingCreatesAMissingFileButNotAMissingFolder,
                            AReadOnlyFileIsNotWritten, TextIsInTheAnsiCodePage,
                            LongValuesAndSectionsAreNotCut);

}  // namespace qn::contract
