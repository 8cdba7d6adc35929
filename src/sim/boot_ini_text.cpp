#include "sim/boot_ini_text.h"

namespace qn::sim {

std::wstring BootIniText(const ScenarioBootIni& ini) {
    std::wstring text = L"[boot loader]\r\n";
    if (!ini.timeout.empty()) {
        text += L"timeout=" + ini.timeout + L"\r\n";
    }
    if (!ini.defaultArc.empty()) {
        text += L"default=" + ini.defaultArc + L"\r\n";
    }
    text += L"[operating systems]\r\n";
    for (const ScenarioBootIniLine& line : ini.lines) {
        text += line.arc + L"=\"" + line.text + L"\"";
        if (!line.switches.empty()) {
            text += L" " + line.switches;
        }
        text += L"\r\n";
    }
    return text;
}

}  // namespace qn::sim
