#include "sim/scenario_boot_reader.h"
#include "boot/utf8_text.h"

#include <algorithm>
#include <cwchar>

#include "sim/scenario_store_builder.h"

namespace qn::sim {
namespace {

bool Exists(const Scenario& scenario, const ScenarioPartitionRef& ref) {
    for (const ScenarioDisk& disk : scenario.disks) {
        if (disk.number == ref.disk) {
            return ref.position >= 1 &&
                   static_cast<std::size_t>(ref.position) <= disk.partitions.size();
        }
    }
    return false;
}

std::string RefText(const ScenarioPartitionRef& ref) {
    return std::to_string(ref.disk) + ":" + std::to_string(ref.position);
}

bool PartitionRef(XmlReader& reader, const XmlNode* node, const char* name,
                  ScenarioPartitionRef& out) {
    const auto text = reader.Attr(node, name);
    if (!text) {
        return reader.Fail(std::string("missing attribute ") + name);
    }
    const auto ref = ParsePartitionRef(Utf8ToWide(*text));
    if (!ref) {
        return reader.Fail(std::string("attribute ") + name +
                           " must name a partition as DISK:N, not \"" + *text + "\"");
    }
    out = *ref;
    return true;
}

bool RootedPath(XmlReader& reader, const std::wstring& path, const char* what) {
    if (path.empty() || path.front() != L'\\') {
        return reader.Fail(std::string(what) + " needs a path starting with a backslash");
    }
    return true;
}

}  // namespace

bool ReadMachineBootAttributes(XmlReader& reader, const XmlNode* root, Scenario& scenario) {
    const std::string firmware = reader.Attr(root, "firmware").value_or("bios");
    if (firmware == "bios") {
        scenario.firmware = Firmware::Bios;
    } else if (firmware == "uefi") {
        scenario.firmware = Firmware::Uefi;
    } else {
        return reader.Fail("attribute firmware must be bios or uefi, not \"" + firmware + "\"");
    }
    if (const auto pe = reader.Attr(root, "pefirmware")) {
        if (*pe != "bios" && *pe != "uefi") {
            return reader.Fail("attribute pefirmware must be bios or uefi, not \"" + *pe + "\"");
        }
        if (!scenario.winPE) {
            return reader.Fail("attribute pefirmware needs winpe=\"true\"");
        }
        scenario.peFirmware = *pe == "bios" ? Firmware::Bios : Firmware::Uefi;
    }
    const std::string arch = reader.Attr(root, "firmwarearch").value_or("x64");
    if (arch == "x64") {
        scenario.firmwareArchitecture = FirmwareArchitecture::X64;
    } else if (arch == "x86") {
        scenario.firmwareArchitecture = FirmwareArchitecture::X86;
    } else if (arch == "arm64") {
        scenario.firmwareArchitecture = FirmwareArchitecture::Arm64;
    } else {
        return reader.Fail("attribute firmwarearch must be x64, x86 or arm64, not \"" + arch +
                           "\"");
    }
    if (const auto language = reader.Attr(root, "language")) {
        const auto known = LanguageFromTag(Utf8ToWide(*language));
        if (!known) {
            return reader.Fail(
                "attribute language must be zh-CN, en-US, de-DE, fr-FR or "
                "ja-JP, not \"" +
                *language + "\"");
        }
        scenario.language = *known;
    }
    if (const auto system = reader.Attr(root, "systempartition")) {
        if (*system == "none") {
            scenario.systemPartitionNone = true;
        } else {
            ScenarioPartitionRef ref;
            if (!PartitionRef(reader, root, "systempartition", ref)) {
                return false;
            }
            scenario.systemPartition = ref;
        }
    }
    if (reader.Attr(root, "bootdisk")) {
        std::uint64_t disk = 0;
        if (!reader.Number(root, "bootdisk", 15, disk)) {
            return false;
        }
        scenario.biosBootDisk = static_cast<std::uint32_t>(disk);
    }
    if (const auto tools = reader.Attr(root, "tools")) {
        std::vector<std::wstring> names;
        std::size_t at = 0;
        const std::wstring text = Utf8ToWide(*tools);
        while (at < text.size()) {
            const std::size_t start = text.find_first_not_of(L' ', at);
            if (start == std::wstring::npos) {
                break;
            }
            const std::size_t end = std::min(text.find(L' ', start), text.size());
            const std::wstring name = text.substr(start, end - start);
            if (name != L"bcdedit" && name != L"bcdboot" && name != L"bootsect") {
                return reader.Fail("attribute tools lists bcdedit, bcdboot and bootsect only");
            }
            names.push_back(name);
            at = end;
        }
        scenario.systemTools = names;
    }
    return true;
}

bool ReadFirmwareEntry(XmlReader& reader, const XmlNode* node, ScenarioFirmwareEntry& entry) {
    if (!reader.KnownAttributes(node, {"description", "partition", "path", "order", "next"})) {
        return false;
    }
    entry.description = reader.Text(node, "description");
    entry.path = reader.Text(node, "path");
    if (!reader.Bool(node, "order", true, entry.inOrder) ||
        !reader.Bool(node, "next", false, entry.next)) {
        return false;
    }
    if (!entry.inOrder && !entry.next) {
        return reader.Fail(
            "a boot entry out of the boot order must be the next boot (next=\"true\")");
    }
    return PartitionRef(reader, node, "partition", entry.partition) &&
           RootedPath(reader, entry.path, "a boot entry");
}

bool ReadFailure(XmlReader& reader, const XmlNode* node, ScenarioFailure& failure) {
    if (!reader.KnownAttributes(node, {"tool", "args", "exit", "message", "times"})) {
        return false;
    }
    failure.tool = reader.Text(node, "tool");
    if (failure.tool != L"bcdedit" && failure.tool != L"bcdboot" && failure.tool != L"bootsect") {
        return reader.Fail("a failure's tool must be bcdedit, bcdboot or bootsect");
    }
    failure.pattern = reader.Text(node, "args", "*");
    failure.message = reader.Text(node, "message");
    std::uint64_t exit = 1;
    if (reader.Attr(node, "exit") && !reader.Number(node, "exit", 0xFFFFFFFF, exit)) {
        return false;
    }
    failure.exitCode = static_cast<unsigned long>(exit);
    std::uint64_t times = 1;
    if (reader.Attr(node, "times") && !reader.Number(node, "times", 1000, times)) {
        return false;
    }
    failure.times = static_cast<int>(times);
    return true;
}

bool ReadSlowRun(XmlReader& reader, const XmlNode* node, ScenarioSlowRun& slow) {
    if (!reader.KnownAttributes(node, {"tool", "args", "ms", "times"})) {
        return false;
    }
    slow.tool = reader.Text(node, "tool");
    if (slow.tool != L"bcdedit" && slow.tool != L"bcdboot" && slow.tool != L"bootsect") {
        return reader.Fail("a slow run's tool must be bcdedit, bcdboot or bootsect");
    }
    slow.pattern = reader.Text(node, "args", "*");
    if (!reader.Attr(node, "ms")) {
        return reader.Fail("a slow run needs ms");
    }
    // Ten minutes: longer than any limit the program sets, short enough for a test to end.
    std::uint64_t ms = 0;
    if (!reader.Number(node, "ms", 600000, ms)) {
        return false;
    }
    slow.ms = static_cast<std::uint32_t>(ms);
    std::uint64_t times = 1;
    if (reader.Attr(node, "times") && !reader.Number(node, "times", 1000, times)) {
        return false;
    }
    slow.times = static_cast<int>(times);
    return true;
}

bool ReadStore(XmlReader& reader, const XmlNode* node, bool onEsp, ScenarioStore& store) {
    if (!reader.KnownAttributes(node, {"path"})) {
        return false;
    }
    store.path = reader.Text(node, "path", onEsp ? "\\EFI\\Microsoft\\Boot\\BCD" : "\\Boot\\BCD");
    if (!RootedPath(reader, store.path, "a store")) {
        return false;
    }
    for (const XmlNode* child = node->first_node(); child; child = child->next_sibling()) {
        if (child->type() != rapidxml::node_element) {
            continue;
        }
        ScenarioBcdObject object;
        object.type = Utf8ToWide(XmlReader::NameOf(child));
        if (ObjectTypeOfTag(object.type) == 0) {
            return reader.Fail("unknown element <" + XmlReader::NameOf(child) + "> in a store");
        }
        // Its other attributes are element names, which building the store checks.
        if (!reader.UniqueAttributes(child)) {
            return false;
        }
        for (const auto* a = child->first_attribute(); a; a = a->next_attribute()) {
            const std::string name(a->name(), a->name_size());
            const std::wstring value = Utf8ToWide(std::string_view(a->value(), a->value_size()));
            if (name == "name") {
                object.name = value;
            } else if (name == "id") {
                object.id = value;
            } else {
                object.elements.emplace_back(Utf8ToWide(name), value);
            }
        }
        store.objects.push_back(std::move(object));
    }
    return true;
}

bool ReadBootIni(XmlReader& reader, const XmlNode* node, ScenarioBootIni& ini) {
    if (!reader.KnownAttributes(node, {"timeout", "default"})) {
        return false;
    }
    ini.timeout = reader.Text(node, "timeout");
    ini.defaultArc = reader.Text(node, "default");
    for (const XmlNode* child = node->first_node(); child; child = child->next_sibling()) {
        if (child->type() != rapidxml::node_element) {
            continue;
        }
        if (XmlReader::NameOf(child) != "os") {
            return reader.Fail("unknown element <" + XmlReader::NameOf(child) + "> in boot.ini");
        }
        if (!reader.KnownAttributes(child, {"arc", "text", "switches"})) {
            return false;
        }
        ScenarioBootIniLine line;
        line.arc = reader.Text(child, "arc");
        line.text = reader.Text(child, "text");
        line.switches = reader.Text(child, "switches");
        if (line.arc.empty() || line.arc.find(L'=') != std::wstring::npos) {
            return reader.Fail("a boot.ini line needs an ARC path without \"=\"");
        }
        ini.lines.push_back(std::move(line));
    }
    return true;
}

bool CheckBootReferences(XmlReader& reader, const Scenario& scenario) {
    if (scenario.systemPartition && !Exists(scenario, *scenario.systemPartition)) {
        return reader.Fail("systempartition " + RefText(*scenario.systemPartition) +
                           " is not on the machine");
    }
    if (scenario.biosBootDisk) {
        bool found = false;
        for (const ScenarioDisk& disk : scenario.disks) {
            found = found || disk.number == *scenario.biosBootDisk;
        }
        if (!found) {
            return reader.Fail("bootdisk " + std::to_string(*scenario.biosBootDisk) +
                               " is not on the machine");
        }
    }
    if (std::count_if(scenario.firmwareEntries.begin(), scenario.firmwareEntries.end(),
                      [](const ScenarioFirmwareEntry& entry) { return entry.next; }) > 1) {
        return reader.Fail("only one boot entry can be the next boot");
    }
    for (const ScenarioFirmwareEntry& entry : scenario.firmwareEntries) {
        if (!Exists(scenario, entry.partition)) {
            return reader.Fail("a boot entry names partition " + RefText(entry.partition) +
                               ", which is not on the machine");
        }
    }
    int counter = 0;
    StoreBuildContext context;
    context.selfVolume = L"self";
    context.volumeOf = [&](const ScenarioPartitionRef& ref) -> std::optional<std::wstring> {
        return Exists(scenario, ref) ? std::optional<std::wstring>(L"volume") : std::nullopt;
    };
    context.newGuid = [&counter] {
        wchar_t text[40];
        std::swprintf(text, 40, L"{00000000-0000-4000-8000-%012x}", ++counter);
        return std::wstring(text);
    };
    for (const ScenarioDisk& disk : scenario.disks) {
        for (const ScenarioPartition& partition : disk.partitions) {
            for (const ScenarioStore& store : partition.stores) {
                auto built = BuildScenarioStore(store, context);
                if (auto* error = std::get_if<std::string>(&built)) {
                    return reader.Fail("the store " + WideToUtf8(store.path) + " on disk " +
                                       std::to_string(disk.number) + ": " + *error);
                }
            }
        }
    }
    return true;
}

}  // namespace qn::sim
