// The boot entry editor over the simulated machine: loads in every language the stand-in
// bcdedit speaks, the user's edits, saves judged by what the machine holds afterwards (read with
// the simulation's own store access and file bytes, never the program's parser) and by its boot
// verdict; and each fault mended, failing on the editor's old behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "boot/boot_ini_writer.h"
#include "editor_test_page.h"

namespace qn {
namespace {

using editor_test::EditorOnMachine;
using editor_test::Utf8;
using sim::test::ScenarioFile;

constexpr wchar_t kStamp[] = L"_20261208103000";

sim::Scenario Menu(sim::ToolLanguage language = sim::ToolLanguage::ZhCn) {
    sim::Scenario scenario = ScenarioFile("editor_menu.xml");
    scenario.language = language;
    return scenario;
}

// The same machine whose "System Reserved" boot record loads ntldr: the BIOS then shows
// boot.ini's menu itself, so the verdict judges boot.ini.
sim::Scenario MenuThroughNtldr() {
    sim::Scenario scenario = Menu();
    scenario.disks[0].partitions[0].bootCode = sim::BootRecordCode::Ntldr;
    return scenario;
}

std::vector<std::wstring> MenuTexts(const sim::BootVerdict& verdict) {
    std::vector<std::wstring> texts;
    for (const sim::MenuItem& item : verdict.menu) {
        texts.push_back(item.text + (item.isDefault ? L" *" : L""));
    }
    return texts;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// The journal's bcdedit runs that are not enumerations, from line from on.
std::vector<std::wstring> ChangingRuns(sim::SimMachine& machine, std::size_t from = 0) {
    std::vector<std::wstring> runs;
    const auto journal = machine.Journal();
    for (std::size_t i = from; i < journal.size(); ++i) {
        const std::wstring& line = journal[i];
        if ((line.rfind(L"capture ", 0) == 0 || line.rfind(L"run ", 0) == 0) &&
            Contains(line, L"bcdedit.exe") && !Contains(line, L"/enum")) {
            runs.push_back(line);
        }
    }
    return runs;
}

std::size_t JournalIndex(sim::SimMachine& machine, const std::wstring& prefix) {
    const auto journal = machine.Journal();
    for (std::size_t i = 0; i < journal.size(); ++i) {
        if (journal[i].rfind(prefix, 0) == 0) {
            return i;
        }
    }
    return journal.size();
}

std::vector<std::uint8_t> Bytes(sim::SimMachine& machine, const std::wstring& path) {
    const auto* bytes = machine.Files().FileBytes(path);
    return bytes != nullptr ? *bytes : std::vector<std::uint8_t>{};
}

// --- Loading -----------------------------------------------------------------------------------

class EditorLoadLanguages : public ::testing::TestWithParam<sim::ToolLanguage> {};

TEST_P(EditorLoadLanguages, RowsFollowTheDisplayOrderAndOnlyMenuEntriesCanBeAdded) {
    EditorOnMachine editor(Menu(GetParam()));
    ASSERT_FALSE(editor.BootFiles().bcdStorePath.empty());
    EXPECT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    // The identifier of the deleted entry keeps its place as a row nobody can edit.
    ASSERT_EQ(editor.Rows(), 4);
    EXPECT_EQ(editor.Description(0)->Text(), L"Windows 7");
    EXPECT_TRUE(editor.Description(1)->IsReadOnly());
    EXPECT_TRUE(Contains(editor.Description(1)->Text(), L"{5a1c3e7b-90d2-4f6e-8b4a-2c7d9e0f1a3b}"));
    EXPECT_EQ(editor.Description(2)->Text(), L"Windows 10");
    EXPECT_EQ(editor.Description(3)->Text(), L"Earlier Version of Windows");
    EXPECT_EQ(editor.Device(0), L"C:");
    EXPECT_EQ(editor.Device(2), L"D:");
    EXPECT_EQ(editor.Device(3), std::wstring(1, static_cast<wchar_t>(editor.Letter())) + L":");
    EXPECT_TRUE(editor.Check(0)->GetCheck());
    EXPECT_FALSE(editor.Check(1)->IsEnabled());
    EXPECT_FALSE(editor.Check(2)->GetCheck());
    EXPECT_FALSE(editor.Check(3)->GetCheck());
    EXPECT_EQ(editor.Locale(0)->SelectedText(), L"zh-CN");
    EXPECT_EQ(editor.Locale(1), nullptr);
    EXPECT_EQ(editor.Locale(2)->SelectedText(), L"en-US");
    ASSERT_NE(editor.Locale(3), nullptr);  // es-MX: a combo without a selection
    EXPECT_EQ(editor.Locale(3)->SelectedIndex(), -1);
    EXPECT_EQ(editor.Page().timeout->Text(), L"30");
    EXPECT_EQ(editor.Page().removeButton->Text(), L"移除(M)");
    // Entries outside the display order only in "CmbBootEntry"; never the resume object or the
    // memory tester, which the enumeration also turns into entries.
    const auto candidates = editor.Candidates();
    ASSERT_EQ(candidates.size(), 4u);
    EXPECT_TRUE(candidates[0].ends_with(L"  Windows 7"));
    EXPECT_TRUE(candidates[1].ends_with(L"  Windows 10"));
    EXPECT_TRUE(candidates[2].ends_with(L"  Windows 7 Safe Mode"));
    EXPECT_TRUE(candidates[3].ends_with(L"  Earlier Version of Windows"));
    EXPECT_EQ(editor.Current()->FromBcd, 1);
    EXPECT_EQ(editor.Current()->entries.size(), 6u);  // with the resume object and memtest
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, EditorLoadLanguages,
                         ::testing::Values(sim::ToolLanguage::ZhCn, sim::ToolLanguage::EnUs,
                                           sim::ToolLanguage::DeDe, sim::ToolLanguage::FrFr,
                                           sim::ToolLanguage::JaJp));

TEST(EditorLoad, AStoreThatCannotBeReadSaysWhy) {
    EditorOnMachine editor(Menu());
    editor.Machine().Files().StoreBytes(editor.StorePath(), {1, 2, 3});
    const auto message = editor.Open(kBcdFileItem);
    ASSERT_TRUE(message.has_value());
    EXPECT_TRUE(message->starts_with(L"没有查找到引导项，请重新选择！\nbcdedit.exe 退出码 1: "))
        << Utf8(*message);
    EXPECT_EQ(editor.Rows(), 0);
    ASSERT_NE(editor.Current(), nullptr);
    EXPECT_TRUE(editor.Current()->entries.empty());
}

TEST(EditorLoad, WithoutBcdeditTheLoadAndTheSaveSaySo) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    editor.State().bcdEditPath.clear();  // neither carried nor on the system
    EXPECT_EQ(editor.Save().message,
              L"保存失败: 缺少 bcdedit.exe（程序未内置，系统中也没有），未写入任何内容。");
    EXPECT_EQ(editor.Open(kBcdFileItem),
              L"没有查找到引导项，请重新选择！\n缺少 bcdedit.exe（程序未内置，系统中也没有）");
}

// --- Saving a store ------------------------------------------------------------------------------

class EditorSaveLanguages : public ::testing::TestWithParam<sim::ToolLanguage> {};

TEST_P(EditorSaveLanguages, TheStoreHoldsExactlyTheMenuTheUserBuilt) {
    EditorOnMachine editor(Menu(GetParam()));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win7 = editor.IdOf(L"Windows 7");
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    const std::wstring safe = editor.IdOf(L"Windows 7 Safe Mode");
    const std::wstring ntldr = editor.IdOf(L"Earlier Version of Windows");
    const auto original = Bytes(editor.Machine(), editor.StorePath());

    editor.Select(1);
    RemoveSelectedRow(editor.Page().list);  // the deleted entry's identifier goes
    editor.Select(0);
    MoveSelectedRow(editor.Page().list, -1);  // the first row up: nothing
    editor.Select(1);
    MoveSelectedRow(editor.Page().list, -1);  // Windows 10 first
    EXPECT_EQ(editor.Page().list->SelectedIndex(), 0);
    editor.Select(2);
    MoveSelectedRow(editor.Page().list, 1);  // the last row down: nothing
    RemoveSelectedRow(editor.Page().list);   // "Earlier Version of Windows" leaves the menu
    EXPECT_TRUE(editor.Add(L"Windows 7 Safe Mode"));
    EXPECT_FALSE(editor.Add(L"Windows 7 Safe Mode"));  // again: nothing
    EXPECT_EQ(editor.Descriptions(),
              (std::vector<std::wstring>{L"Windows 10", L"Windows 7", L"Windows 7 Safe Mode"}));
    editor.Description(0)->SetText(L"Windows 10 Pro (edited)");
    editor.SetLocale(1, L"de-DE");
    editor.Check(2)->Activate();  // Safe Mode becomes the default
    EXPECT_FALSE(editor.Check(1)->GetCheck());
    editor.SetTimeout(L"5");

    const EditorSaveOutcome outcome = editor.Save();
    const std::wstring backup = editor.StorePath() + kStamp;
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_EQ(outcome.title, L"提示信息");
    EXPECT_EQ(outcome.message, L"保存成功!\n备份: " + backup);

    EXPECT_EQ(editor.StoreOrder(), (std::vector<std::wstring>{win10, win7, safe}));
    EXPECT_EQ(editor.StoreDefault(), safe);
    EXPECT_EQ(editor.StoreTimeout(), 5u);
    EXPECT_EQ(editor.StoreText(win10, L"description"), L"Windows 10 Pro (edited)");
    EXPECT_EQ(editor.StoreText(win7, L"description"), L"Windows 7");
    EXPECT_EQ(editor.StoreText(win7, L"locale"), L"de-DE");
    EXPECT_EQ(editor.StoreText(win10, L"locale"), L"en-US");
    EXPECT_EQ(editor.StoreText(safe, L"locale"), L"");  // its row had no locale combo
    EXPECT_EQ(editor.StoreText(ntldr, L"description"), L"Earlier Version of Windows");  // kept

    // The backup was copied before the first change, and holds the store as it was.
    EXPECT_EQ(Bytes(editor.Machine(), backup), original);
    EXPECT_LT(JournalIndex(editor.Machine(), L"copy " + editor.StorePath() + L" " + backup),
              JournalIndex(editor.Machine(), L"capture \"" + editor.Bcdedit() + L"\" /store"));

    const sim::BootVerdict verdict = editor.Machine().Boot();
    EXPECT_TRUE(verdict.boots) << Utf8(verdict.problem);
    EXPECT_EQ(verdict.timeout, 5);
    EXPECT_EQ(MenuTexts(verdict),
              (std::vector<std::wstring>{L"Windows 10 Pro (edited)", L"Windows 7",
                                         L"Windows 7 Safe Mode *"}));
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, EditorSaveLanguages,
                         ::testing::Values(sim::ToolLanguage::ZhCn, sim::ToolLanguage::EnUs,
                                           sim::ToolLanguage::DeDe, sim::ToolLanguage::FrFr,
                                           sim::ToolLanguage::JaJp));

TEST(EditorSave, AChineseDescriptionComesBackOnAChineseSystem) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    editor.Description(editor.RowOf(L"Windows 10"))->SetText(L"Windows 10 专业版");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_EQ(editor.StoreText(win10, L"description"), L"Windows 10 专业版");
    EXPECT_EQ(MenuTexts(editor.Machine().Boot()),
              (std::vector<std::wstring>{L"Windows 7 *", L"Windows 10 专业版",
                                         L"Earlier Version of Windows"}));
}

TEST(EditorSave, WhatDoesNotReadBackAsMeantIsReported) {
    // An English console prints Chinese as "?": bcdedit took the name, but what it shows is not
    // what the user typed, and the user is told.
    EditorOnMachine editor(Menu(sim::ToolLanguage::EnUs));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    editor.Description(editor.RowOf(L"Windows 10"))->SetText(L"Windows 10 专业版");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Failed);
    EXPECT_EQ(outcome.title, L"错误信息");
    EXPECT_EQ(outcome.message, L"保存后读回的配置与所做的修改不一致!\n" + win10 +
                                   L" 的名称应为 “Windows 10 专业版”，读回为 “Windows 10 ???”\n"
                                   L"备份: " +
                                   editor.StorePath() + kStamp);
}

