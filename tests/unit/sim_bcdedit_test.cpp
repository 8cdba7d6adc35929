#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "boot/bcd_enum_parser.h"
#include "boot/bcd_store.h"
#include "sim/bcd_ids.h"
#include "sim/bcd_store_file.h"
#include "sim/store_access.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr wchar_t kStore[] = L"C:\\Boot\\BCD";

// Windows 7 on C: with its store on C:, the program's machine speaking English.
class Bcdedit : public ::testing::Test {
protected:
    Bcdedit() : machine(English("xp_and_7.xml")) {}

    static Scenario English(const char* file) {
        Scenario scenario = test::ScenarioFile(file);
        scenario.language = ToolLanguage::EnUs;
        return scenario;
    }
    test::Machine::Run Run(const std::wstring& arguments) {
        return machine.Capture(L"bcdedit " + arguments);
    }
    BcdStoreData Store(const std::wstring& path = kStore) {
        return OpenStoreFile(machine->Files(), path).data;
    }
    std::vector<std::uint8_t> StoreBytes() { return *machine->Files().FileBytes(kStore); }
    std::wstring LoaderId() {
        for (const BcdObject& object : Store().objects) {
            if (object.type == kBcdTypeOsLoader) {
                return object.id;
            }
        }
        return {};
    }
    const BcdElement* Element(const std::wstring& id, const wchar_t* name) {
        store_ = Store();
        const BcdObject* object = FindObject(store_, id);
        return object ? FindElement(*object, name) : nullptr;
    }

    test::Machine machine;
    BcdStoreData store_;
};

TEST_F(Bcdedit, ErrorsEndWithOneAndLeaveTheStoreAsItWas) {
    machine->Files().AddFile(L"C:\\garbage", {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'o'});
    const std::wstring loader = LoaderId();
    struct Case {
        std::wstring arguments;
        const wchar_t* first;
        const wchar_t* second;
    };
    const Case cases[] = {
        {L"/store C:\\garbage /enum all", L"could not be opened", L"registry database is corrupt"},
        {L"/store \"\" /enum all", L"could not be opened", L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /set {0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19} description x",
         L"reference the specified entry", L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /set {ntldr} path \\ntldr", L"reference the specified entry",
         L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /set {bootmgr} description \"\"", L"setting the element data",
         L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /set {bootmgr} description Windows 7", L"setting the element data",
         L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /set {bootmgr} colour red", L"not recognized", L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /set {bootmgr} osdevice partition=C:", L"not recognized",
         L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /set " + loader + L" device partition=Z:",
         L"setting the element data", L"The device is not valid as specified."},
        {L"/store C:\\Boot\\BCD /set " + loader + L" device C:", L"setting the element data",
         L"The device is not valid as specified."},
        {L"/store C:\\Boot\\BCD /set {bootmgr} timeout soon", L"setting the element data",
         L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /set {bootmgr} GraphicsResolution 640x480",
         L"setting the element data", L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /timeout -1", L"setting the element data",
         L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /default {0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19}",
         L"reference the specified entry", L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /displayorder {memdiag} /addlast", L"reference the specified entry",
         L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /displayorder " + loader + L" {bootmgr} /addlast",
         L"parameter is incorrect", L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /create {bootmgr} /d \"again\"", L"create the specified entry",
         L"already exists"},
        {L"/store C:\\Boot\\BCD /create {ntldr}", L"create the specified entry",
         L"parameter is incorrect"},
        {L"/store C:\\Boot\\BCD /create /d \"x\" /application bootsector",
         L"parameter is incorrect", L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /delete {bootmgr}", L"delete the specified entry",
         L"well-known identifier"},
        {L"/store C:\\Boot\\BCD /delete {ntldr} /f", L"delete the specified entry",
         L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /deletevalue {bootmgr} graphicsresolution",
         L"An error occurred while attempting to delete the specified data element.\r\n",
         L"Element not found"},
        {L"/store C:\\Boot\\BCD /export C:\\no\\folder\\copy", L"export the store",
         L"cannot find the path"},
        {L"/store C:\\Boot\\BCD /import C:\\missing", L"import the store", L"cannot find the file"},
        {L"/store C:\\Boot\\BCD /import C:\\garbage", L"import the store", L"corrupt"},
        // A command line it does not take: three lines.
        {L"/store C:\\Boot\\BCD /frobnicate",
         L"The command specified is not valid.\r\nRun \"bcdedit /?\" for command line "
         L"assistance.\r\n",
         L"assistance.\r\nThe parameter is incorrect.\r\n"},
        {L"/store", L"The command specified is not valid.", L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /enum all extra", L"The enum command specified is not valid.\r\n",
         L"bcdedit /?"},
        {L"/store C:\\Boot\\BCD /set {bootmgr}", L"The set command specified is not valid.",
         L"The parameter is incorrect."},
        // The store's file, its folder, or the system store's partition is not there.
        {L"/store C:\\nothing\\BCD /enum all", L"could not be opened",
         L"cannot find the path specified"},
        {L"/store C:\\BCD /enum all", L"could not be opened", L"cannot find the file specified"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const auto before = StoreBytes();
        const auto run = Run(c.arguments);
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_THAT(run.text, HasSubstr(c.first));
        EXPECT_THAT(run.text, HasSubstr(c.second));
        EXPECT_THAT(run.text, testing::EndsWith(L"\r\n"));
        EXPECT_EQ(StoreBytes(), before);
    }
}

TEST_F(Bcdedit, TheSystemStoreIsTheSystemPartitionsAndAbsentInWindowsPe) {
    EXPECT_EQ(Run(L"/enum all /v").output, Run(L"/store C:\\Boot\\BCD /enum all /v").output);
    test::Machine pe(English("xp_only.xml"));
    const auto run = pe.Capture(L"bcdedit /enum");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.text,
              L"The boot configuration data store could not be opened.\r\n"
              L"The requested system device cannot be found.\r\n");
}

