#include "sim/scenario_reader.h"
#include "boot/utf8_text.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/random_source.h"
#include "sim/boot_code_kind.h"
#include "sim/lower_case.h"
#include "sim/scenario_boot_reader.h"
#include "sim/scenario_xml.h"

namespace qn::sim {
namespace {

constexpr std::uint8_t kMbrEspType = 0xEF;

class Reader : public XmlReader {
public:
    bool GuidText(const std::string& text, Guid& out) {
        // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
        if (text.size() != 38 || text.front() != '{' || text.back() != '}') {
            return false;
        }
        std::string hex;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            const char c = text[i];
            if (i == 9 || i == 14 || i == 19 || i == 24) {
                if (c != '-') {
                    return false;
                }
                continue;
            }
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return false;
            }
            hex.push_back(c);
        }
        auto part = [&](std::size_t at, std::size_t len) {
            return std::strtoull(hex.substr(at, len).c_str(), nullptr, 16);
        };
        out.data1 = static_cast<std::uint32_t>(part(0, 8));
        out.data2 = static_cast<std::uint16_t>(part(8, 4));
        out.data3 = static_cast<std::uint16_t>(part(12, 4));
        for (std::size_t i = 0; i < 8; ++i) {
            out.data4[i] = static_cast<std::uint8_t>(part(16 + 2 * i, 2));
        }
        return true;
    }

    bool Install(const XmlNode* node, ScenarioInstall& install) {
        if (!KnownAttributes(node,
                             {"product", "version", "arch", "running", "readable", "bootfiles"})) {
            return false;
        }
        install.productName = Text(node, "product");
        install.currentVersion = Text(node, "version");
        const std::string arch = Attr(node, "arch").value_or("x64");
        if (arch != "x64" && arch != "x86") {
            return Fail("attribute arch must be x64 or x86, not \"" + arch + "\"");
        }
        install.x64 = arch == "x64";
        return Bool(node, "running", false, install.running) &&
               Bool(node, "readable", true, install.productReadable) &&
               Bool(node, "bootfiles", true, install.bootFiles);
    }

    bool FileContent(const XmlNode* node, const std::string& path, ScenarioFileContent& content) {
        const auto text = Attr(node, "text");
        const auto base64 = Attr(node, "base64");
        const auto encoding = Attr(node, "encoding");
        const int given = (text ? 1 : 0) + (base64 ? 1 : 0) + (Attr(node, "image") ? 1 : 0);
        if (given > 1) {
            return Fail("the file " + path + " takes one of text, base64 and image");
        }
        if (encoding && !text) {
            return Fail("attribute encoding of the file " + path + " applies to text only");
        }
        if (base64) {
            auto bytes = Base64(*base64);
            if (!bytes) {
                return Fail("the file " + path + " has malformed base64");
            }
            content.bytes = std::move(*bytes);
            return true;
        }
        content.isText = true;
        content.text = Utf8ToWide(*text);
        const std::string name = encoding.value_or("utf-8");
        if (name == "utf-8") {
            content.encoding = FileTextEncoding::Utf8;
        } else if (name == "ansi") {
            content.encoding = FileTextEncoding::Ansi;
        } else if (name == "utf-16") {
            content.encoding = FileTextEncoding::Utf16;
        } else {
            return Fail("attribute encoding must be utf-8, ansi or utf-16, not \"" + name + "\"");
        }
        return true;
    }

    bool File(const XmlNode* node, ScenarioPartition& p) {
        if (!KnownAttributes(node, {"path", "image", "text", "base64", "encoding"})) {
            return false;
        }
        const auto path = Attr(node, "path");
        if (!path || path->empty() || (*path)[0] != '\\') {
            return Fail("a file needs a path starting with a backslash");
        }
        const std::wstring wide = Utf8ToWide(*path);
        p.files.push_back(wide);
        if (Attr(node, "text") || Attr(node, "base64") || Attr(node, "encoding")) {
            ScenarioFileContent content;
            if (!FileContent(node, *path, content)) {
                return false;
            }
            p.fileContents[wide] = std::move(content);
            return true;
        }
        if (const auto image = Attr(node, "image")) {
            const auto kind = FileImageFromName(Utf8ToWide(*image));
            if (!kind) {
                return Fail(
                    "attribute image must be empty, bootmgr, bootmgfw, ntldr, ntdetect, "
                    "winload, winloadefi, grub or other, not \"" +
                    *image + "\"");
            }
            p.fileImages[wide] = *kind;
        }
        return true;
    }

