// The boot entry editor's rules that need no window: device texts, locale names, which entries
// become rows and which may be added, the working listing, row moves, the save's commands, the
// read-back comparison and boot.ini's menu lines.
#include <gtest/gtest.h>

#include "boot/boot_ini_reader.h"
#include "boot/fake/fake_profile_file.h"
#include "editor/device_text.h"
#include "editor/editor_boot_ini_lines.h"
#include "editor/editor_load.h"
#include "editor/editor_menu.h"
#include "editor/editor_readback.h"
#include "editor/editor_save_commands.h"
#include "editor/locale_names.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_random_source.h"

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

std::vector<std::wstring> Ids(const std::vector<MenuRow>& rows) {
    std::vector<std::wstring> ids;
    for (const MenuRow& row : rows) {
        ids.push_back(row.entry.identifier);
    }
    return ids;
}

TEST(EditorMenu, RowsFollowTheDisplayOrderAndKeepIdentifiersWithoutEntries) {
    const EditorMenu menu = MenuOfListing(StoreListing());
    // A resume object the display order names is shown: it is in the boot menu now, and the
    // user may remove it. An identifier without an entry keeps its place as a locked row.
    EXPECT_EQ(Ids(menu.rows),
              (std::vector<std::wstring>{L"{w7}", L"{gone}", L"{w10}", L"{resume}"}));
    EXPECT_EQ(menu.rows[1].lock, RowLock::Missing);
    EXPECT_EQ(menu.rows[0].lock, RowLock::None);
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
    // Against an empty listing everything is a change.
    EXPECT_EQ(Parameters(BcdSaveCommands(L"F:\\Boot\\BCD", working, BcdListing{})),
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
    const auto commands = BcdSaveCommands(L"", working, BcdListing{});
    EXPECT_EQ(
        Parameters(commands),
        (std::vector<std::wstring>{L"/timeout 30", L"/set {bootmgr} GraphicsResolution 1024x768",
                                   L"/displayorder {a} ", L"/set {a} description \"A\""}));
    EXPECT_EQ(commands[0].Target(), L"{bootmgr} timeout");
    EXPECT_EQ(commands[3].Target(), L"{a} description");
}

TEST(EditorSaveCommands, AStorePathWithBlanksStaysOneArgument) {
    const BcdListing working = WorkingListing({{L"{a}", L"", L"", true}}, L"3", 1);
    EXPECT_EQ(BcdSaveCommands(L"G:\\My Boot\\BCD", working, BcdListing{})[0].parameters,
              L"/store \"G:\\My Boot\\BCD\" /timeout 3");
}

// Only what the user changed is sent: a name read through a console that could not hold it
// ("???") is never written back over the real one, and a save of the timeout alone touches
// nothing else (the graphics resolution is set by every save).
TEST(EditorSaveCommands, OnlyWhatChangedIsSent) {
    BcdListing loaded;
    loaded.bootManager.timeout = L"30";
    loaded.bootManager.defaultId = L"{a}";
    loaded.bootManager.displayorder = {L"{a}", L"{b}", L"{c}"};
    loaded.entries = {BootEntry{L"{a}", L"", L"", L"Windows 7 ???", L"zh-CN", L"", false},
                      BootEntry{L"{b}", L"", L"", L"XP", L"en-US", L"", false},
                      BootEntry{L"{c}", L"", L"", L"C", L"", L"", false}};
    const RowValues a{L"{a}", L"", L"zh-CN", false};  // a lossy name comes back empty
    const RowValues b{L"{b}", L"XP", L"en-US", false};
    const RowValues c{L"{c}", L"C", L"", false};
    const std::wstring resolution = L"/set {bootmgr} GraphicsResolution 1024x768";
    struct Case {
        const char* what;
        std::vector<RowValues> rows;
        std::wstring timeout;
        std::vector<std::wstring> sent;
    };
    auto checked = [](RowValues row) {
        row.isDefault = true;
        return row;
    };
    auto renamed = [](RowValues row, const wchar_t* name) {
        row.description = name;
        return row;
    };
    auto relocated = [](RowValues row, const wchar_t* locale) {
        row.locale = locale;
        return row;
    };
    const Case cases[] = {
        {"nothing", {a, b, c}, L"30", {resolution}},
        {"the same number", {a, b, c}, L"030", {resolution}},
        {"the timeout", {a, b, c}, L"5", {L"/timeout 5", resolution}},
        {"the default checked again", {checked(a), b, c}, L"30", {resolution}},
        {"another default", {a, checked(b), c}, L"30", {L"/default {b}", resolution}},
        {"the order", {b, a, c}, L"30", {resolution, L"/displayorder {b} {a} {c} "}},
        {"a name",
         {a, renamed(b, L"XP 专业版"), c},
         L"30",
         {resolution, L"/set {b} description \"XP 专业版\""}},
        {"a locale in another case", {relocated(a, L"ZH-cn"), b, c}, L"30", {resolution}},
        {"a locale",
         {a, relocated(b, L"de-DE"), c},
         L"30",
         {resolution, L"/set {b} locale \"de-DE\""}},
    };
    for (const Case& c : cases) {
        const BcdListing working = WorkingListing(c.rows, c.timeout, 1);
        EXPECT_EQ(Parameters(BcdSaveCommands(L"", working, loaded)), c.sent) << c.what;
    }
}

// A row of no whole entry keeps its place in the order and nothing of it is written.
TEST(EditorMenu, RowsTheEditorCannotChangeKeepTheirPlace) {
    BcdListing listing;
    listing.FromBcd = 1;
    listing.bootManager.displayorder = {L"{a}", L"{half}", L"{gone}", L"{b}"};
    listing.entries = {
        BootEntry{L"{a}", L"partition=C:", L"\\w", L"Windows 7 ???", L"", L"", false},
        BootEntry{L"{b}", L"partition=D:", L"\\w", L"Windows 10", L"", L"", false}};
    listing.incompleteIds = {L"{half}"};
    const EditorMenu menu = MenuOfListing(listing);
    ASSERT_EQ(menu.rows.size(), 4u);
    EXPECT_EQ(menu.rows[0].lock, RowLock::LossyName);
    EXPECT_EQ(menu.rows[1].lock, RowLock::Incomplete);
    EXPECT_EQ(menu.rows[1].entry.identifier, L"{half}");
    EXPECT_EQ(menu.rows[2].lock, RowLock::Missing);
    EXPECT_EQ(menu.rows[3].lock, RowLock::None);
    RowValues half{L"{half}", L"", L"", false};
    half.locked = true;
    const BcdListing working = WorkingListing(
        {RowValues{L"{b}", L"Windows 10", L"", true}, half, RowValues{L"{a}", L"", L"", false}},
        L"3", 1);
    EXPECT_EQ(working.bootManager.displayorder,
              (std::vector<std::wstring>{L"{b}", L"{half}", L"{a}"}));
    EXPECT_EQ(working.entries.size(), 2u);
    EXPECT_EQ(FindEntryById(working, L"{half}"), nullptr);
    EXPECT_TRUE(NameReadLossily(L"Windows 7 ???"));
    EXPECT_TRUE(NameReadLossily(L"caf\xFFFD"));
    EXPECT_FALSE(NameReadLossily(L"Windows 7 旗舰版"));
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
    EXPECT_EQ(RenamedIniValue(line, L"two\r\nlines"), std::nullopt);
    EXPECT_EQ(RenamedIniValue(IniLine(L"{2}", L"C:\\X", L"no quotes /x", L"no quotes /x"), L"y"),
              std::nullopt);
    EXPECT_EQ(RenamedIniValue(IniLine(L"{2}", L"C:\\X", L"\"", L""), L"y"), std::nullopt);
}

// ntldr shows one menu item per line, so rows sharing an ARC path (a system and its safe mode)
// keep a line each; the profile functions once merged them into the last one.
TEST(EditorBootIniLines, RowsWithTheSameArcPathKeepALineEach) {
    BcdListing lines;
    lines.entries = {
        IniLine(L"{1}", L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"\"A\"", L"A"),
        IniLine(L"{2}", L"C:\\CMDCONS\\BOOTSECT.DAT", L"\"B\" /cmdcons", L"B"),
        IniLine(L"{3}", L"MULTI(0)disk(0)rdisk(0)partition(1)\\WINDOWS", L"\"C\"", L"C")};
    const BcdListing working = WorkingListing({{L"{2}", L"", L"", false},
                                               {L"{1}", L"", L"", true},
                                               {L"{3}", L"", L"", false},
                                               {L"{1}", L"", L"", false},  // a row twice: one line
                                               {L"{unknown}", L"", L"", false}},
                                              L"3", 0);
    const auto meant = MeantBootIniLines(working, lines);
    ASSERT_EQ(meant.size(), 3u);
    EXPECT_EQ(meant[0].arcPath, L"C:\\CMDCONS\\BOOTSECT.DAT");
    EXPECT_EQ(meant[0].value, L"\"B\" /cmdcons");
    EXPECT_EQ(meant[1].arcPath, L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS");
    EXPECT_EQ(meant[1].value, L"\"A\"");
    EXPECT_EQ(meant[2].arcPath, L"MULTI(0)disk(0)rdisk(0)partition(1)\\WINDOWS");
    EXPECT_EQ(meant[2].value, L"\"C\"");
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
    // Two lines with one ARC path are two lines, not one.
    EXPECT_EQ(BootIniReadbackDifferences({meant[0], meant[0]}, L"5", L"", found, L"").size(), 1u);
}

TEST(EditorBootIniReadback, ComparesEveryLineByteForByte) {
    fake::FakeCodePage codePage(936, 936);
    auto parse = [&](const std::string& text) {
        return ParseBootIniDocument(std::vector<std::uint8_t>(text.begin(), text.end()), codePage);
    };
    const BootIniDocument meant = parse("[boot loader]\r\ntimeout=5\r\n; note\r\n");
    EXPECT_TRUE(
        BootIniLineDifferences(meant, parse("[boot loader]\r\ntimeout=5\r\n; note\r\n")).empty());
    const struct {
        std::string found;
        std::wstring message;
    } cases[] = {
        {"[boot loader]\r\ntimeout=5\r\n; Note\r\n",
         L"boot.ini 第 3 行读回为 “; Note”，应为 “; note”"},
        {"[boot loader]\r\ntimeout=5\r\n",
         L"boot.ini 读回 2 行，应为 3 行；第 3 行读回为 （无），应为 “; note”"},
        {"[boot loader]\r\ntimeout=5\n; note\r\n",
         L"boot.ini 第 2 行读回为 “timeout=5”，应为 “timeout=5”（行尾不同）"},
        {"[boot loader]\r\ntimeout=5\r\n; note\r\n" + std::string(60, 'x'),
         L"boot.ini 读回 4 行，应为 3 行；第 4 行读回为 “" + std::wstring(40, L'x') +
             L"…”，应为 （无）"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BootIniLineDifferences(meant, parse(c.found)),
                  std::vector<std::wstring>{c.message});
    }
}

// The save of boot.ini over a file of every kind of line: loaded through the profile functions
// as the editor loads it, edited, and compared as bytes.
class EditorBootIniEdit : public ::testing::Test {
protected:
    static std::vector<std::uint8_t> Bytes(const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }
    std::string Gbk(const std::wstring& text) {
        return codePage_.FromWide(text, CodePageKind::Ansi);
    }
    BcdListing Load(const std::string& file) {
        fake::FakeFileSystem files;
        files.AddFile(L"C:\\boot.ini", Bytes(file));
        fake::FakeProfileFile profile(files, codePage_);
        return ReadBootIni(profile, random_, L"C:\\boot.ini");
    }
    // The rows as the page shows them after a load, nothing changed.
    static std::vector<RowValues> Rows(const BcdListing& loaded) {
        std::vector<RowValues> rows;
        for (const BootEntry& entry : loaded.entries) {
            rows.push_back({entry.identifier, entry.description, L"", false});
        }
        return rows;
    }
    BootIniEdit Edit(const std::string& file, const BcdListing& loaded,
                     const std::vector<RowValues>& rows, const std::wstring& timeout) {
        return EditBootIniDocument(ParseBootIniDocument(Bytes(file), codePage_), loaded,
                                   WorkingListing(rows, timeout, 0), codePage_);
    }
    std::string Save(const std::string& file, const BcdListing& loaded,
                     const std::vector<RowValues>& rows, const std::wstring& timeout = L"30") {
        const BootIniEdit edit = Edit(file, loaded, rows, timeout);
        EXPECT_EQ(edit.refusal, L"");
        const auto bytes = BootIniDocumentBytes(edit.document);
        return std::string(bytes.begin(), bytes.end());
    }

    fake::FakeCodePage codePage_{936, 936};
    fake::FakeRandomSource random_;
};

TEST_F(EditorBootIniEdit, EachChangeTouchesItsOwnLinesAndNothingElse) {
    const std::string head =
        "; headless\r\n[boot loader]\r\ntimeout=30\r\n"
        "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
        "redirect=COM1\r\nredirectbaudrate=115200\r\n\r\n[operating systems]\r\n";
    const std::string xp = "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n";
    const std::string safe = "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"" +
                             Gbk(L"XP 安全模式") + "\" /safeboot:minimal\r\n";
    // Lines the editor shows no row for: a comment, a line too long for the reader, no "=".
    const std::string others = "; recovery\r\nmulti(0)disk(0)rdisk(0)partition(2)\\WINDOWS=\"" +
                               std::string(5000, 'x') + "\"\r\nno equals sign\r\n";
    const std::string rc = "C:\\CMDCONS\\BOOTSECT.DAT=\"RC\" /cmdcons\r\n";
    const std::string tail = "\r\n[debug]\r\nx=y\r\n";
    const std::string file = head + xp + safe + others + rc + tail;
    const BcdListing loaded = Load(file);
    ASSERT_EQ(loaded.entries.size(), 3u);
    const std::vector<RowValues> rows = Rows(loaded);
    const RowValues& x = rows[0];
    const RowValues& s = rows[1];
    const RowValues& r = rows[2];
    auto renamed = [](RowValues row, const wchar_t* name) {
        row.description = name;
        return row;
    };
    auto checked = [](RowValues row) {
        row.isDefault = true;
        return row;
    };
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const struct {
        const char* what;
        std::vector<RowValues> rows;
        std::wstring timeout;
        std::string result;
    } cases[] = {
        {"nothing", {x, s, r}, L"30", file},
        {"the timeout", {x, s, r}, L"7", replace(file, "timeout=30", "timeout=7")},
        {"a rename of one duplicate",
         {x, renamed(s, L"安全"), r},
         L"30",
         replace(file, Gbk(L"XP 安全模式"), Gbk(L"安全"))},
        {"the recovery console to the top",
         {r, x, s},
         L"30",
         head + rc + xp + safe + others + tail},
        {"the safe mode below it", {x, r, s}, L"30", head + xp + others + rc + safe + tail},
        {"the first duplicate removed", {s, r}, L"30", head + safe + others + rc + tail},
        {"the last line removed", {x, s}, L"30", head + xp + safe + others + tail},
        {"the default on the duplicate: the same ARC path", {x, checked(s), r}, L"30", file},
        {"another default",
         {x, s, checked(r)},
         L"30",
         replace(file, "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS",
                 "default=C:\\CMDCONS\\BOOTSECT.DAT")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Save(file, loaded, c.rows, c.timeout), c.result) << c.what;
    }
}

// The page keeps its rows after a save, so the next save starts from the file the last one left,
// with the listing of the load before it: it must come out as if saved from the loaded file.
TEST_F(EditorBootIniEdit, ASecondSaveOfTheSameRowsFindsTheLinesTheFirstOneLeft) {
    const std::string file =
        "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)a\r\n[operating systems]\r\n"
        "multi(0)a=\"A\" /fastdetect\r\nmulti(0)a=\"A safe\" /safeboot:minimal\r\n"
        "; keep me\r\nC:\\RC=\"RC\" /cmdcons\r\n";
    const BcdListing loaded = Load(file);
    std::vector<RowValues> first = Rows(loaded);
    first[0].description = L"renamed";
    first.erase(first.begin() + 1);  // the safe mode goes
    std::swap(first[0], first[1]);   // the recovery console first
    const std::string once = Save(file, loaded, first, L"5");
    EXPECT_EQ(once,
              "[boot loader]\r\ntimeout=5\r\ndefault=multi(0)a\r\n[operating systems]\r\n"
              "; keep me\r\nC:\\RC=\"RC\" /cmdcons\r\nmulti(0)a=\"renamed\" /fastdetect\r\n");
    std::vector<RowValues> second = Rows(loaded);
    second[0].description = L"again";
    std::swap(second[0], second[2]);  // RC, the safe mode back, A
    second[2].isDefault = true;
    const std::string twice = Save(once, loaded, second, L"5");
    EXPECT_EQ(twice, Save(file, loaded, second, L"5"));
    EXPECT_EQ(Save(twice, loaded, second, L"5"), twice)
        << "a save of what is there changes nothing";
}

TEST_F(EditorBootIniEdit, AFileChangedByAnotherProgramSinceTheLoadIsRefused) {
    const std::string file = "[operating systems]\r\nmulti(0)a=\"A\" /x\r\n";
    const BcdListing loaded = Load(file);
    for (const std::string& changed :
         {file + "multi(0)b=\"B\"\r\n",
          std::string("[operating systems]\r\nmulti(0)a=\"A\" /y\r\n"),
          std::string("[operating systems]\r\nmulti(0)a=\"A\" /x\r\nmulti(0)a=\"A\" /x\r\n")}) {
        const BootIniEdit edit = Edit(changed, loaded, Rows(loaded), L"30");
        EXPECT_TRUE(edit.refusal.starts_with(L"boot.ini 在读取之后被其他程序改动过")) << changed;
    }
}

TEST_F(EditorBootIniEdit, WhatIsMissingIsAddedWhereTheLoaderLooks) {
    const struct {
        const char* what;
        std::string file;
        std::string result;
    } cases[] = {
        {"no [boot loader]: before the first section",
         "; top\r\n[operating systems]\r\nmulti(0)a=\"A\"\r\n",
         "; top\r\n[boot loader]\r\ntimeout=5\r\ndefault=multi(0)a\r\n[operating systems]\r\n"
         "multi(0)a=\"A\"\r\n"},
        {"no keys: at the end of [boot loader], before its blank lines; no final line end",
         "[BOOT LOADER]\nredirect=COM1\n\n[operating systems]\nmulti(0)a=\"A\"",
         "[BOOT LOADER]\nredirect=COM1\ntimeout=5\ndefault=multi(0)a\n\n[operating systems]\n"
         "multi(0)a=\"A\""},
        {"keys spelt otherwise",
         "[boot loader]\r\n TimeOut = 30 \r\nDEFAULT=x\r\n[operating "
         "systems]\r\nmulti(0)a=\"A\"\r\n",
         "[boot loader]\r\n TimeOut = 5 \r\nDEFAULT=multi(0)a\r\n[operating systems]\r\n"
         "multi(0)a=\"A\"\r\n"},
    };
    for (const auto& c : cases) {
        const BcdListing loaded = Load(c.file);
        std::vector<RowValues> rows = Rows(loaded);
        rows[0].isDefault = true;
        EXPECT_EQ(Save(c.file, loaded, rows, L"5"), c.result) << c.what;
    }
    // The file went since it was loaded: the rows go into the template.
    const std::string file = "[operating systems]\r\nmulti(0)a=\"A\"\r\n";
    const BcdListing loaded = Load(file);
    EXPECT_EQ(Save("[boot loader]\r\ntimeout=30\r\n", loaded, Rows(loaded), L"30"),
              "[boot loader]\r\ntimeout=30\r\n[operating systems]\r\nmulti(0)a=\"A\"\r\n");
}

TEST_F(EditorBootIniEdit, LineEndsStayAsTheFileHasThem) {
    const std::string file =
        "[boot loader]\ntimeout=30\n[operating systems]\nC:\\A=\"A\"\nC:\\B=\"B\"";
    const BcdListing loaded = Load(file);
    const std::vector<RowValues> rows = Rows(loaded);
    EXPECT_EQ(Save(file, loaded, {rows[1], rows[0]}, L"3"),
              "[boot loader]\ntimeout=3\n[operating systems]\nC:\\B=\"B\"\nC:\\A=\"A\"");
    EXPECT_EQ(Save(file, loaded, {rows[0]}),
              "[boot loader]\ntimeout=30\n[operating systems]\nC:\\A=\"A\"");
}

TEST_F(EditorBootIniEdit, TheDefaultIsTheArcPathAsItsLineSpellsIt) {
    // A byte the code page cannot read still names the line ntldr compares the default with.
    const std::string file =
        "[boot loader]\r\ndefault=C:\\A\r\n[operating systems]\r\nC:\\A=\"A\"\r\n"
        "  C:\\\xffZ  =\"odd\"\r\n";
    const BcdListing loaded = Load(file);
    std::vector<RowValues> rows = Rows(loaded);
    rows[1].isDefault = true;
    const std::string saved = Save(file, loaded, rows);
    EXPECT_EQ(saved,
              "[boot loader]\r\ndefault=C:\\\xffZ\r\ntimeout=30\r\n[operating systems]\r\n"
              "C:\\A=\"A\"\r\n  C:\\\xffZ  =\"odd\"\r\n");
}

TEST_F(EditorBootIniEdit, WhatCannotBeWrittenAsMeantIsRefusedBeforeAnythingIsWritten) {
    const std::string file =
        "[boot loader]\r\ntimeout=30\r\n[operating systems]\r\nC:\\A=\"A\"\r\n";
    const BcdListing loaded = Load(file);
    auto refusal = [&](const std::wstring& name, const std::wstring& timeout) {
        std::vector<RowValues> rows = Rows(loaded);
        rows[0].description = name;
        return Edit(file, loaded, rows, timeout).refusal;
    };
    EXPECT_TRUE(refusal(L"say \"A\"", L"30").starts_with(L"无法把“A”改名为“say \"A\"”"));
    EXPECT_EQ(refusal(std::wstring(4100, L'n'), L"30"),
              L"修改后的 boot.ini 读起来会与所做的修改不同（例如某行因新名称过长而不再被读取）。");
    EXPECT_EQ(refusal(L"A", L"3\n0"),
              L"无法把“3\n0”写入 boot.ini: 其中有 boot.ini 的代码页无法表示的字符。");
    codePage_.SetAnsi(1252);
    EXPECT_EQ(refusal(L"中文", L"30"),
              L"无法把“中文”写入 boot.ini: 其中有 boot.ini 的代码页无法表示的字符。");
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