// /enum firmware: on BIOS the boot manager's section alone (it has no path: the boot code finds
// bootmgr by name); on UEFI {fwbootmgr}, then every entry in the firmware's order, Windows Boot
// Manager as the store's {bootmgr}.
TEST_F(Bcdedit, TheFirmwaresListingShowsWindowsBootManagerToo) {
    const auto bios = Run(L"/enum firmware");
    EXPECT_EQ(bios.exitCode, 0u);
    EXPECT_THAT(bios.text, HasSubstr(L"Windows Boot Manager\r\n--------------------\r\n"
                                     L"identifier              {bootmgr}\r\n"));
    EXPECT_THAT(bios.text, testing::Not(HasSubstr(L"{fwbootmgr}")));
    machine->Files().AddFile(L"C:\\Temp\\bcdboot.exe", {'x'});
    ASSERT_EQ(machine.Capture(L"C:\\Temp\\bcdboot.exe C:\\Windows /s C: /f BIOS").exitCode, 0u);
    EXPECT_EQ(Element(kBootmgrGuid, L"path"), nullptr);

    test::Machine uefi(English("uefi_grub_first.xml"));
    const auto listing = uefi.Capture(L"bcdedit /enum firmware").text;
    const auto fw = listing.find(L"identifier              {fwbootmgr}");
    const auto ubuntu = listing.find(L"description             ubuntu");
    const auto windows = listing.find(L"identifier              {bootmgr}");
    ASSERT_NE(fw, std::wstring::npos);
    ASSERT_NE(ubuntu, std::wstring::npos);
    ASSERT_NE(windows, std::wstring::npos);
    EXPECT_LT(fw, ubuntu);
    EXPECT_LT(ubuntu, windows) << "in the firmware's order";
}