// Every save that writes backs the store up first, as it is then: one that fails part-way goes
// back to that, never past what an earlier save wrote. The same second: no backup is replaced.
TEST(EditorSave, EverySaveBacksTheStoreUpAsItIsThen) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring first = editor.StorePath() + kStamp;
    EXPECT_EQ(editor.Save().message, L"保存成功!\n备份: " + first);
    editor.SetTimeout(L"7");
    const auto afterFirst = Bytes(editor.Machine(), editor.StorePath());
    EXPECT_EQ(editor.Save().message, L"保存成功!\n备份: " + first + L"_2");
    EXPECT_EQ(Bytes(editor.Machine(), first + L"_2"), afterFirst);
    EXPECT_EQ(editor.StoreTimeout(), 7u);
    // Back to 30 after a save wrote 7: compared with the store as it is now, it is a change.
    editor.SetTimeout(L"30");
    EXPECT_EQ(editor.Save().message, L"保存成功!\n备份: " + first + L"_3");
    EXPECT_EQ(editor.StoreTimeout(), 30u);
}

TEST(EditorSave, AStoreFileThatCannotBeCopiedIsExportedByBcdedit) {
    // Windows keeps the running system's store open, so copying its file fails there.
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    class NoCopy final : public FileSystem {
    public:
        explicit NoCopy(FileSystem& inner) : inner_(inner) {}
        CreateDirResult MakeDirectory(const std::wstring& p) override {
            return inner_.MakeDirectory(p);
        }
        bool RemoveEmptyDirectory(const std::wstring& p) override {
            return inner_.RemoveEmptyDirectory(p);
        }
        bool RemoveFile(const std::wstring& p) override { return inner_.RemoveFile(p); }
        bool PathExists(const std::wstring& p) override { return inner_.PathExists(p); }
        std::optional<std::vector<DirEntry>> ListDirectory(const std::wstring& p) override {
            return inner_.ListDirectory(p);
        }
        std::unique_ptr<WritableFile> CreateFileForWrite(const std::wstring& p) override {
            return inner_.CreateFileForWrite(p);
        }
        bool SetAttributes(const std::wstring& p, std::uint32_t a) override {
            return inner_.SetAttributes(p, a);
        }
        bool CopyFileTo(const std::wstring&, const std::wstring&, bool) override { return false; }
        bool MoveReplacing(const std::wstring& s, const std::wstring& t) override {
            return inner_.MoveReplacing(s, t);
        }
        std::optional<std::uint32_t> Attributes(const std::wstring& p) override {
            return inner_.Attributes(p);
        }
        std::optional<std::uint64_t> FileSize(const std::wstring& p) override {
            return inner_.FileSize(p);
        }
        std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& p,
                                                               std::uint64_t max) override {
            return inner_.ReadFileBytes(p, max);
        }
        std::wstring FolderPath(KnownFolder f) override { return inner_.FolderPath(f); }

    private:
        FileSystem& inner_;
    };
    NoCopy files(editor.Ports().files);
    EditorPorts ports{files,
                      editor.Ports().processes,
                      editor.Ports().profile,
                      editor.Ports().resources,
                      editor.Ports().clock,
                      editor.Ports().random,
                      editor.Ports().codePage};
    const auto original = Bytes(editor.Machine(), editor.StorePath());
    const EditorSaveOutcome outcome = SavePage(editor.Page(), editor.State(), ports);
    const std::wstring backup = editor.StorePath() + kStamp;
    EXPECT_EQ(outcome.message, L"保存成功!\n备份: " + backup);
    EXPECT_EQ(Bytes(editor.Machine(), backup), original);
    EXPECT_EQ(ChangingRuns(editor.Machine()).front(), L"capture \"" + editor.Bcdedit() +
                                                          L"\" /store " + editor.StorePath() +
                                                          L" /export \"" + backup + L"\" -> 0");
}

