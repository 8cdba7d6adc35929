#include "run/log_places.h"

#include <algorithm>

#include "boot/desktop_folder.h"
#include "boot/text_helpers.h"

namespace qn {

std::vector<LogPlace> LogPlaces(FileSystem& files, bool isWinPE, char firstRepairedLetter) {
    const std::wstring root =
        firstRepairedLetter != 0 ? DriveText(firstRepairedLetter) + L"\\" : std::wstring();
    const std::wstring desktop = DesktopFolder(files);
    std::wstring program = files.FolderPath(KnownFolder::Program);
    if (!program.empty() && program.back() != L'\\') {
        program += L'\\';
    }
    std::vector<LogPlace> places;
    auto add = [&](const std::wstring& folder, bool lost) {
        const bool known = std::any_of(places.begin(), places.end(), [&](const LogPlace& p) {
            return EqualsIgnoringCase(p.folder, folder);
        });
        if (!folder.empty() && !known) {
            places.push_back({folder, lost});
        }
    };
    if (isWinPE) {
        add(root, false);
        add(desktop, true);
    } else {
        add(desktop, false);
        add(root, false);
    }
    // A program started from the PE image itself lives on its RAM drive too.
    const std::wstring system = files.FolderPath(KnownFolder::System);
    add(program, isWinPE && program.size() >= 2 && system.size() >= 2 &&
                     EqualsIgnoringCase(program.substr(0, 2), system.substr(0, 2)));
    return places;
}

std::wstring LogFolder(FileSystem& files, bool isWinPE, char firstRepairedLetter) {
    if (isWinPE) {
        return firstRepairedLetter != 0 ? DriveText(firstRepairedLetter) + L"\\" : std::wstring();
    }
    return DesktopFolder(files);
}

}  // namespace qn