// Output goes through the console code page as the real tool's does: an English Windows PE
// shows a Chinese entry name as question marks, a Chinese one shows it intact.
TEST(BcdeditCodePage, NamesTheConsoleCannotHoldComeOutAsQuestionMarks) {
    for (const auto& [language, shown] :
         {std::pair{ToolLanguage::EnUs, L"description             Windows 7 ???\r\n"},
          std::pair{ToolLanguage::ZhCn, L"description             Windows 7 旗舰版\r\n"}}) {
        Scenario scenario = test::ScenarioFile("xp_and_7.xml");
        scenario.language = language;
        for (ScenarioBcdObject& object : scenario.disks[0].partitions[0].stores[0].objects) {
            if (object.type == L"osloader") {
                for (auto& [name, value] : object.elements) {
                    if (name == L"description") {
                        value = L"Windows 7 旗舰版";
                    }
                }
            }
        }
        test::Machine machine(scenario);
        EXPECT_THAT(machine.Capture(L"bcdedit /enum").text, HasSubstr(shown));
    }
}

// {fwbootmgr}'s display order takes /addfirst, /addlast and /remove; naming {bootmgr} when the
// firmware has lost its entry gives it one, made from the system store's boot manager.
TEST(BcdeditFirmware, TheBootOrderIsChangedOneEntryAtATime) {
    Scenario scenario = test::ScenarioFile("uefi_grub_first.xml");
    scenario.language = ToolLanguage::EnUs;
    scenario.firmwareEntries.pop_back();
    test::Machine machine(scenario);
    auto order = [&] {
        std::vector<std::wstring> names;
        for (const FirmwareEntry& entry : machine->FirmwareEntries()) {
            names.push_back(entry.description);
        }
        return names;
    };
    auto run = [&](const wchar_t* arguments) {
        return machine.Capture(std::wstring(L"bcdedit ") + arguments).exitCode;
    };
    ASSERT_THAT(order(), ElementsAre(L"ubuntu"));
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {bootmgr} /addlast"), 0u);
    EXPECT_THAT(order(), ElementsAre(L"ubuntu", L"Windows Boot Manager"));
    const FirmwareEntry& made = machine->FirmwareEntries().back();
    EXPECT_EQ(made.volume, machine->VolumeAt(0, 1)->id);
    EXPECT_EQ(made.path, L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi");
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {bootmgr} /addfirst"), 0u);
    EXPECT_THAT(order(), ElementsAre(L"Windows Boot Manager", L"ubuntu"));
    EXPECT_THAT(machine->Boot().problem, testing::Not(HasSubstr(L"GRUB")))
        << "the firmware starts Windows Boot Manager now";
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {bootmgr} /remove"), 0u);
    EXPECT_THAT(order(), ElementsAre(L"ubuntu"));
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {bootmgr} /remove"), 1u) << "not there";
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19} /addlast"),
              1u)
        << "an entry the firmware does not have";
    EXPECT_EQ(run(L"/set {fwbootmgr} displayorder {bootmgr} /addfirst /addlast"), 1u);
    EXPECT_THAT(order(), ElementsAre(L"ubuntu"));
}

// {fwbootmgr}'s bootsequence is the firmware's BootNext: the listing shows it (with the section
// of an entry outside the order), /set names one entry the firmware has, /deletevalue clears it.
TEST(BcdeditFirmware, TheNextBootIsShownSetAndCleared) {
    Scenario scenario = test::ScenarioFile("uefi_next_boot_grub.xml");
    scenario.language = ToolLanguage::EnUs;
    test::Machine machine(scenario);
    auto run = [&](const wchar_t* arguments) {
        return machine.Capture(std::wstring(L"bcdedit ") + arguments).exitCode;
    };
    ASSERT_TRUE(machine->FirmwareBootNext());
    const std::wstring ubuntu = machine->FirmwareBootNext()->id;
    const std::wstring listing = machine.Capture(L"bcdedit /enum firmware").text;
    EXPECT_THAT(listing, HasSubstr(L"bootsequence            " + ubuntu + L"\r\n"));
    EXPECT_THAT(listing, HasSubstr(L"description             ubuntu\r\n"));
    EXPECT_FALSE(machine->Boot().boots);

    EXPECT_EQ(run(L"/set {fwbootmgr} bootsequence {bootmgr}"), 0u);
    EXPECT_EQ(machine->FirmwareBootNext()->id, kBootmgrGuid);
    EXPECT_TRUE(machine->Boot().boots);
    EXPECT_EQ(run(L"/set {fwbootmgr} bootsequence {0c8a7d3e-2b1f-4e55-9a61-3f0e7b2c4d19}"), 1u)
        << "an entry the firmware does not have";
    EXPECT_EQ(run(L"/set {fwbootmgr} bootsequence {bootmgr} {bootmgr}"), 1u) << "one entry only";
    EXPECT_EQ(run(L"/deletevalue {fwbootmgr} bootsequence"), 0u);
    EXPECT_FALSE(machine->FirmwareBootNext());
    EXPECT_THAT(machine.Capture(L"bcdedit /enum firmware").text,
                testing::Not(HasSubstr(L"bootsequence")));
    EXPECT_EQ(run(L"/deletevalue {fwbootmgr} bootsequence"), 1u) << "nothing to delete";
    EXPECT_TRUE(machine->Boot().boots);
}