TEST(EditorSave, TheSystemStoreIsExportedToTheDesktop) {
    // Without a lettered boot partition the editor works on the system store.
    EditorOnMachine editor(Menu());
    BootFileSet& files = editor.State().bootFiles;
    files.found = false;
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    EXPECT_EQ(editor.Rows(), 4);  // with the identifier the store has no entry for
    editor.SetTimeout(L"9");
    const EditorSaveOutcome outcome = editor.Save();
    const std::wstring backup = L"C:\\Users\\Administrator\\Desktop\\BCD" + std::wstring(kStamp);
    EXPECT_EQ(outcome.message, L"保存成功!\n备份: " + backup) << Utf8(outcome.message);
    EXPECT_TRUE(editor.Machine().Files().IsFile(backup));
    EXPECT_EQ(editor.StoreTimeout(), 9u);
    for (const std::wstring& run : ChangingRuns(editor.Machine())) {
        EXPECT_FALSE(Contains(run, L"/store")) << Utf8(run);
    }
}

// --- The mended faults -------------------------------------------------------------------------

TEST(EditorMend, AFailingBcdeditRunIsReportedWithItsTargetAndErrorLine) {
    // The save once said "保存成功!" whatever bcdedit answered.
    sim::Scenario scenario = Menu();
    scenario.failures.push_back(
        {L"bcdedit", L"*/set * description*", 1, L"设置元素数据时出错。", 1});
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win7 = editor.IdOf(L"Windows 7");
    editor.Description(editor.RowOf(L"Windows 7"))->SetText(L"Windows 7 旗舰版");
    editor.SetTimeout(L"4");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Failed);
    EXPECT_EQ(outcome.title, L"错误信息");
    EXPECT_EQ(outcome.message, L"保存失败:\n" + win7 +
                                   L" description\nbcdedit.exe 退出码 1: 设置元素数据时出错。\n"
                                   L"备份: " +
                                   editor.StorePath() + kStamp +
                                   L"\n已用备份恢复保存前的 BCD 存储，未做任何更改。");
    // Every command was still tried; then the store went back to its backup.
    const auto runs = ChangingRuns(editor.Machine());
    EXPECT_TRUE(std::any_of(runs.begin(), runs.end(),
                            [](const std::wstring& run) { return Contains(run, L"/timeout 4"); }));
    ASSERT_FALSE(runs.empty());
    EXPECT_TRUE(Contains(runs.back(), L" /import ")) << Utf8(runs.back());
    EXPECT_EQ(editor.StoreTimeout(), 30u);
}