    bool OpenFile(const XmlNode* node, ScenarioPartition& p) {
        if (!KnownAttributes(node, {"path"})) {
            return false;
        }
        const auto path = Attr(node, "path");
        if (!path || path->empty() || (*path)[0] != '\\') {
            return Fail("an open file needs a path starting with a backslash");
        }
        p.openFiles.push_back(Utf8ToWide(*path));
        return true;
    }

    bool DeletedFile(const XmlNode* node, ScenarioPartition& p) {
        if (!KnownAttributes(node, {"path"})) {
            return false;
        }
        const auto path = Attr(node, "path");
        if (!path || path->empty() || (*path)[0] != '\\') {
            return Fail("a deleted file needs a path starting with a backslash");
        }
        p.deletedFiles.push_back(Utf8ToWide(*path));
        return true;
    }

    // The machine writes stores and boot.ini over the scenario's files: content given for the
    // same path would be lost.
    bool ContentKept(const ScenarioPartition& p) {
        for (const auto& [path, content] : p.fileContents) {
            const std::wstring lower = LowerCase(path);
            bool overwritten = p.bootIni && lower == L"\\boot.ini";
            for (const ScenarioStore& store : p.stores) {
                overwritten = overwritten || lower == LowerCase(store.path);
            }
            if (overwritten) {
                return Fail("the file " + WideToUtf8(path) +
                            " has content, but a <bcd> or <bootini> of its partition writes it");
            }
        }
        return true;
    }

    bool PartitionBoot(const XmlNode* node, ScenarioPartition& p) {
        if (const auto code = Attr(node, "pbr")) {
            const auto kind = BootRecordCodeFromName(Utf8ToWide(*code));
            if (!kind) {
                return Fail(
                    "attribute pbr must be bootmgr, ntldr, grub, bitlocker, none or "
                    "other, not \"" +
                    *code + "\"");
            }
            p.bootCode = *kind;
        }
        if (Attr(node, "free")) {
            std::uint64_t free = 0;
            if (!Size(node, "free", free, true)) {
                return false;
            }
            if (free > static_cast<std::uint64_t>(p.length)) {
                return Fail("attribute free is larger than the partition");
            }
            p.freeBytes = free;
        }
        if (!Bool(node, "lockfails", false, p.lockFails) ||
            !Bool(node, "spanned", false, p.spanned) || !Bool(node, "locked", false, p.locked)) {
            return false;
        }
        // Only an encrypted volume can be locked; its boot record says so.
        if (p.locked && p.bootCode != BootRecordCode::BitLocker) {
            return Fail("attribute locked needs pbr=\"bitlocker\"");
        }
        return true;
    }

    bool Partition(const XmlNode* node, PartitionStyle style, ScenarioPartition& p) {
        if (!KnownAttributes(
                node, {"offset", "length", "type", "active", "gpttype", "letter", "label", "fs",
                       "pbr", "free", "lockfails", "spanned", "locked"})) {
            return false;
        }
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        if (!Size(node, "offset", offset, true) || !Size(node, "length", length, true)) {
            return false;
        }
        p.offset = static_cast<std::int64_t>(offset);
        p.length = static_cast<std::int64_t>(length);
        if (!PartitionType(node, style, p)) {
            return false;
        }
        if (const auto letter = Attr(node, "letter")) {
            if (letter->size() != 1 || !std::isalpha(static_cast<unsigned char>((*letter)[0]))) {
                return Fail("attribute letter must be one letter, not \"" + *letter + "\"");
            }
            p.letter = static_cast<char>(std::toupper(static_cast<unsigned char>((*letter)[0])));
        }
        p.label = Text(node, "label");
        p.fileSystem = Text(node, "fs", "NTFS");
        if (!PartitionBoot(node, p)) {
            return false;
        }
        const bool onEsp = style == PartitionStyle::Gpt ? p.gptType == kEfiSystemPartitionType
                                                        : p.mbrType == kMbrEspType;
        for (const XmlNode* child = node->first_node(); child; child = child->next_sibling()) {
            if (child->type() == rapidxml::node_element && !PartitionContent(child, onEsp, p)) {
                return false;
            }
        }
        if (p.locked && p.install && p.install->running) {
            return Fail("the running Windows' volume is unlocked: it cannot be locked");
        }
        return ContentKept(p);
    }