TEST_F(Bcdedit, CreatesSetsAndDeletesLikeTheRealTool) {
    auto ok = [&](const std::wstring& arguments) {
        const auto run = Run(L"/store C:\\Boot\\BCD " + arguments);
        EXPECT_EQ(run.exitCode, 0u)
            << testing::PrintToString(arguments) << testing::PrintToString(run.text);
        return run.text;
    };
    EXPECT_EQ(ok(L"/create {ntldr} /d \"Earlier Version of Windows\""),
              L"The entry {ntldr} was successfully created.\r\n");
    EXPECT_EQ(ok(L"/set {ntldr} path \\ntldr"), L"The operation completed successfully.\r\n");
    ok(L"/set {ntldr} device partition=D:");
    ok(L"/set {ntldr} locale \"zh-CN\"");
    ok(L"/displayorder {ntldr} /addlast");
    const std::wstring loader = LoaderId();
    EXPECT_EQ(Element(kBootmgrGuid, L"displayorder")->ids,
              (std::vector<std::wstring>{loader, kNtldrGuid}));
    EXPECT_EQ(Element(kNtldrGuid, L"device")->device.volume, machine->VolumeAtLetter(L'D')->id);
    EXPECT_EQ(Element(kNtldrGuid, L"locale")->text, L"zh-CN") << "quotes are the runtime's";

    const std::wstring created = ok(L"/create /d \"Test Windows\" /application osloader");
    const std::size_t brace = created.find(L'{');
    ASSERT_NE(brace, std::wstring::npos) << testing::PrintToString(created);
    const std::wstring id = created.substr(brace, 38);
    EXPECT_EQ(created, L"The entry " + id + L" was successfully created.\r\n");
    EXPECT_EQ(Element(id, L"description")->text, L"Test Windows");

    ok(L"/displayorder " + id + L" /addfirst");
    EXPECT_THAT(Element(kBootmgrGuid, L"displayorder")->ids, ElementsAre(id, loader, kNtldrGuid));
    ok(L"/displayorder " + id + L" /addlast");
    EXPECT_THAT(Element(kBootmgrGuid, L"displayorder")->ids, ElementsAre(loader, kNtldrGuid, id));
    ok(L"/displayorder {ntldr} /remove");
    EXPECT_THAT(Element(kBootmgrGuid, L"displayorder")->ids, ElementsAre(loader, id));
    ok(L"/displayorder " + id + L" {ntldr} ");
    EXPECT_THAT(Element(kBootmgrGuid, L"displayorder")->ids, ElementsAre(id, kNtldrGuid));
    ok(L"/default " + id);
    ok(L"/timeout 5");
    ok(L"/set {bootmgr} GraphicsResolution 1024x768");
    EXPECT_EQ(Element(kBootmgrGuid, L"default")->text, id);
    EXPECT_EQ(Element(kBootmgrGuid, L"timeout")->number, 5u);
    EXPECT_EQ(Element(kBootmgrGuid, L"graphicsresolution")->text, L"1024x768");

    ok(L"/delete " + id + L" /nocleanup");
    EXPECT_EQ(Element(kBootmgrGuid, L"default")->text, id) << "left to point at nothing";
    ok(L"/delete {ntldr} /f");
    EXPECT_THAT(Element(kBootmgrGuid, L"displayorder")->ids, ElementsAre(id)) << "cleaned up";
    ok(L"/displayorder " + id + L" /remove");
    EXPECT_EQ(Element(kBootmgrGuid, L"displayorder"), nullptr) << "the last one took the list";
    ok(L"/deletevalue {bootmgr} graphicsresolution");
    EXPECT_EQ(Element(kBootmgrGuid, L"graphicsresolution"), nullptr);
}

