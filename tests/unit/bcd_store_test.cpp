#include "boot/bcd_store.h"

#include <gtest/gtest.h>

#include "fixtures/bcd/bcd_samples.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_process_launcher.h"

namespace qn {
namespace {

const std::wstring kBcdedit = L"C:\\Temp\\abcdefghi\\bcdedit.exe";

std::string OsLoaders(const std::vector<std::pair<std::wstring, std::wstring>>& idAndOsdevice) {
    std::vector<test::BcdSection> sections;
    for (const auto& [id, osdevice] : idAndOsdevice) {
        test::BcdSection section{L"Windows Boot Loader",
                                 {{L"identifier", {id}},
                                  {L"device", {L"partition=C:"}},
                                  {L"path", {L"\\Windows\\system32\\winload.exe"}},
                                  {L"description", {L"Windows"}}}};
        if (!osdevice.empty()) {
            section.elements.push_back({L"osdevice", {osdevice}});
        }
        sections.push_back(section);
    }
    return test::Encode(test::RenderBcdOutput(sections), 437);
}

class BcdStoreTest : public ::testing::Test {
protected:
    fake::FakeProcessLauncher processes_;
    fake::FakeCodePage codePage_{1252, 850};
    BcdTool tool_{processes_, codePage_, kBcdedit};
};

TEST_F(BcdStoreTest, EnumAllEntriesCapturesTheStoreAndReadsItInTheConsoleCodePage) {
    processes_.Script({true, 0, test::UefiStoreOutput(test::kFrench, L"D\u00e9marrage")});
    BcdListing listing;
    const ProcessResult run = EnumAllEntries(tool_, L"S:\\EFI\\Microsoft\\Boot\\BCD", listing);
    EXPECT_TRUE(run.started);
    ASSERT_EQ(processes_.Calls().size(), 1u);
    EXPECT_TRUE(processes_.Calls()[0].captured);
    EXPECT_EQ(processes_.Calls()[0].commandLine,
              kBcdedit + L" /store S:\\EFI\\Microsoft\\Boot\\BCD /enum all /v");
    EXPECT_EQ(listing.bootManager.identifier, test::kBootmgrGuid);
    ASSERT_EQ(listing.entries.size(), 4u);
    EXPECT_EQ(listing.entries[0].description, L"D\u00e9marrage");
}

TEST_F(BcdStoreTest, EnumerationThatDoesNotRunGivesAnEmptyListing) {
    BcdListing listing;
    const ProcessResult run = EnumAllEntries(tool_, L"", listing);
    EXPECT_FALSE(run.started);
    EXPECT_EQ(processes_.Calls()[0].commandLine, kBcdedit + L" /enum all /v");
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_TRUE(listing.bootManager.identifier.empty());

    processes_.Script({true, 1,
                       "The boot configuration data store could not be opened.\r\n"
                       "The system cannot find the file specified.\r\n"});
    BcdListing failed;
    EXPECT_EQ(EnumAllEntries(tool_, L"Z:\\Boot\\BCD", failed).exitCode, 1u);
    EXPECT_TRUE(failed.entries.empty());
}

TEST_F(BcdStoreTest, FindLoaderIdByLetter) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring, std::wstring>> loaders;  // id, osdevice
        char letter;
        std::wstring expected;
    };
    const Case cases[] = {
        {"second of C: and D:",
         {{L"{c}", L"partition=C:"}, {L"{d}", L"partition=D:"}},
         'D',
         L"{d}"},
        {"first match wins",
         {{L"{c1}", L"partition=C:"}, {L"{c2}", L"partition=C:"}},
         'C',
         L"{c1}"},
        {"an entry without a partition does not hide the next",
         {{L"{b}", L"boot"}, {L"{d}", L"partition=D:"}},
         'D',
         L"{d}"},
        {"ramdisk entries name no letter",
         {{L"{r}", L"ramdisk=[D:]\\sources\\boot.wim,{7619dcc8-fafe-11d9-b411-000476eba25f}"}},
         'D',
         L""},
        {"device when there is no osdevice", {{L"{dev}", L""}}, 'C', L"{dev}"},
        {"letters compare exactly", {{L"{d}", L"partition=D:"}}, 'd', L""},
        {"no such letter", {{L"{c}", L"partition=C:"}}, 'E', L""},
        {"no loaders", {}, 'C', L""},
    };
    for (const Case& c : cases) {
        processes_.Script({true, 0, OsLoaders(c.loaders)});
        EXPECT_EQ(FindLoaderIdByLetter(tool_, L"", false, c.letter), c.expected) << c.name;
    }
    EXPECT_EQ(processes_.Calls()[0].commandLine, kBcdedit + L" /enum all /v");
}

