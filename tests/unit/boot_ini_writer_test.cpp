#include "boot/boot_ini_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "boot/boot_ini_document.h"
#include "boot/boot_ini_reader.h"
#include "boot/boot_ini_template.h"
#include "boot/fake/fake_profile_file.h"
#include "boot/resource_ids.h"
#include "editor/editor_boot_ini_lines.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"

namespace qn {
namespace {

using ::testing::ElementsAre;

const std::wstring kPath = L"C:\\boot.ini";
const std::wstring kBackup = L"C:\\boot.ini_20260102030405";

const std::string kXpFile =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n"
    "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"2003\" /fastdetect\r\n"
    "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n";

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class BootIniWriterTest : public ::testing::Test {
protected:
    BootIniWriterTest() {
        const std::string bytes(kBootIniTemplate);
        resources_.Add(kResBootIniTemplate, kBinResourceType, Bytes(bytes));
        for (std::uint32_t i = 1; i <= 8; ++i) {
            random_.ScriptGuid(Guid{i, 0, 0, {}});
        }
    }
    void PutBootIni(const std::string& text, std::uint32_t attributes = kBootFileAttributes) {
        files_.AddFile(kPath, Bytes(text));
        files_.SetAttributes(kPath, attributes);
    }
    std::string FileText(const std::wstring& path) {
        const auto* bytes = files_.FileBytes(path);
        return bytes == nullptr ? std::string("<missing>")
                                : std::string(bytes->begin(), bytes->end());
    }
    BcdListing Load() { return ReadBootIni(profile_, random_, kPath); }

    fake::FakeFileSystem files_;
    fake::FakeCodePage codePage_{936, 936};
    fake::FakeProfileFile profile_{files_, codePage_};
    fake::FakeModuleResources resources_;
    fake::FakeClock clock_{{2026, 1, 2, 3, 4, 5, 0}};
    fake::FakeRandomSource random_;
    BootIniPorts ports_{profile_, files_, resources_, clock_};
};

TEST_F(BootIniWriterTest, SaveWritesTheRowsInOrderWithTheChosenDefaultAfterABackup) {
    PutBootIni(kXpFile);
    const BcdListing loaded = Load();
    BcdListing working = loaded;
    // Rows: 2003 first, XP second, the recovery console removed; 2003 is the default.
    working.entries = {loaded.entries[1], loaded.entries[0]};
    working.entries[0].description = L"typed in the editor, not used for boot.ini";
    working.bootManager.defaultId = loaded.entries[1].identifier;
    working.bootManager.timeout = L"5";

    const BootIniWriteResult result = WriteBootIni(ports_, kPath, working, loaded);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.backupPath, kBackup);
    EXPECT_EQ(
        FileText(kPath),
        "[boot loader]\r\ntimeout=5\r\ndefault=multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"2003\" /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n");
    EXPECT_EQ(FileText(kBackup), kXpFile);
    EXPECT_EQ(files_.AttributesOf(kPath), kBootFileAttributes);
    // Attributes cleared before the copy (or the copy would be read-only, hidden and system),
    // the old file gone before the template comes.
    const auto& journal = files_.Journal();
    auto at = [&](const std::wstring& entry) {
        return std::find(journal.begin(), journal.end(), entry) - journal.begin();
    };
    EXPECT_LT(at(L"attrib " + kPath + L" 128"), at(L"copy " + kPath + L" " + kBackup + L" new"));
    EXPECT_LT(at(L"copy " + kPath + L" " + kBackup + L" new"), at(L"del " + kPath));
    EXPECT_LT(at(L"del " + kPath), at(L"create " + kPath));
    EXPECT_EQ(journal.back(), L"attrib " + kPath + L" 7");
    EXPECT_EQ(files_.AttributesOf(kBackup), kAttributeNormal);
}

TEST_F(BootIniWriterTest, NoDefaultRowLeavesTheTemplateDefaultEmpty) {
    PutBootIni(kXpFile);
    const BcdListing loaded = Load();
    BcdListing working = loaded;
    working.bootManager.defaultId.clear();
    ASSERT_TRUE(WriteBootIni(ports_, kPath, working, loaded).ok);
    EXPECT_EQ(profile_.ReadString(L"boot loader", L"default", L"3", kPath), L"");
    EXPECT_EQ(profile_.ReadSection(L"operating systems", kPath).size(), 3u);
    EXPECT_EQ(FileText(kPath).find("partition(1)\\WINDOWS\r\n[operating"), std::string::npos);
}

// The profile functions know one line per key, so the rewrite above merged lines sharing an
// ARC path; the editor's save edits the file in place and keeps both, as ntldr shows both.
TEST_F(BootIniWriterTest, DuplicateArcPathsStayTwoLinesThroughTheEditorsSave) {
    const std::string file =
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)x\r\n[operating systems]\r\n"
        "multi(0)x=\"First\"\r\nmulti(0)x=\"Second\" /fastdetect\r\n";
    PutBootIni(file);
    const BcdListing loaded = Load();
    ASSERT_EQ(loaded.entries.size(), 2u);
    BcdListing working = loaded;
    working.entries[1].description = L"Second, renamed";
    const BootIniEdit edit = EditBootIniDocument(ParseBootIniDocument(Bytes(file), codePage_),
                                                 loaded, working, codePage_);
    ASSERT_EQ(edit.refusal, L"");
    ASSERT_TRUE(ReplaceBootIni(files_, clock_, kPath, BootIniDocumentBytes(edit.document)).ok);
    EXPECT_THAT(profile_.ReadSection(L"operating systems", kPath),
                ElementsAre(L"multi(0)x=\"First\"", L"multi(0)x=\"Second, renamed\" /fastdetect"));
    EXPECT_EQ(FileText(kBackup), file);
}