TEST(EditorMend, FailuresWithTheSameErrorShareItsLine) {
    sim::Scenario scenario = Menu();
    scenario.failures.push_back(
        {L"bcdedit", L"*/set * description*", 1, L"设置元素数据时出错。", 0});
    scenario.failures.push_back({L"bcdedit", L"*/timeout *", 1, L"参数错误。", 1});
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win7 = editor.IdOf(L"Windows 7");
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    const std::wstring ntldr = editor.IdOf(L"Earlier Version of Windows");
    for (const wchar_t* name : {L"Windows 7", L"Windows 10", L"Earlier Version of Windows"}) {
        editor.Description(editor.RowOf(name))->SetText(std::wstring(name) + L" (2)");
    }
    editor.SetTimeout(L"6");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.message,
              L"保存失败:\n{bootmgr} timeout\n"
              L"bcdedit.exe 退出码 1: 参数错误。\n" +
                  win7 + L" description\n" + win10 + L" description\n" + ntldr +
                  L" description\nbcdedit.exe 退出码 1: 设置元素数据时出错。\n"
                  L"备份: " +
                  editor.StorePath() + kStamp + L"\n已用备份恢复保存前的 BCD 存储，未做任何更改。");
}

TEST(EditorMend, ABackupThatCannotBeWrittenStopsTheSave) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    editor.Machine().Files().FailCreateFile(editor.StorePath() + kStamp);
    const auto original = Bytes(editor.Machine(), editor.StorePath());
    const std::size_t before = editor.Machine().Journal().size();
    editor.SetTimeout(L"4");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(outcome.title, L"错误信息");
    EXPECT_TRUE(
        outcome.message.starts_with(L"保存失败: 无法备份 BCD 存储（无法复制该文件，导出也失败: "
                                    L"bcdedit.exe 退出码 1: "))
        << Utf8(outcome.message);
    EXPECT_TRUE(outcome.message.ends_with(L"），未写入任何内容。"));
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), original);
    // Only the export was tried; nothing changed the store.
    const auto runs = ChangingRuns(editor.Machine(), before);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(Contains(runs[0], L"/export")) << Utf8(runs[0]);
    // The next save tries the backup again.
    EXPECT_TRUE(editor.State().backup.empty());
}

TEST(EditorMend, AnEmptyMenuIsNotSaved) {
    // An empty menu once wrote an empty display order: nothing would boot.
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto original = Bytes(editor.Machine(), editor.StorePath());
    const std::size_t before = editor.Machine().Journal().size();
    while (editor.Rows() > 0) {
        editor.Select(0);
        RemoveSelectedRow(editor.Page().list);
    }
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(outcome.message, L"启动项列表为空，保存后将没有可以启动的系统。未写入任何内容。");
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), original);
    EXPECT_EQ(editor.Machine().Journal().size(), before);  // not even a backup
    EXPECT_TRUE(editor.Machine().Boot().boots);
}

TEST(EditorMend, WithoutACheckedRowTheDefaultIsLeftAsItIs) {
    // Without a checked row the save once sent "/default" with an empty identifier, which
    // bcdedit refuses. The default's row is still there, only unchecked.
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win7 = editor.IdOf(L"Windows 7");
    editor.Check(editor.RowOf(L"Windows 7"))->SetCheck(false, false);
    editor.Select(editor.RowOf(L"Earlier Version of Windows"));
    RemoveSelectedRow(editor.Page().list);
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_EQ(outcome.message, L"保存成功!\n没有勾选默认启动项，默认项保持不变。\n备份: " +
                                   editor.StorePath() + kStamp);
    EXPECT_EQ(editor.StoreDefault(), win7);
    for (const std::wstring& run : ChangingRuns(editor.Machine())) {
        EXPECT_FALSE(Contains(run, L"/default")) << Utf8(run);
    }
    EXPECT_EQ(MenuTexts(editor.Machine().Boot()),
              (std::vector<std::wstring>{L"Windows 7 *", L"Windows 10"}));
}

// The default a later save judges by is the one the earlier save wrote, not the one loaded.
TEST(EditorMend, ASecondSaveKnowsTheDefaultTheFirstOneSet) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    editor.Check(editor.RowOf(L"Windows 10"))->Activate();
    ASSERT_EQ(editor.Save().result, EditorSaveOutcome::Result::Saved);
    EXPECT_EQ(editor.StoreDefault(), win10);
    // Windows 7 unchecked and still there; Windows 10, the store's default now, removed.
    editor.Select(editor.RowOf(L"Windows 10"));
    RemoveSelectedRow(editor.Page().list);
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_TRUE(outcome.chooseDefault) << Utf8(outcome.message);
    EXPECT_EQ(editor.StoreDefault(), win10) << "nothing written";
}

TEST(EditorMend, OnlyTheLatestLoadFillsThePage) {
    // The page once appended the rows of every listing delivered.
    EditorOnMachine editor(Menu());
    const LoadStart bcd = editor.Begin(kBcdFileItem);
    const LoadStart ini = editor.Begin(kBootIniFileItem);
    auto bcdListing = editor.Read(bcd);
    auto iniListing = editor.Read(ini);
    EXPECT_EQ(editor.Deliver(std::move(iniListing)), std::nullopt);
    EXPECT_EQ(editor.Deliver(std::move(bcdListing)), std::nullopt);  // late: dropped
    EXPECT_EQ(editor.Descriptions(),
              (std::vector<std::wstring>{L"Microsoft Windows XP Professional",
                                         L"Microsoft Windows Recovery Console",
                                         L"Windows XP (second disk)"}));
    EXPECT_EQ(editor.Current()->FromBcd, 0);

    // Two loads of the same store, delivered in order: still one set of rows.
    const LoadStart first = editor.Begin(kBcdFileItem);
    const LoadStart second = editor.Begin(kBcdFileItem);
    auto firstListing = editor.Read(first);
    editor.Deliver(std::move(firstListing));
    EXPECT_EQ(editor.Rows(), 0);  // the older one arrived first: dropped
    editor.Deliver(editor.Read(second));
    EXPECT_EQ(editor.Rows(), 4);
}