// The whole store is read (its boot manager decides what the run sets next): the memory tester,
// the resume loader and ntldr name the boot partition in their device, and are no Windows of it.
TEST_F(BcdStoreTest, OnlyAWindowsLoaderIsTakenForTheWindowsOnALetter) {
    auto section = [](const wchar_t* id, const wchar_t* path) {
        return test::BcdSection{L"Entry",
                                {{L"identifier", {id}},
                                 {L"device", {L"partition=C:"}},
                                 {L"path", {path}},
                                 {L"description", {L"x"}}}};
    };
    processes_.Script(
        {true, 0,
         test::Encode(
             test::RenderBcdOutput({section(L"{memdiag}", L"\\boot\\memtest.exe"),
                                    section(L"{resume}", L"\\Windows\\system32\\winresume.exe"),
                                    section(L"{ntldr}", L"\\ntldr"),
                                    section(L"{win}", L"\\Windows\\system32\\WINLOAD.EFI")}),
             437)});
    BcdListing listing;
    EXPECT_EQ(FindLoaderIdByLetter(tool_, L"", false, 'C', &listing), L"{win}");
    EXPECT_EQ(listing.entries.size(), 4u) << "the caller gets the whole store";
}

TEST_F(BcdStoreTest, FindLoaderIdByLetterInAStoreFileAndWhenBcdeditFails) {
    processes_.Script({true, 0, OsLoaders({{L"{c}", L"partition=C:"}})});
    EXPECT_EQ(FindLoaderIdByLetter(tool_, L"C:\\Boot\\BCD", true, 'C'), L"{c}");
    EXPECT_EQ(processes_.Calls()[0].commandLine, kBcdedit + L" /store C:\\Boot\\BCD /enum all /v");
    EXPECT_EQ(FindLoaderIdByLetter(tool_, L"C:\\Boot\\BCD", true, 'C'), L"") << "not started";
}

TEST_F(BcdStoreTest, DeleteAllEntriesDeletesWhatTheSystemStoreDisplaysAndSaysWhatFailed) {
    processes_.Script({true, 0, test::UefiStoreOutput(test::kChinese)});
    processes_.Script({true, 0, {}});
    processes_.Script({true, 1, {}});
    processes_.Script({true, 0, {}});
    codePage_.SetOem(936);
    const DeleteAllResult result = DeleteAllEntries(tool_);
    EXPECT_TRUE(result.enumeration.started);
    ASSERT_EQ(processes_.Calls().size(), 4u);
    EXPECT_EQ(processes_.Calls()[0].commandLine, kBcdedit + L" /enum all /v");
    const std::wstring ids[] = {test::kWin10Id, test::kWin7Id, test::kNtldrGuid};
    for (int i = 0; i < 3; ++i) {
        const ShellRequest& request = processes_.Calls()[i + 1].shell;
        EXPECT_FALSE(processes_.Calls()[i + 1].captured);
        EXPECT_EQ(request.file, L"\"" + kBcdedit + L"\"");
        EXPECT_EQ(request.parameters, L"/delete " + ids[i] + L" /f /cleanup");
        EXPECT_TRUE(request.wait);
        EXPECT_FALSE(request.show);
        EXPECT_FALSE(request.noUi);
    }
    EXPECT_EQ(result.deleted, (std::vector<std::wstring>{ids[0], ids[2]}));
    EXPECT_EQ(result.failed, std::vector<std::wstring>{ids[1]});
}

TEST_F(BcdStoreTest, DeleteAllEntriesWithAnUnreadableStoreDeletesNothing) {
    const DeleteAllResult result = DeleteAllEntries(tool_);
    EXPECT_FALSE(result.enumeration.started);
    EXPECT_EQ(processes_.Calls().size(), 1u);
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_TRUE(result.failed.empty());
}

}  // namespace
}  // namespace qn
