// The menu names a repair gives the systems it selects: twins get their drive letters.
#include <gtest/gtest.h>

#include "run/menu_names.h"

namespace qn {
namespace {

struct System {
    char letter;
    const wchar_t* name;
    bool selected;
};

TEST(MenuNames, OnlySelectedTwinsGetTheirLetters) {
    struct Case {
        const char* what;
        std::vector<System> systems;
        std::map<char, std::wstring> names;
    } cases[] = {
        {"same names",
         {{'C', L"Windows 7 Ultimate x64", true}, {'D', L"Windows 7 Ultimate x64", true}},
         {{'C', L"Windows 7 Ultimate x64 (C:)"}, {'D', L"Windows 7 Ultimate x64 (D:)"}}},
        {"different names",
         {{'C', L"Windows 7 Ultimate x64", true}, {'D', L"Windows 10 Pro x64", true}},
         {{'C', L"Windows 7 Ultimate x64"}, {'D', L"Windows 10 Pro x64"}}},
        {"three alike beside a unique one",
         {{'C', L"Windows 10 Pro x64", true},
          {'D', L"Windows 7 Ultimate x64", true},
          {'E', L"Windows 10 Pro x64", true},
          {'F', L"Windows 10 Pro x64", true}},
         {{'C', L"Windows 10 Pro x64 (C:)"},
          {'D', L"Windows 7 Ultimate x64"},
          {'E', L"Windows 10 Pro x64 (E:)"},
          {'F', L"Windows 10 Pro x64 (F:)"}}},
        // A 32-bit twin left out (a GPT boot disk) gets no line, so the other keeps its name.
        {"a 32-bit one not selected",
         {{'C', L"Windows 7 Ultimate x86", true}, {'D', L"Windows 7 Ultimate x86", false}},
         {{'C', L"Windows 7 Ultimate x86"}}},
        // People read these as the same name at boot.
        {"names that differ only in case",
         {{'C', L"Windows 7 Ultimate x64", true}, {'D', L"WINDOWS 7 ultimate X64", true}},
         {{'C', L"Windows 7 Ultimate x64 (C:)"}, {'D', L"WINDOWS 7 ultimate X64 (D:)"}}},
        {"Chinese names",
         {{'D', L"Windows 7 旗舰版 x64", true}, {'E', L"Windows 7 旗舰版 x64", true}},
         {{'D', L"Windows 7 旗舰版 x64 (D:)"}, {'E', L"Windows 7 旗舰版 x64 (E:)"}}},
        {"nothing selected", {{'C', L"Windows 10 Pro x64", false}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstallationTable table;
        for (const System& system : c.systems) {
            WindowsInstall& install = table[system.letter];
            install.driveLetter = system.letter;
            install.displayName = system.name;
            install.selected = system.selected ? 1 : 0;
        }
        EXPECT_EQ(DistinctMenuNames(table), c.names);
    }
}

}  // namespace
}  // namespace qn