TEST(EditorMend, NothingIsSavedWhileTheLatestLoadIsOutstanding) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto original = Bytes(editor.Machine(), editor.StorePath());
    editor.Begin(kBcdFileItem);  // a new load, not delivered yet; the page is cleared
    AddBootEntryRow(editor.Page().list, editor.Current()->entries[0], 1);
    editor.SetTimeout(L"3");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(outcome.message, L"引导项尚未读取完成，未写入任何内容。");
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), original);
}

// --- A save writes what the user changed and nothing else ----------------------------------------

// The machine's store objects' names, by identifier, read with the simulation's own access.
std::map<std::wstring, std::wstring> StoreNames(EditorOnMachine& editor) {
    std::map<std::wstring, std::wstring> names;
    for (const sim::BcdObject& object : editor.Store().objects) {
        if (const sim::BcdElement* name = sim::FindElement(object, L"description")) {
            names[object.id] = name->text;
        }
    }
    return names;
}

// Chinese names in a store read by a console of each language: on an English (or German, French,
// Japanese) console they arrive as "???". Changing only the timeout leaves every name as the
// store held it, byte for byte; the lossy ones are shown as such and cannot be edited.
class EditorNamesLanguages : public ::testing::TestWithParam<sim::ToolLanguage> {};

TEST_P(EditorNamesLanguages, OnlyTheTimeoutChangesWhenOnlyTheTimeoutWasChanged) {
    sim::Scenario scenario = Menu(GetParam());
    for (sim::ScenarioBcdObject& object : scenario.disks[0].partitions[0].stores[0].objects) {
        for (auto& [name, value] : object.elements) {
            if (name == L"description" && value == L"Windows 7") {
                value = L"Windows 7 旗舰版";
            }
        }
    }
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto names = StoreNames(editor);
    const bool chinese = GetParam() == sim::ToolLanguage::ZhCn;
    EXPECT_EQ(editor.Description(0)->IsReadOnly(), !chinese) << Utf8(editor.Description(0)->Text());
    editor.SetTimeout(L"9");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_EQ(StoreNames(editor), names);
    EXPECT_EQ(editor.StoreTimeout(), 9u);
    for (const std::wstring& run : ChangingRuns(editor.Machine())) {
        EXPECT_FALSE(Contains(run, L" description ")) << Utf8(run);
        EXPECT_FALSE(Contains(run, L"/displayorder")) << Utf8(run);
        EXPECT_FALSE(Contains(run, L"/default")) << Utf8(run);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, EditorNamesLanguages,
                         ::testing::Values(sim::ToolLanguage::ZhCn, sim::ToolLanguage::EnUs,
                                           sim::ToolLanguage::DeDe, sim::ToolLanguage::FrFr,
                                           sim::ToolLanguage::JaJp));

// Removing the default row and checking no other asks for a new default (the first row checked
// for the user) and writes nothing; the next save makes it the default.
TEST(EditorMend, ARemovedDefaultIsNotLeftStartingByItself) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto before = Bytes(editor.Machine(), editor.StorePath());
    const std::wstring win10 = editor.IdOf(L"Windows 10");
    editor.Select(editor.RowOf(L"Windows 7"));
    RemoveSelectedRow(editor.Page().list);
    const std::size_t runs = ChangingRuns(editor.Machine()).size();
    const EditorSaveOutcome asked = editor.Save();
    EXPECT_EQ(asked.result, EditorSaveOutcome::Result::Refused);
    EXPECT_TRUE(asked.chooseDefault);
    EXPECT_TRUE(Contains(asked.message, L"原来的默认启动项已不在列表中")) << Utf8(asked.message);
    EXPECT_EQ(ChangingRuns(editor.Machine()).size(), runs);
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), before);
    const int first = editor.RowOf(L"Windows 10");
    EXPECT_TRUE(editor.Check(first)->GetCheck()) << "the first row that can be the default";
    EXPECT_EQ(editor.Save().result, EditorSaveOutcome::Result::Saved);
    EXPECT_EQ(editor.StoreDefault(), win10);
    EXPECT_EQ(MenuTexts(editor.Machine().Boot()).front(), L"Windows 10 *");
}

// A save that fails part-way leaves the store as it was before it, and says so.
TEST(EditorMend, ASaveThatFailsPartWayPutsTheStoreBack) {
    sim::Scenario scenario = Menu();
    // The third command of this save: timeout, resolution, then the display order.
    scenario.failures.push_back({L"bcdedit", L"*/displayorder *", 1, L"设置元素数据时出错。", 1});
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto before = Bytes(editor.Machine(), editor.StorePath());
    const auto verdict = sim::VerdictJson(editor.Machine().Boot());
    editor.SetTimeout(L"4");
    editor.Select(1);
    MoveSelectedRow(editor.Page().list, -1);
    editor.Description(0)->SetText(L"renamed");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Failed);
    EXPECT_TRUE(Contains(outcome.message, L"{bootmgr} displayorder")) << Utf8(outcome.message);
    EXPECT_TRUE(Contains(outcome.message, L"已用备份恢复保存前的 BCD 存储"))
        << Utf8(outcome.message);
    EXPECT_EQ(Bytes(editor.Machine(), editor.StorePath()), before);
    EXPECT_EQ(sim::VerdictJson(editor.Machine().Boot()), verdict);
    EXPECT_TRUE(outcome.undoRecord.empty()) << "nothing changed, nothing to undo";
}

