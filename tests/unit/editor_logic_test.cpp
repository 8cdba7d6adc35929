// The boot entry editor's rules that need no window: device texts, locale names, which entries
// become rows and which may be added, the working listing, row moves, the save's commands, the
// read-back comparison and boot.ini's menu lines.
#include <gtest/gtest.h>

#include "repair/device_text.h"
#include "repair/editor_boot_ini_lines.h"
#include "repair/editor_load.h"
#include "repair/editor_menu.h"
#include "repair/editor_readback.h"
#include "repair/editor_save_commands.h"
#include "repair/locale_names.h"

namespace qn {
namespace {

struct DeviceCase {
    const wchar_t* device;
    bool fromBcd;
    const wchar_t* shown;
};

TEST(EditorDeviceText, ShowsEachDeviceAsThePageNamesIt) {
    const DeviceCase cases[] = {
        {L"boot", true, L"boot"},
        {L"partition=C:", true, L"C:"},
        {L"partition=\\Device\\HarddiskVolume2", true, L"\\Dev"},
        {L"unknown", true, L"unkn"},
        {L"ramdisk=[C:]\\sources\\boot.wim,{7619dcc8-fafe-11d9-b411-000476eba25f}", true, L"[C:]"},
        {L"partition= D: ", true, L"D:"},
        {L"partition==E:", true, L"E:"},
        {L"=", true, L"="},
        {L"", true, L""},
        {L"Boot", true, L"Boot"},
        {L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", false, L"P1"},
        {L"multi(0)disk(0)rdisk(0)partition(12)\\WINDOWS", false, L"P1"},
        {L"multi(0)disk(0)rdisk(0)partition(", false, L"P"},
        {L"C:\\CMDCONS\\BOOTSECT.DAT", false, L"C:"},
        {L"signature(8b467c12)disk(1)rdisk(0)partition(2)\\WINNT", false, L"P2"},
        {L"scsi(0)disk(0)rdisk(0)", false, L"scsi"},
        {L"", false, L""},
    };
    for (const DeviceCase& c : cases) {
        EXPECT_EQ(DeviceText(c.device, c.fromBcd), c.shown);
    }
}

TEST(EditorLocaleNames, AreThe35InTheirOrder) {
    ASSERT_EQ(kLocaleNames.size(), 35u);
    EXPECT_EQ(kLocaleNames.front(), L"zh-CN");
    EXPECT_EQ(kLocaleNames[5], L"en-GB");
    EXPECT_EQ(kLocaleNames[6], L"en-US");
    EXPECT_EQ(kLocaleNames[13], L"de-DE");
    EXPECT_EQ(kLocaleNames.back(), L"uk-UA");
    EXPECT_EQ(LocaleIndex(L"en-US"), 6);
    EXPECT_EQ(LocaleIndex(L"EN-us"), -1);  // exact comparison
    EXPECT_EQ(LocaleIndex(L"es-MX"), -1);
}

BootEntry Entry(std::wstring id, std::wstring description, std::wstring path,
                std::wstring locale = L"zh-CN") {
    BootEntry entry;
    entry.identifier = std::move(id);
    entry.description = std::move(description);
    entry.path = std::move(path);
    entry.device = L"partition=C:";
    entry.locale = std::move(locale);
    return entry;
}

BcdListing StoreListing() {
    BcdListing listing;
    listing.FromBcd = 1;
    listing.bootManager.defaultId = L"{w7}";
    listing.bootManager.timeout = L"30";
    listing.bootManager.displayorder = {L"{w7}", L"{gone}", L"{w10}", L"{resume}"};
    listing.entries = {
        Entry(L"{w10}", L"Windows 10", L"\\Windows\\system32\\winload.efi"),
        Entry(L"{w7}", L"Windows 7", L"\\Windows\\system32\\winload.exe"),
        Entry(L"{safe}", L"Windows 7 Safe Mode", L"\\Windows\\system32\\winload.exe"),
        Entry(L"{resume}", L"Windows Resume Application", L"\\Windows\\system32\\winresume.exe"),
        Entry(L"{b2721d73-1db4-4c62-bf78-c548a880142d}", L"Windows Memory Diagnostic",
              L"\\boot\\memtest.exe"),
        Entry(L"{memtest-efi}", L"Memory Diagnostic (EFI)", L"\\EFI\\Microsoft\\Boot\\MEMTEST.EFI"),
        Entry(L"{466f5a88-0af2-4f76-9038-095b170dc21c}", L"Earlier Version of Windows", L"\\ntldr"),
        Entry(L"", L"No identifier", L"\\Windows\\system32\\winload.exe"),
    };
    return listing;
}

std::vector<std::wstring> Ids(const std::vector<BootEntry>& entries) {
    std::vector<std::wstring> ids;
    for (const BootEntry& entry : entries) {
        ids.push_back(entry.identifier);
    }
    return ids;
}

TEST(EditorMenu, RowsFollowTheDisplayOrderAndSkipIdentifiersWithoutEntries) {
    const EditorMenu menu = MenuOfListing(StoreListing());
    // A resume object the display order names is shown: it is in the boot menu now, and the
    // user may remove it.
    EXPECT_EQ(Ids(menu.rows), (std::vector<std::wstring>{L"{w7}", L"{w10}", L"{resume}"}));
}

TEST(EditorMenu, OffersEveryMenuEntryButNeverResumeObjectsOrTheMemoryTester) {
    const EditorMenu menu = MenuOfListing(StoreListing());
    EXPECT_EQ(Ids(menu.candidates),
              (std::vector<std::wstring>{L"{w10}", L"{w7}", L"{safe}",
                                         L"{466f5a88-0af2-4f76-9038-095b170dc21c}"}));
}

TEST(EditorMenu, TellsEntriesApartByTheirApplication) {
    EXPECT_EQ(RoleOfEntry(Entry(L"{a}", L"x", L"\\Windows\\system32\\WINRESUME.EXE")),
              EntryRole::ResumeObject);
    EXPECT_EQ(RoleOfEntry(Entry(L"{a}", L"x", L"\\EFI\\Microsoft\\Boot\\memtest.efi")),
              EntryRole::MemoryTester);
    EXPECT_EQ(RoleOfEntry(Entry(L"{memdiag}", L"x", L"")), EntryRole::MemoryTester);
    EXPECT_EQ(RoleOfEntry(Entry(L"{B2721D73-1DB4-4C62-BF78-C548A880142D}", L"x", L"\\x")),
              EntryRole::MemoryTester);
    EXPECT_EQ(RoleOfEntry(Entry(L"{a}", L"x", L"\\ntldr")), EntryRole::MenuEntry);
    EXPECT_EQ(RoleOfEntry(Entry(L"{a}", L"x", L"\\grldr.mbr")), EntryRole::MenuEntry);
    EXPECT_EQ(RoleOfEntry(Entry(L"{a}", L"x", L"\\Windows\\system32\\winload.efi")),
              EntryRole::MenuEntry);
}

TEST(EditorMenu, CandidateTextIsIdentifierTwoBlanksDescription) {
    EXPECT_EQ(CandidateText(Entry(L"{w7}", L"Windows 7", L"")), L"{w7}  Windows 7");
}

TEST(EditorMenu, FindsTheFirstEntryOfAnIdentifierExactly) {
    BcdListing listing = StoreListing();
    listing.entries.push_back(Entry(L"{w7}", L"second", L""));
    EXPECT_EQ(FindEntryById(listing, L"{w7}")->description, L"Windows 7");
    EXPECT_EQ(FindEntryById(listing, L"{W7}"), nullptr);
}

TEST(EditorMenu, WorkingListingKeepsRowOrderAndTheLastCheckedRowAsDefault) {
    const std::vector<RowValues> rows = {
        {L"{a}", L"A", L"zh-CN", true},
        {L"", L"no id", L"", true},
        {L"{b}", L"B", L"", true},
        {L"{c}", L"", L"en-US", false},
    };
    const BcdListing working = WorkingListing(rows, L"5", 1);
    EXPECT_EQ(working.FromBcd, 1);
    EXPECT_EQ(working.bootManager.timeout, L"5");
    EXPECT_EQ(working.bootManager.defaultId, L"{b}");
    EXPECT_EQ(working.bootManager.displayorder,
              (std::vector<std::wstring>{L"{a}", L"{b}", L"{c}"}));
    ASSERT_EQ(working.entries.size(), 3u);
    EXPECT_EQ(working.entries[0].locale, L"zh-CN");
    EXPECT_EQ(working.entries[2].locale, L"en-US");
    EXPECT_EQ(working.entries[2].description, L"");
    EXPECT_TRUE(working.entries[0].isDefault);
}

TEST(EditorMenu, NoCheckedRowLeavesTheDefaultEmpty) {
    const BcdListing working = WorkingListing({{L"{a}", L"A", L"", false}}, L"5", 1);
    EXPECT_EQ(working.bootManager.defaultId, L"");
}

struct MoveCase {
    int selected;
    int count;
    int direction;
    std::optional<int> target;
};

TEST(EditorMenu, MovesStopAtTheEndsAndWithoutSelection) {
    const MoveCase cases[] = {
        {0, 3, -1, std::nullopt},
        {0, 3, 1, 1},
        {1, 3, -1, 0},
        {2, 3, 1, std::nullopt},
        {2, 3, -1, 1},
        {-1, 3, 1, std::nullopt},
        {-1, 3, -1, std::nullopt},
        {0, 1, 1, std::nullopt},
        {0, 0, 1, std::nullopt},
        {3, 3, -1, std::nullopt},
        {1, 3, 0, std::nullopt},
        {1, 3, 2, std::nullopt},
    };
    for (const MoveCase& c : cases) {
        EXPECT_EQ(MoveTarget(c.selected, c.count, c.direction), c.target)
            << c.selected << " of " << c.count << " by " << c.direction;
    }
}

std::vector<std::wstring> Parameters(const std::vector<SaveCommand>& commands) {
    std::vector<std::wstring> out;
    for (const SaveCommand& command : commands) {
        out.push_back(command.parameters);
    }
    return out;
}

TEST(EditorSaveCommands, StoreFormsInTheSavesOrder) {
    const BcdListing working = WorkingListing({{L"{a}", L"Windows 7 旗舰版", L"zh-CN", false},
                                               {L"{b}", L"", L"en-US", true},
                                               {L"{c}", L"Say \"hi\"", L"", false}},
                                              L"5", 1);
    EXPECT_EQ(Parameters(BcdSaveCommands(L"F:\\Boot\\BCD", working)),
              (std::vector<std::wstring>{
                  L"/store F:\\Boot\\BCD /timeout 5",
                  L"/store F:\\Boot\\BCD /default {b}",
                  L"/store F:\\Boot\\BCD /set {bootmgr} GraphicsResolution 1024x768",
                  L"/store F:\\Boot\\BCD /displayorder {a} {b} {c} ",
                  L"/store F:\\Boot\\BCD /set {a} description \"Windows 7 旗舰版\"",
                  L"/store F:\\Boot\\BCD /set {a} locale \"zh-CN\"",
                  L"/store F:\\Boot\\BCD /set {b} locale \"en-US\"",
                  L"/store F:\\Boot\\BCD /set {c} description \"Say \\\"hi\\\"\"",
              }));
}

TEST(EditorSaveCommands, SystemStoreFormsAndNoDefaultWithoutACheckedRow) {
    const BcdListing working = WorkingListing({{L"{a}", L"A", L"", false}}, L"30", 1);
    const auto commands = BcdSaveCommands(L"", working);
    EXPECT_EQ(
        Parameters(commands),
        (std::vector<std::wstring>{L"/timeout 30", L"/set {bootmgr} GraphicsResolution 1024x768",
                                   L"/displayorder {a} ", L"/set {a} description \"A\""}));
    EXPECT_EQ(commands[0].Target(), L"{bootmgr} timeout");
    EXPECT_EQ(commands[3].Target(), L"{a} description");
}

TEST(EditorSaveCommands, AStorePathWithBlanksStaysOneArgument) {
    const BcdListing working = WorkingListing({{L"{a}", L"", L"", true}}, L"3", 1);
    EXPECT_EQ(BcdSaveCommands(L"G:\\My Boot\\BCD", working)[0].parameters,
              L"/store \"G:\\My Boot\\BCD\" /timeout 3");
}

BcdListing ReadBack(std::vector<std::wstring> order, std::wstring defaultId, std::wstring timeout) {
    BcdListing listing;
    listing.bootManager.displayorder = std::move(order);
    listing.bootManager.defaultId = std::move(defaultId);
    listing.bootManager.timeout = std::move(timeout);
    return listing;
}

TEST(EditorReadback, AgreesWhenTheStoreHoldsWhatWasMeant) {
    const BcdListing working =
        WorkingListing({{L"{a}", L"A ", L"zh-CN", false}, {L"{b}", L"B", L"", true}}, L"05", 1);
    BcdListing found = ReadBack({L"{A}", L"{b}"}, L"{B}", L"5");
    found.entries = {Entry(L"{a}", L"A", L""), Entry(L"{b}", L"B", L"", L"en-US")};
    EXPECT_TRUE(BcdReadbackDifferences(working, BcdListing{}, found, {}).empty());
}

TEST(EditorReadback, ReportsEveryDifference) {
    const BcdListing working =
        WorkingListing({{L"{a}", L"新名称", L"en-US", false}, {L"{b}", L"B", L"", true}}, L"5", 1);
    BcdListing found = ReadBack({L"{b}", L"{a}"}, L"{a}", L"30");
    found.entries = {Entry(L"{a}", L"???", L"zh-CN"), Entry(L"{b}", L"B", L"")};
    const auto differences = BcdReadbackDifferences(working, BcdListing{}, found, {});
    ASSERT_EQ(differences.size(), 5u);
    EXPECT_EQ(differences[0], L"显示顺序应为 “新名称”, “B”，读回为 “B”, “新名称”");
    EXPECT_EQ(differences[1], L"默认项应为 “B”，读回为 “新名称”");
    EXPECT_EQ(differences[2], L"等待时间应为 5 秒，读回为 30");
    EXPECT_EQ(differences[3], L"{a} 的名称应为 “新名称”，读回为 “???”");
    EXPECT_EQ(differences[4], L"“新名称” 的语言应为 en-US，读回为 zh-CN");
}

TEST(EditorReadback, WithoutACheckedRowTheDefaultIsNotCompared) {
    // No default was sent; an earlier save of the same listing may have changed it.
    const BcdListing working = WorkingListing({{L"{a}", L"", L"", false}}, L"5", 1);
    const BcdListing loaded = ReadBack({}, L"{old}", L"5");
    EXPECT_TRUE(
        BcdReadbackDifferences(working, loaded, ReadBack({L"{a}"}, L"{other}", L"5"), {}).empty());
}

TEST(EditorReadback, LeavesOutWhatAFailedCommandAlreadyReports) {
    const BcdListing working = WorkingListing({{L"{a}", L"A", L"", true}}, L"5", 1);
    BcdListing found = ReadBack({}, L"{x}", L"30");
    found.entries = {Entry(L"{a}", L"old", L"")};
    const std::set<std::wstring> failed = {L"{bootmgr} timeout", L"{bootmgr} default",
                                           L"{bootmgr} displayorder", L"{a} description"};
    EXPECT_TRUE(BcdReadbackDifferences(working, BcdListing{}, found, failed).empty());
}

TEST(EditorReadback, AnEntryThatIsGoneIsReported) {
    const BcdListing working = WorkingListing({{L"{a}", L"A", L"", true}}, L"5", 1);
    const auto differences =
        BcdReadbackDifferences(working, BcdListing{}, ReadBack({L"{a}"}, L"{a}", L"5"), {});
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0], L"启动项 {a} 读不回来");
}

BootEntry IniLine(std::wstring id, std::wstring arc, std::wstring value, std::wstring name) {
    BootEntry entry;
    entry.identifier = std::move(id);
    entry.device = std::move(arc);
    entry.osdevice = std::move(value);
    entry.description = std::move(name);
    return entry;
}

TEST(EditorBootIniLines, ARenamedLineKeepsItsSwitchesByteForByte) {
    const BootEntry line = IniLine(L"{1}", L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS",
                                   L"\"Microsoft Windows XP Professional\" /noexecute=optin "
                                   L"/fastdetect",
                                   L"Microsoft Windows XP Professional");
    EXPECT_EQ(RenamedIniValue(line, L"XP 专业版"), L"\"XP 专业版\" /noexecute=optin /fastdetect");
    EXPECT_EQ(RenamedIniValue(line, L""), line.osdevice);
    EXPECT_EQ(RenamedIniValue(line, line.description), line.osdevice);
    EXPECT_EQ(RenamedIniValue(line, L"say \"x\""), std::nullopt);
    EXPECT_EQ(RenamedIniValue(IniLine(L"{2}", L"C:\\X", L"no quotes /x", L"no quotes /x"), L"y"),
              std::nullopt);
    EXPECT_EQ(RenamedIniValue(IniLine(L"{2}", L"C:\\X", L"\"", L""), L"y"), std::nullopt);
}

TEST(EditorBootIniLines, LaterRowsWithTheSameArcPathReplaceTheEarlierLineInPlace) {
    BcdListing lines;
    lines.entries = {
        IniLine(L"{1}", L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"\"A\"", L"A"),
        IniLine(L"{2}", L"C:\\CMDCONS\\BOOTSECT.DAT", L"\"B\" /cmdcons", L"B"),
        IniLine(L"{3}", L"MULTI(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"\"C\"", L"C")};
    const BcdListing working = WorkingListing(
        {{L"{2}", L"", L"", false}, {L"{1}", L"", L"", true}, {L"{3}", L"", L"", false}}, L"3", 0);
    const auto meant = MeantBootIniLines(working, lines);
    ASSERT_EQ(meant.size(), 2u);
    EXPECT_EQ(meant[0].arcPath, L"C:\\CMDCONS\\BOOTSECT.DAT");
    EXPECT_EQ(meant[0].value, L"\"B\" /cmdcons");
    EXPECT_EQ(meant[1].arcPath, L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS");
    EXPECT_EQ(meant[1].value, L"\"C\"");
}

TEST(EditorBootIniReadback, ComparesLinesTimeoutAndDefaultExactly) {
    BcdListing found;
    found.bootManager.timeout = L"5";
    found.entries = {IniLine(L"{9}", L"C:\\X", L"\"X\" /y", L"X")};
    const std::vector<BootIniLine> meant = {{L"C:\\X", L"\"X\" /y"}};
    EXPECT_TRUE(BootIniReadbackDifferences(meant, L"5", L"C:\\X", found, L"C:\\X").empty());
    EXPECT_EQ(BootIniReadbackDifferences(meant, L"05", L"C:\\X", found, L"").size(), 2u);
    EXPECT_EQ(BootIniReadbackDifferences({{L"C:\\X", L"\"X\"  /y"}}, L"5", L"", found, L"").size(),
              1u);
}

TEST(EditorLoads, OnlyTheLatestLoadDelivers) {
    LoadSequence loads;
    EXPECT_FALSE(loads.Pending());
    const unsigned first = loads.Begin();
    const unsigned second = loads.Begin();
    EXPECT_TRUE(loads.Pending());
    EXPECT_FALSE(loads.Deliver(first));
    EXPECT_TRUE(loads.Pending());
    EXPECT_TRUE(loads.Deliver(second));
    EXPECT_FALSE(loads.Pending());
    EXPECT_FALSE(loads.Deliver(first));
    EXPECT_FALSE(loads.Deliver(0));
}

TEST(EditorLoads, TheEmptyListingMessageNamesTheReasonWhenKnown) {
    LoadedListing loaded;
    EXPECT_EQ(EmptyListingMessage(loaded), L"没有查找到引导项，请重新选择！");
    loaded.problem = L"bcdedit.exe 退出码 1: 无法打开启动配置数据存储。";
    EXPECT_EQ(EmptyListingMessage(loaded),
              L"没有查找到引导项，请重新选择！\nbcdedit.exe 退出码 1: 无法打开启动配置数据存储。");
}

}  // namespace
}  // namespace qn