TEST_F(BootIniWriterTest, NoFileYetGivesTemplateAndNoBackup) {
    BcdListing working;
    BootEntry row;
    row.identifier = L"{new}";
    row.device = L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
    row.osdevice = L"\"Windows XP\" /fastdetect";
    working.entries = {row};
    working.bootManager.defaultId = L"{new}";
    working.bootManager.timeout = L"3";
    const BootIniWriteResult result = WriteBootIni(ports_, kPath, working, BcdListing{});
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.backupPath, L"");
    EXPECT_EQ(
        FileText(kPath),
        "[boot loader]\r\ntimeout=3\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" "
        "/fastdetect\r\n");
}

TEST_F(BootIniWriterTest, RowsWithoutALineAreNotWrittenAsEmptyKeys) {
    PutBootIni(kXpFile);
    const BcdListing loaded = Load();
    BcdListing working = loaded;
    BootEntry orphan;
    orphan.identifier = L"{orphan}";
    working.entries.push_back(orphan);
    working.bootManager.defaultId = L"{orphan}";
    ASSERT_TRUE(WriteBootIni(ports_, kPath, working, loaded).ok);
    EXPECT_EQ(FileText(kPath).find("\r\n="), std::string::npos);
    EXPECT_EQ(profile_.ReadString(L"boot loader", L"default", L"3", kPath), L"");
}

TEST_F(BootIniWriterTest, WithoutABackupNothingIsDeletedOrWritten) {
    PutBootIni(kXpFile);
    files_.FailCreateFile(kBackup);
    const BcdListing loaded = Load();
    BcdListing working = loaded;
    working.entries.clear();
    const BootIniWriteResult result = WriteBootIni(ports_, kPath, working, loaded);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.backupPath, L"");
    EXPECT_EQ(FileText(kPath), kXpFile);
    EXPECT_EQ(files_.AttributesOf(kPath), kBootFileAttributes);
}

TEST_F(BootIniWriterTest, AnUndeletableFileIsNotRewritten) {
    PutBootIni(kXpFile);
    files_.FailRemove(kPath);
    const BcdListing loaded = Load();
    BcdListing working = loaded;
    working.entries.clear();
    const BootIniWriteResult result = WriteBootIni(ports_, kPath, working, loaded);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.backupPath, kBackup) << "the backup was made and is worth knowing about";
    EXPECT_EQ(FileText(kPath), kXpFile);
}

TEST_F(BootIniWriterTest, SavingThreeTimesInOneSecondKeepsEveryEarlierFile) {
    PutBootIni(kXpFile);
    std::vector<std::string> before;
    std::vector<std::wstring> backups;
    for (const wchar_t* timeout : {L"7", L"9", L"11"}) {
        BcdListing loaded = Load();
        BcdListing working = loaded;
        working.bootManager.timeout = timeout;
        before.push_back(FileText(kPath));
        const BootIniWriteResult result = WriteBootIni(ports_, kPath, working, loaded);
        ASSERT_TRUE(result.ok);
        backups.push_back(result.backupPath);
    }
    const std::vector<std::wstring> names = {kBackup, kBackup + L"_2", kBackup + L"_3"};
    EXPECT_EQ(backups, names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(FileText(names[i]), before[i]) << "backup " << i;
    }
    EXPECT_EQ(FileText(names[0]), kXpFile) << "the original survives every later save";
    EXPECT_EQ(profile_.ReadString(L"boot loader", L"timeout", L"3", kPath), L"11");
}