// A store records the partition, not its letter: bcdedit shows whatever letter it has now.
TEST_F(Bcdedit, PartitionsAreShownByTheirLetterAtTheTimeOfTheListing) {
    const std::wstring loader = LoaderId();
    ASSERT_EQ(Run(L"/store C:\\Boot\\BCD /set " + loader + L" osdevice partition=D:").exitCode, 0u);
    const std::wstring d = machine->VolumeAtLetter(L'D')->id;
    EXPECT_THAT(Run(L"/store C:\\Boot\\BCD /enum " + loader).text,
                HasSubstr(L"osdevice                partition=D:\r\n"));
    ASSERT_EQ(machine->Volumes().DeleteMountPoint(L"D:\\"), 0u);
    EXPECT_THAT(Run(L"/store C:\\Boot\\BCD /enum " + loader).text,
                HasSubstr(L"osdevice                partition=\\Device\\HarddiskVolume2\r\n"));
    ASSERT_EQ(machine->Volumes().SetMountPoint(L"G:\\", fake::FakeVolumePort::NameOf(d)), 0u);
    EXPECT_THAT(Run(L"/store C:\\Boot\\BCD /enum " + loader).text,
                HasSubstr(L"osdevice                partition=G:\r\n"));
}

TEST_F(Bcdedit, ListingsNameObjectsByAliasWithoutVerboseAndByGuidWithIt) {
    const std::wstring loader = LoaderId();
    const std::wstring plain = Run(L"/enum").text;  // the system store, active entries
    EXPECT_THAT(plain, HasSubstr(L"identifier              {bootmgr}\r\n"));
    EXPECT_THAT(plain, HasSubstr(L"identifier              {current}\r\n"));
    EXPECT_THAT(plain, HasSubstr(L"default                 {current}\r\n"));
    EXPECT_EQ(Run(L"").output, Run(L"/enum active").output);
    const std::wstring verbose = Run(L"/v /enum active").text;
    EXPECT_THAT(verbose, HasSubstr(L"identifier              " + std::wstring(kBootmgrGuid)));
    EXPECT_THAT(verbose, HasSubstr(L"default                 " + loader));
    const std::wstring loaders = Run(L"/store C:\\Boot\\BCD /enum osloader /v").text;
    EXPECT_EQ(loaders.find(L"Windows Boot Manager"), std::wstring::npos);
    EXPECT_THAT(loaders, HasSubstr(L"\r\nWindows Boot Loader\r\n-------------------\r\n"));
    EXPECT_EQ(Run(L"/store C:\\Boot\\BCD /enum resume").text,
              L"There are no matching objects or the store is empty.\r\n");
    // /set without an identifier changes the running system's entry.
    ASSERT_EQ(Run(L"/set description \"Windows 7 Ultimate\"").exitCode, 0u);
    EXPECT_EQ(Element(loader, L"description")->text, L"Windows 7 Ultimate");
}

TEST_F(Bcdedit, ExportCopiesTheStoreAndImportBringsItBack) {
    const auto original = StoreBytes();
    ASSERT_EQ(Run(L"/export \"C:\\BCD backup\"").exitCode, 0u);
    EXPECT_EQ(*machine->Files().FileBytes(L"C:\\BCD backup"), original);
    // Exporting again replaces the copy, as bcdedit does; a read-only one it cannot.
    ASSERT_EQ(Run(L"/store C:\\Boot\\BCD /timeout 9").exitCode, 0u);
    ASSERT_EQ(Run(L"/export \"C:\\BCD backup 2\"").exitCode, 0u);
    ASSERT_EQ(Run(L"/export \"C:\\BCD backup 2\"").exitCode, 0u);
    machine->Files().SetAttributes(L"C:\\BCD backup 2", kAttributeReadOnly);
    EXPECT_THAT(Run(L"/export \"C:\\BCD backup 2\"").text, HasSubstr(L"Access is denied."));
    ASSERT_EQ(Run(L"/store C:\\Boot\\BCD /delete " + LoaderId() + L" /f").exitCode, 0u);
    ASSERT_NE(StoreBytes(), original);
    ASSERT_EQ(Run(L"/import \"C:\\BCD backup\"").exitCode, 0u);
    EXPECT_EQ(StoreBytes(), original);
}