// An identifier of the order whose entry the parser cannot take (no name, no path or no device)
// stays in its place as a row the user cannot edit; one without any entry is dropped only when
// the order is written.
TEST(EditorMend, EntriesTheEditorCannotReadKeepTheirPlace) {
    sim::Scenario scenario = Menu();
    for (sim::ScenarioBcdObject& object : scenario.disks[0].partitions[0].stores[0].objects) {
        if (object.name == L"win10") {
            std::erase_if(object.elements, [](const auto& e) { return e.first == L"description"; });
        }
    }
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    const auto order = editor.StoreOrder();
    ASSERT_EQ(editor.Rows(), 4);
    EXPECT_TRUE(editor.Description(1)->IsReadOnly());  // the identifier without an entry
    EXPECT_TRUE(Contains(editor.Description(1)->Text(), L"存储中没有此启动项"));
    EXPECT_TRUE(editor.Description(2)->IsReadOnly());  // Windows 10 without a name
    EXPECT_TRUE(Contains(editor.Description(2)->Text(), L"无法编辑的启动项"));
    EXPECT_FALSE(editor.Check(2)->IsEnabled());
    editor.SetTimeout(L"8");
    EXPECT_EQ(editor.Save().result, EditorSaveOutcome::Result::Saved);
    EXPECT_EQ(editor.StoreOrder(), order) << "nothing of the order was written";
    // Moving the last row up writes the order: Windows 10 stays, the missing one goes.
    editor.Select(3);
    MoveSelectedRow(editor.Page().list, -1);
    const EditorSaveOutcome moved = editor.Save();
    EXPECT_EQ(moved.result, EditorSaveOutcome::Result::Saved) << Utf8(moved.message);
    EXPECT_EQ(editor.StoreOrder(), (std::vector<std::wstring>{order[0], order[3], order[2]}));
}

TEST(EditorSave, AnEmptyTimeoutAndNoChosenFileAreRefused) {
    EditorOnMachine editor(Menu());
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    editor.SetTimeout(L"");
    EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.title, L"提示信息");
    EXPECT_EQ(outcome.message, L"请输入启动项超时时间(输入框位于右上角)");
    editor.SetTimeout(L"3");
    editor.Page().files->SelectItem(-1, false, false);
    outcome = editor.Save();
    EXPECT_EQ(outcome.title, L"错误信息");
    EXPECT_EQ(outcome.message, L"保存失败，请重试!");
    EXPECT_TRUE(ChangingRuns(editor.Machine()).empty());
}

// --- boot.ini ----------------------------------------------------------------------------------

std::string Gbk(sim::SimMachine& machine, const std::wstring& text) {
    return machine.Text().FromWide(text, CodePageKind::Ansi);
}

TEST(EditorBootIni, LoadsEveryLineWithItsArcPath) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    EXPECT_EQ(editor.Descriptions(),
              (std::vector<std::wstring>{L"Microsoft Windows XP Professional",
                                         L"Microsoft Windows Recovery Console",
                                         L"Windows XP (second disk)"}));
    EXPECT_EQ(editor.Device(0), L"P4");
    EXPECT_EQ(editor.Device(1), L"C:");
    EXPECT_EQ(editor.Device(2), L"P1");
    EXPECT_EQ(editor.Locale(0), nullptr);
    EXPECT_TRUE(editor.Check(0)->GetCheck());
    EXPECT_EQ(editor.Page().timeout->Text(), L"30");
    EXPECT_EQ(editor.Page().removeButton->Text(), L"删除(M)");
    EXPECT_EQ(editor.Candidates().size(), 3u);
}

TEST(EditorBootIni, KeepsLinesByteForByteInTheNewOrderAfterABackup) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    const std::string original = editor.BootIniBytes();
    const std::wstring path = editor.BootFiles().bootIniPath;
    editor.Select(1);
    MoveSelectedRow(editor.Page().list, -1);  // the Recovery Console first
    editor.Select(2);
    RemoveSelectedRow(editor.Page().list);  // the second disk's line goes
    editor.Description(1)->SetText(L"Windows XP 专业版");
    editor.SetTimeout(L"7");
    const EditorSaveOutcome outcome = editor.Save();
    const std::wstring backup = path + kStamp;
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_EQ(outcome.message, L"保存成功!\n备份: " + backup);
    EXPECT_EQ(
        editor.BootIniBytes(),
        "[boot loader]\r\ntimeout=7\r\ndefault=multi(0)disk(0)rdisk(0)partition(4)\\WINDOWS\r\n"
        "[operating systems]\r\n"
        "C:\\CMDCONS\\BOOTSECT.DAT=\"Microsoft Windows Recovery Console\" /cmdcons\r\n"
        "multi(0)disk(0)rdisk(0)partition(4)\\WINDOWS=\"" +
            Gbk(editor.Machine(), L"Windows XP 专业版") + "\" /noexecute=optin /fastdetect\r\n");
    const auto* saved = editor.Machine().Files().FileBytes(backup);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(std::string(saved->begin(), saved->end()), original);
    EXPECT_EQ(editor.Machine().Files().AttributesOf(path), kBootFileAttributes);
    const sim::BootVerdict verdict = editor.Machine().Boot();
    EXPECT_TRUE(verdict.boots) << Utf8(verdict.problem);
    EXPECT_EQ(verdict.timeout, 7);
    EXPECT_EQ(MenuTexts(verdict), (std::vector<std::wstring>{L"Microsoft Windows Recovery Console",
                                                             L"Windows XP 专业版 *"}));
}

TEST(EditorBootIni, TheCheckedRowBecomesTheDefault) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    editor.Check(2)->Activate();
    EXPECT_EQ(editor.Save().result, EditorSaveOutcome::Result::Saved);
    EXPECT_TRUE(
        editor.BootIniBytes().find("default=multi(0)disk(0)rdisk(1)partition(1)\\WINDOWS\r\n") !=
        std::string::npos);
    const sim::BootVerdict verdict = editor.Machine().Boot();
    EXPECT_FALSE(verdict.boots);  // the user chose a line that reaches nothing; the verdict says so
    EXPECT_EQ(MenuTexts(verdict).back(), L"Windows XP (second disk) *");
}

