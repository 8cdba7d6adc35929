#include "run/repair_verification.h"

#include <algorithm>

#include "boot/text_helpers.h"
#include "run/menu_names.h"

namespace qn {
namespace {

// Twins are told apart only by their menu lines, so the user hears which line is whose, and
// hears it when a line does not read as the run wrote it.
std::wstring MenuTextNote(const SystemCheck& check, const std::wstring& expected,
                          const std::wstring& displayName) {
    if (check.menuText.empty()) {
        return {};
    }
    if (!EqualsIgnoringCase(check.menuText, expected)) {
        return L"，但启动菜单中显示为 “" + check.menuText + L"”，应为 “" + expected + L"”";
    }
    if (!EqualsIgnoringCase(expected, displayName)) {
        return L"，启动菜单中显示为 “" + expected + L"”";
    }
    return {};
}

}  // namespace

std::vector<SystemCheck> VerifyRepair(RepairRun& run, const InstallationTable& installations,
                                      const BootDiagnosis& judged) {
    const std::map<char, std::wstring> names = DistinctMenuNames(installations);
    std::vector<SystemCheck> checks;
    for (const auto& [letter, system] : installations) {
        if (system.selected == 0) {
            continue;
        }
        SystemCheck check;
        check.letter = letter;
        check.name = system.displayName;
        const auto found = std::find_if(
            judged.installations.begin(), judged.installations.end(),
            [letter = letter](const InstallationDiagnosis& i) { return i.letter == letter; });
        if (found != judged.installations.end()) {
            check.bootable = found->bootable;
            check.isDefault = found->isDefault;
            check.reason = found->reason;
        } else {
            check.reason = DiagnosisStatus(judged);
        }
        check.certain =
            check.bootable || ((judged.menuReached || !judged.unseen) && !FirmwareInDoubt(judged));
        // ntldr's own menu is behind a chain entry whose text is the store's, not the system's.
        const bool chained = system.version < 6.0f && judged.menuSource == MenuSource::Bcd;
        if (found != judged.installations.end() && !chained) {
            check.menuText = found->menuText;
        }
        const std::wstring who = L"验证: " + DriveText(letter) + L" " + system.displayName;
        const auto expected = names.find(letter);
        const std::wstring menuNote =
            MenuTextNote(check, expected != names.end() ? expected->second : system.displayName,
                         system.displayName);
        if (check.bootable) {
            run.Row(who + L" 可以启动" + (check.isDefault ? L"（默认启动项）" : L"") + menuNote);
        } else if (!check.certain) {
            run.Row(who + L" 无法确认能否启动: " + check.reason);
        } else {
            // The run's last row carries the verdict; this row is not a failed step of its own.
            run.Row(who + L" 无法启动: " + check.reason + menuNote);
        }
        checks.push_back(std::move(check));
    }
    const bool defaultNamed =
        std::any_of(checks.begin(), checks.end(), [](const SystemCheck& c) { return c.isDefault; });
    if (!defaultNamed && judged.menuReached) {
        const auto entry = std::find_if(judged.menu.begin(), judged.menu.end(),
                                        [](const MenuEntryDiagnosis& e) { return e.isDefault; });
        run.Row(entry == judged.menu.end() ? std::wstring(L"验证: 启动菜单没有有效的默认启动项")
                : entry->reaches
                    ? L"验证: 默认启动项为 " + entry->description
                    : L"验证: 默认启动项 " + entry->description + L" " + entry->problem);
    }
    return checks;
}

}  // namespace qn