    // A GPT partition's type GUID, or an MBR partition's type byte and active flag.
    bool PartitionType(const XmlNode* node, PartitionStyle style, ScenarioPartition& p) {
        if (style != PartitionStyle::Gpt) {
            std::uint64_t type = 7;
            if (Attr(node, "type") && !Number(node, "type", 0xFF, type)) {
                return false;
            }
            p.mbrType = static_cast<std::uint8_t>(type);
            return Bool(node, "active", false, p.active);
        }
        const std::string type = Attr(node, "gpttype").value_or("basic");
        if (type == "esp") {
            p.gptType = kEfiSystemPartitionType;
        } else if (type == "basic") {
            p.gptType = kBasicDataPartitionType;
        } else if (type == "recovery") {
            p.gptType = kRecoveryPartitionType;
        } else if (type == "msr") {
            p.gptType = kMsReservedPartitionType;
        } else if (!GuidText(type, p.gptType)) {
            return Fail("attribute gpttype is not esp, basic, recovery, msr or a GUID: \"" + type +
                        "\"");
        }
        return true;
    }

    // One element inside a partition: a file, a Windows installation, a store, a boot.ini.
    bool PartitionContent(const XmlNode* child, bool onEsp, ScenarioPartition& p) {
        const std::string name = NameOf(child);
        if (name == "file") {
            return File(child, p);
        }
        if (name == "open") {
            return OpenFile(child, p);
        }
        if (name == "deleted") {
            return DeletedFile(child, p);
        }
        if (name == "windows") {
            if (p.install) {
                return Fail("a partition holds one Windows installation at most");
            }
            ScenarioInstall install;
            if (!Install(child, install)) {
                return false;
            }
            p.install = install;
            return true;
        }
        if (name == "bcd") {
            ScenarioStore store;
            if (!ReadStore(*this, child, onEsp, store)) {
                return false;
            }
            p.stores.push_back(std::move(store));
            return true;
        }
        if (name == "bootini") {
            if (p.bootIni) {
                return Fail("a partition holds one boot.ini at most");
            }
            ScenarioBootIni ini;
            if (!ReadBootIni(*this, child, ini)) {
                return false;
            }
            p.bootIni = std::move(ini);
            return true;
        }
        return Fail("unknown element <" + name + "> in a partition");
    }

    bool Disk(const XmlNode* node, ScenarioDisk& disk) {
        if (!KnownAttributes(node, {"number", "style", "size", "removable", "vendor", "product",
                                    "mbr", "unreadable"})) {
            return false;
        }
        std::uint64_t number = 0;
        if (!Number(node, "number", 15, number) || !Size(node, "size", disk.size, true)) {
            return false;
        }
        disk.number = static_cast<std::uint32_t>(number);
        const std::string style = Attr(node, "style").value_or("mbr");
        if (style == "mbr") {
            disk.style = PartitionStyle::Mbr;
        } else if (style == "gpt") {
            disk.style = PartitionStyle::Gpt;
        } else if (style == "raw") {
            disk.style = PartitionStyle::Raw;
        } else {
            return Fail("attribute style must be mbr, gpt or raw, not \"" + style + "\"");
        }
        if (!Bool(node, "removable", false, disk.removable) ||
            !Bool(node, "unreadable", false, disk.sectorsUnreadable)) {
            return false;
        }
        if (const auto code = Attr(node, "mbr")) {
            const auto kind = MbrCodeFromName(Utf8ToWide(*code));
            if (!kind) {
                return Fail("attribute mbr must be nt60, nt52, grub, none or other, not \"" +
                            *code + "\"");
            }
            disk.mbrCode = *kind;
        }
        disk.vendor = Attr(node, "vendor").value_or("");
        disk.product = Attr(node, "product").value_or("");
        for (const XmlNode* child = node->first_node(); child; child = child->next_sibling()) {
            const std::string name = NameOf(child);
            if (name == "partition") {
                if (disk.style == PartitionStyle::Raw) {
                    return Fail("a raw disk has no partitions");
                }
                ScenarioPartition& p = disk.partitions.emplace_back();
                if (!Partition(child, disk.style, p)) {
                    return false;
                }
                if (static_cast<std::uint64_t>(p.offset) + static_cast<std::uint64_t>(p.length) >
                    disk.size) {
                    return Fail("a partition of disk " + std::to_string(disk.number) +
                                " ends beyond the disk");
                }
            } else if (child->type() == rapidxml::node_element) {
                return Fail("unknown element <" + name + "> in a disk");
            }
        }
        return true;
    }