TEST(EditorBootIniMend, WithoutACheckedRowTheDefaultLineStays) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    editor.Check(0)->SetCheck(false, false);  // XP, the default, unchecked but kept
    editor.Select(2);
    RemoveSelectedRow(editor.Page().list);  // the second disk's line
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    EXPECT_TRUE(Contains(outcome.message, L"没有勾选默认启动项，默认项保持不变。"));
    const std::string bytes = editor.BootIniBytes();
    EXPECT_TRUE(bytes.find("default=multi(0)disk(0)rdisk(0)partition(4)\\WINDOWS\r\n") !=
                std::string::npos)
        << bytes;
    EXPECT_TRUE(bytes.find("rdisk(1)partition(1)\\WINDOWS=") == std::string::npos) << bytes;
}

TEST(EditorBootIniMend, AnEmptyMenuIsNotWritten) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    const std::string original = editor.BootIniBytes();
    editor.Page().list->RemoveAll();
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(editor.BootIniBytes(), original);
    EXPECT_FALSE(editor.Machine().Files().IsFile(editor.BootFiles().bootIniPath + kStamp));
}

TEST(EditorBootIniMend, ABackupThatCannotBeWrittenStopsTheSave) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    const std::string original = editor.BootIniBytes();
    editor.Machine().Files().FailCreateFile(editor.BootFiles().bootIniPath + kStamp);
    editor.SetTimeout(L"1");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(outcome.message, L"保存失败: 无法备份 boot.ini，未写入任何内容。");
    EXPECT_EQ(editor.BootIniBytes(), original);
}

TEST(EditorBootIni, ANameThatCannotBePlacedIsRefused) {
    EditorOnMachine editor(MenuThroughNtldr());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    const std::string original = editor.BootIniBytes();
    editor.Description(0)->SetText(L"say \"XP\"");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_TRUE(outcome.message.ends_with(L"未写入任何内容。")) << Utf8(outcome.message);
    EXPECT_EQ(editor.BootIniBytes(), original);
}

// --- boot.ini kept by hand --------------------------------------------------------------------

// A headless server's boot.ini with what the editor shows no row for (editor_boot_ini_extras.xml).
sim::Scenario Extras() {
    return ScenarioFile("editor_boot_ini_extras.xml");
}

// A file's lines with their line ends, for comparing saves line by line.
std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        if (end < bytes.size() && bytes[end - 1] == '\r' && bytes[end] == '\n') {
            ++end;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

// Puts other bytes into boot.ini before the editor loads it.
void PutBootIni(EditorOnMachine& editor, const std::string& bytes) {
    fake::FakeFileSystem& files = editor.Machine().Files();
    const std::wstring& path = editor.BootFiles().bootIniPath;
    const auto attributes = files.AttributesOf(path).value_or(kAttributeNormal);
    files.SetAttributes(path, kAttributeNormal);
    ASSERT_TRUE(files.StoreBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
    files.SetAttributes(path, attributes);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

constexpr wchar_t kServer[] = L"Windows Server 2003";
constexpr wchar_t kSafeMode[] = L"Windows Server 2003 安全模式";
constexpr wchar_t kConsole[] = L"Microsoft Windows Recovery Console";

TEST(EditorBootIniExtras, TheMachineBootsTheServerAndNtldrShowsBothLinesOfItsArcPath) {
    sim::test::Machine machine(Extras());
    const sim::BootVerdict verdict = machine->Boot();
    EXPECT_TRUE(verdict.boots) << Utf8(verdict.problem);
    EXPECT_EQ(verdict.firmware, L"bios");
    EXPECT_EQ(verdict.timeout, 30);
    const std::wstring server = L"Windows Server 2003, Enterprise Edition";
    const sim::MenuItem menu[] = {{kServer, 0, 1, server, true},
                                  {kSafeMode, 0, 1, server, false},
                                  {kConsole, std::nullopt, std::nullopt, L"", false}};
    ASSERT_EQ(verdict.menu.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(verdict.menu[i].text, menu[i].text);
        EXPECT_EQ(verdict.menu[i].disk, menu[i].disk);
        EXPECT_EQ(verdict.menu[i].partition, menu[i].partition);
        EXPECT_EQ(verdict.menu[i].product, menu[i].product);
        EXPECT_EQ(verdict.menu[i].isDefault, menu[i].isDefault);
    }
    const auto* bytes = machine->Files().FileBytes(L"C:\\boot.ini");
    ASSERT_NE(bytes, nullptr);
    const std::vector<std::string> lines = LinesOf(std::string(bytes->begin(), bytes->end()));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[14].size(), 5002u) << "5,000 characters and CR LF";
}

// Three saves without a reload, as the page allows: each leaves every byte it was not asked to
// change, and the menu keeps both lines of the shared ARC path.
TEST(EditorBootIniExtras, EachSaveChangesItsOwnLinesAndLeavesEveryOtherByte) {
    EditorOnMachine editor(Extras());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    ASSERT_EQ(editor.Descriptions(), (std::vector<std::wstring>{kServer, kSafeMode, kConsole}));
    const std::wstring path = editor.BootFiles().bootIniPath;
    const std::vector<std::string> original = LinesOf(editor.BootIniBytes());
    std::vector<std::string> expected = original;

    editor.SetTimeout(L"10");
    EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.message, L"保存成功!\n备份: " + path + kStamp);
    expected[2] = "timeout=10\r\n";
    EXPECT_EQ(LinesOf(editor.BootIniBytes()), expected);

    editor.Description(1)->SetText(L"Windows Server 2003 网络安全模式");
    outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    expected[9] = Replaced(expected[9], Gbk(editor.Machine(), kSafeMode),
                           Gbk(editor.Machine(), L"Windows Server 2003 网络安全模式"));
    EXPECT_EQ(LinesOf(editor.BootIniBytes()), expected);

    editor.Select(2);
    MoveSelectedRow(editor.Page().list, -1);  // the Recovery Console above the safe mode
    outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    // The comment above the console's line stays above it.
    std::swap(expected[9], expected[10]);
    std::swap(expected[10], expected[11]);
    EXPECT_EQ(LinesOf(editor.BootIniBytes()), expected);

    const sim::BootVerdict verdict = editor.Machine().Boot();
    EXPECT_TRUE(verdict.boots) << Utf8(verdict.problem);
    EXPECT_EQ(verdict.timeout, 10);
    EXPECT_EQ(MenuTexts(verdict),
              (std::vector<std::wstring>{std::wstring(kServer) + L" *", kConsole,
                                         L"Windows Server 2003 网络安全模式"}));
    // Each save backed up the file it found.
    const auto* first = editor.Machine().Files().FileBytes(path + kStamp);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LinesOf(std::string(first->begin(), first->end())), original);
    EXPECT_TRUE(editor.Machine().Files().IsFile(path + kStamp + L"_3"));
}