// The program's own parser reads the stand-in's listing in every language the machine speaks;
// what it finds is what the store holds.
TEST(BcdeditRoundTrip, TheProgramsParserReadsEveryLanguage) {
    for (ToolLanguage language : {ToolLanguage::ZhCn, ToolLanguage::EnUs, ToolLanguage::DeDe,
                                  ToolLanguage::FrFr, ToolLanguage::JaJp}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(LanguageTag(language))));
        Scenario scenario = test::ScenarioFile("demo.xml");
        scenario.language = language;
        test::Machine machine(scenario);
        const auto run = machine.Capture(L"C:\\Windows\\System32\\bcdedit.exe /enum all /v");
        ASSERT_EQ(run.exitCode, 0u);
        BcdListing listing;
        ParseBcdEnum(listing, run.output, machine.CodePage(), CodePageKind::Oem);
        const BcdStoreData store = OpenStoreFile(machine->Files(), machine->SystemStorePath()).data;
        const BcdObject* manager = FindObject(store, kBootmgrGuid);
        ASSERT_NE(manager, nullptr);
        const std::wstring loader = FindElement(*manager, L"default")->text;
        const std::wstring resume = FindElement(*manager, L"resumeobject")->text;
        EXPECT_EQ(listing.bootManager.identifier, kBootmgrGuid);
        EXPECT_EQ(listing.bootManager.defaultId, loader);
        EXPECT_EQ(listing.bootManager.displayorder, std::vector<std::wstring>{loader});
        EXPECT_EQ(listing.bootManager.timeout, L"30");
        // Every section with a description, a path and a device is an entry to the parser:
        // the loader, its resume object and the memory tester, in the store's order.
        ASSERT_EQ(listing.entries.size(), 3u);
        EXPECT_EQ(listing.entries[0].identifier, loader);
        EXPECT_EQ(listing.entries[0].device, L"partition=C:");
        EXPECT_EQ(listing.entries[0].osdevice, L"partition=C:");
        EXPECT_EQ(listing.entries[0].path, L"\\Windows\\system32\\winload.exe");
        EXPECT_EQ(listing.entries[0].description, L"Windows 7");
        EXPECT_EQ(listing.entries[0].locale, L"zh-CN");
        EXPECT_EQ(listing.entries[1].identifier, resume);
        EXPECT_EQ(listing.entries[1].description, L"Windows Resume Application");
        EXPECT_EQ(listing.entries[2].identifier, kMemDiagGuid);
        EXPECT_EQ(listing.entries[2].device, L"partition=\\Device\\HarddiskVolume1");
    }
}

TEST(BcdeditRoundTrip, TheProgramFindsTheLoaderOfALetterThroughTheStandIn) {
    test::Machine machine(test::ScenarioFile("xp_and_7.xml"));
    const BcdTool tool{machine->Processes(), machine.CodePage(),
                       L"C:\\Windows\\System32\\bcdedit.exe"};
    const BcdStoreData store = OpenStoreFile(machine->Files(), kStore).data;
    const std::wstring loader = FindElement(*FindObject(store, kBootmgrGuid), L"default")->text;
    EXPECT_EQ(FindLoaderIdByLetter(tool, kStore, true, 'C'), loader);
    EXPECT_EQ(FindLoaderIdByLetter(tool, L"", false, 'C'), loader);
    EXPECT_EQ(FindLoaderIdByLetter(tool, kStore, true, 'D'), L"");
}

}  // namespace
}  // namespace qn::sim