TEST_F(BootIniWriterTest, TemplateComesFromTheBuildWhenTheResourceIsMissing) {
    fake::FakeModuleResources none;
    BootIniPorts ports{profile_, files_, none, clock_};
    const RewritePreparation prepared = PrepareBootIniRewrite(ports, kPath, false);
    EXPECT_TRUE(prepared.ready);
    EXPECT_EQ(FileText(kPath), kBootIniTemplate);
}

TEST_F(BootIniWriterTest, PreparationWithoutDeleteKeepsTheLinesForTheLegacySetup) {
    PutBootIni(kXpFile, kAttributeHidden);
    const RewritePreparation prepared = PrepareBootIniRewrite(ports_, kPath, false);
    EXPECT_TRUE(prepared.ready);
    EXPECT_EQ(prepared.backupPath, kBackup);
    EXPECT_EQ(FileText(kPath), kXpFile);
    EXPECT_EQ(files_.AttributesOf(kPath), kAttributeNormal) << "writable for what comes next";
}

TEST_F(BootIniWriterTest, ReplacingBacksUpFirstAndSwapsTheNewFileInWhole) {
    PutBootIni(kXpFile);
    const BootIniWriteResult result = ReplaceBootIni(files_, clock_, kPath, Bytes("new\r\n"));
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.fileChanged);
    EXPECT_EQ(result.backupPath, kBackup);
    EXPECT_EQ(FileText(kPath), "new\r\n");
    EXPECT_EQ(FileText(kBackup), kXpFile);
    EXPECT_EQ(files_.AttributesOf(kBackup), kAttributeNormal);
    EXPECT_EQ(files_.AttributesOf(kPath), kBootFileAttributes);
    EXPECT_FALSE(files_.IsFile(kPath + L".qn-new"));
    const std::vector<std::wstring> expected = {
        L"attrib " + kPath + L" 128",           L"copy " + kPath + L" " + kBackup + L" new",
        L"create " + kPath + L".qn-new",        L"write " + kPath + L".qn-new 5",
        L"move " + kPath + L".qn-new " + kPath, L"attrib " + kPath + L" 7",
    };
    auto& journal = files_.Journal();
    EXPECT_EQ(std::vector<std::wstring>(journal.end() - 6, journal.end()), expected);
}

TEST_F(BootIniWriterTest, AFailedReplacementLeavesTheFileAsItWas) {
    struct Case {
        const char* what;
        std::function<void(fake::FakeFileSystem&)> fail;
        bool backedUp;
    };
    const Case cases[] = {
        {"no backup", [](fake::FakeFileSystem& f) { f.FailCreateFile(kBackup); }, false},
        {"no file beside it", [](fake::FakeFileSystem& f) { f.FailCreateFile(kPath + L".qn-new"); },
         true},
        {"a write that stops", [](fake::FakeFileSystem& f) { f.SetWriteLimit(0); }, true},
        {"no move", [](fake::FakeFileSystem& f) { f.FailCreateFile(kPath); }, true},
    };
    for (const Case& c : cases) {
        fake::FakeFileSystem files;
        files.AddFile(kPath, Bytes(kXpFile));
        files.SetAttributes(kPath, kAttributeHidden | kAttributeSystem);
        c.fail(files);
        const BootIniWriteResult result = ReplaceBootIni(files, clock_, kPath, Bytes("new"));
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_FALSE(result.fileChanged) << c.what;
        EXPECT_EQ(result.backupPath, c.backedUp ? kBackup : L"") << c.what;
        const auto* bytes = files.FileBytes(kPath);
        ASSERT_NE(bytes, nullptr) << c.what;
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), kXpFile) << c.what;
        EXPECT_EQ(files.AttributesOf(kPath), kAttributeHidden | kAttributeSystem) << c.what;
        EXPECT_FALSE(files.IsFile(kPath + L".qn-new")) << c.what;
    }
}

TEST_F(BootIniWriterTest, ReplacingAMissingFileMakesItWithoutABackup) {
    const BootIniWriteResult result = ReplaceBootIni(files_, clock_, kPath, Bytes("made"));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.backupPath, L"");
    EXPECT_EQ(FileText(kPath), "made");
    EXPECT_EQ(files_.AttributesOf(kPath), kBootFileAttributes);
}

TEST_F(BootIniWriterTest, TheTemplateBytesComeFromTheResourceOrTheBuild) {
    EXPECT_EQ(BootIniTemplateBytes(resources_), Bytes(kBootIniTemplate));
    fake::FakeModuleResources other;
    other.Add(kResBootIniTemplate, kBinResourceType, Bytes("[boot loader]\r\n"));
    EXPECT_EQ(BootIniTemplateBytes(other), Bytes("[boot loader]\r\n"));
    fake::FakeModuleResources none;
    EXPECT_EQ(BootIniTemplateBytes(none), Bytes(kBootIniTemplate));
}

}  // namespace
}  // namespace qn