TEST(EditorBootIniExtras, ARemovedRowsLineGoesAndNothingElse) {
    EditorOnMachine editor(Extras());
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
    std::vector<std::string> expected = LinesOf(editor.BootIniBytes());
    editor.Select(0);
    RemoveSelectedRow(editor.Page().list);  // the server; its safe mode keeps the ARC path
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
    expected.erase(expected.begin() + 8);
    EXPECT_EQ(LinesOf(editor.BootIniBytes()), expected);
    EXPECT_EQ(MenuTexts(editor.Machine().Boot()),
              (std::vector<std::wstring>{std::wstring(kSafeMode) + L" *", kConsole}));
}

// The same edits on files whose line ends differ: each keeps its own.
TEST(EditorBootIniExtras, LineEndsStayAsTheFileHasThem) {
    const struct {
        const char* what;
        std::string (*form)(const std::string&);
    } cases[] = {
        {"CR LF, no final line end",
         [](const std::string& crLf) { return crLf.substr(0, crLf.size() - 2); }},
        {"LF", [](const std::string& crLf) { return Replaced(crLf, "\r\n", "\n"); }},
        {"LF, no final line end",
         [](const std::string& crLf) {
             const std::string lf = Replaced(crLf, "\r\n", "\n");
             return lf.substr(0, lf.size() - 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The edits on the file as the scenario has it give the result in CR LF.
        EditorOnMachine plain(Extras());
        const std::string original = plain.BootIniBytes();
        ASSERT_EQ(plain.Open(kBootIniFileItem), std::nullopt);
        plain.SetTimeout(L"5");
        plain.Select(2);
        MoveSelectedRow(plain.Page().list, -1);
        plain.Check(2)->Activate();
        ASSERT_EQ(plain.Save().result, EditorSaveOutcome::Result::Saved);

        EditorOnMachine editor(Extras());
        PutBootIni(editor, c.form(original));
        ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);
        editor.SetTimeout(L"5");
        editor.Select(2);
        MoveSelectedRow(editor.Page().list, -1);
        editor.Check(2)->Activate();
        const EditorSaveOutcome outcome = editor.Save();
        EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Saved) << Utf8(outcome.message);
        EXPECT_EQ(editor.BootIniBytes(), c.form(plain.BootIniBytes()));
    }
}

TEST(EditorBootIniExtras, AFileThatCannotBeReadIsNotWritten) {
    sim::Scenario scenario = Extras();
    scenario.disks[0].partitions[0].openFiles.push_back(L"\\boot.ini");
    EditorOnMachine editor(scenario);
    ASSERT_EQ(editor.Open(kBootIniFileItem), std::nullopt);  // read through the profile functions
    const std::string original = editor.BootIniBytes();
    editor.SetTimeout(L"3");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Refused);
    EXPECT_EQ(outcome.message, L"保存失败: 无法读取 boot.ini，未写入任何内容。");
    EXPECT_EQ(editor.BootIniBytes(), original);
    EXPECT_FALSE(editor.Machine().Files().IsFile(editor.BootFiles().bootIniPath + kStamp));
}

// The automatic repair sets up ntldr through the profile functions; its undo brings the file
// back byte for byte.
TEST(EditorBootIniExtras, TheAutomaticRepairAndItsUndoLeaveTheFileAsItWas) {
    EditorOnMachine editor(Extras());
    const std::string original = editor.BootIniBytes();
    const RepairOutcome repair = editor.Program().Run(editor.Program().AutomaticRequest());
    ASSERT_TRUE(repair.engineRan);
    ASSERT_FALSE(repair.undoRecord.empty());
    const RepairOutcome undo = editor.Program().Undo(repair.undoRecord);
    EXPECT_EQ(undo.failedSteps, 0);
    EXPECT_EQ(editor.BootIniBytes(), original);
    EXPECT_TRUE(editor.Machine().Boot().boots);
}

}  // namespace
}  // namespace qn

namespace qn {
namespace {

// The GUI tests' machine whose bcdedit refuses the {ntldr} entry's description
// (tests/gui/scenarios) behaves as the GUI test expects it to.
TEST(EditorGuiScenario, SaveFailsRefusesTheLegacyLoadersDescriptionAndNothingElse) {
    std::ifstream file(QN_SOURCE_DIR "/tests/gui/scenarios/editor_save_fails.xml",
                       std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EditorOnMachine editor(sim::test::ScenarioText(text.str()));
    ASSERT_EQ(editor.Open(kBcdFileItem), std::nullopt);
    editor.SetTimeout(L"6");
    editor.Description(editor.RowOf(L"Earlier Version of Windows"))->SetText(L"Windows XP");
    const EditorSaveOutcome outcome = editor.Save();
    EXPECT_EQ(outcome.result, EditorSaveOutcome::Result::Failed);
    EXPECT_EQ(outcome.message,
              L"保存失败:\n"
              L"{466f5a88-0af2-4f76-9038-095b170dc21c} description\n"
              L"bcdedit.exe 退出码 1: 设置元素数据时出错。\n备份: " +
                  editor.StorePath() + L"_20261208103000" +
                  L"\n已用备份恢复保存前的 BCD 存储，未做任何更改。");
    EXPECT_EQ(editor.StoreTimeout(), 30u) << "the timeout went back with the rest";
}

}  // namespace
}  // namespace qn