    bool Machine(const XmlNode* root, Scenario& scenario) {
        if (!KnownAttributes(
                root, {"name", "winpe", "firmware", "pefirmware", "firmwarearch", "language",
                       "systempartition", "bootdisk", "tools", "regdelay", "systemfilesopen"})) {
            return false;
        }
        scenario.name = Text(root, "name");
        if (!Bool(root, "winpe", false, scenario.winPE) ||
            !Bool(root, "systemfilesopen", true, scenario.systemFilesOpen) ||
            !ReadMachineBootAttributes(*this, root, scenario)) {
            return false;
        }
        if (Attr(root, "regdelay")) {
            std::uint64_t delay = 0;
            if (!Number(root, "regdelay", 60000, delay)) {
                return false;
            }
            scenario.regLoadDelayMs = static_cast<int>(delay);
        }
        std::set<std::uint32_t> numbers;
        std::set<char> letters;
        int running = 0;
        for (const XmlNode* child = root->first_node(); child; child = child->next_sibling()) {
            if (child->type() != rapidxml::node_element) {
                continue;
            }
            const std::string name = NameOf(child);
            if (name == "bootentry") {
                if (!ReadFirmwareEntry(*this, child, scenario.firmwareEntries.emplace_back())) {
                    return false;
                }
                continue;
            }
            if (name == "fail") {
                if (!ReadFailure(*this, child, scenario.failures.emplace_back())) {
                    return false;
                }
                continue;
            }
            if (name == "slow") {
                if (!ReadSlowRun(*this, child, scenario.slowRuns.emplace_back())) {
                    return false;
                }
                continue;
            }
            if (name != "disk") {
                return Fail("unknown element <" + name + "> in the machine");
            }
            ScenarioDisk& disk = scenario.disks.emplace_back();
            if (!Disk(child, disk)) {
                return false;
            }
            if (!numbers.insert(disk.number).second) {
                return Fail("disk " + std::to_string(disk.number) + " is described twice");
            }
            for (const ScenarioPartition& p : disk.partitions) {
                if (p.letter != 0 && !letters.insert(p.letter).second) {
                    return Fail(std::string("letter ") + p.letter + " is given twice");
                }
                if (p.install && p.install->running) {
                    ++running;
                }
            }
        }
        if (running > 1) {
            return Fail("only one installation can be the running system");
        }
        return CheckBootReferences(*this, scenario);
    }
};

}  // namespace

std::variant<Scenario, ScenarioError> ReadScenario(std::string_view xml) {
    // rapidxml parses in place and needs a terminating zero.
    std::vector<char> buffer(xml.begin(), xml.end());
    buffer.push_back('\0');
    rapidxml::xml_document<char> document;
    try {
        document.parse<rapidxml::parse_default>(buffer.data());
    } catch (const rapidxml::parse_error& e) {
        return ScenarioError{std::string("not well-formed XML: ") + e.what()};
    }
    const XmlNode* root = document.first_node("machine");
    if (root == nullptr) {
        return ScenarioError{"the root element must be <machine>"};
    }
    Reader reader;
    Scenario scenario;
    if (!reader.Machine(root, scenario)) {
        return ScenarioError{reader.error};
    }
    return scenario;
}

}  // namespace qn::sim
