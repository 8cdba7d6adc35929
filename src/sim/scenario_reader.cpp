#include "sim/scenario_reader.h"

#include <rapidxml/rapidxml.hpp>

#include <cctype>
#include <cstdlib>
#include <limits>
#include <set>
#include <vector>

#include "platform/random_source.h"

namespace qn::sim {
namespace {

using Node = rapidxml::xml_node<char>;

// Scenario files are ASCII apart from labels and product names, which are UTF-8.
std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned value = 0;
        std::size_t extra = 0;
        if (c < 0x80) {
            value = c;
        } else if ((c & 0xE0) == 0xC0) {
            value = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            value = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            value = c & 0x07;
            extra = 3;
        } else {
            value = 0xFFFD;
        }
        ++i;
        for (std::size_t k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                value = 0xFFFD;
                break;
            }
            value = (value << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        }
        if (value >= 0x10000 && sizeof(wchar_t) == 2) {
            value -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(value));
        }
    }
    return out;
}

class Reader {
public:
    std::string error;

    std::optional<std::string> Attr(const Node* node, const char* name) {
        const auto* a = node->first_attribute(name);
        if (a == nullptr) {
            return std::nullopt;
        }
        return std::string(a->value(), a->value_size());
    }

    bool Fail(std::string message) {
        if (error.empty()) {
            error = std::move(message);
        }
        return false;
    }

    bool Bool(const Node* node, const char* name, bool fallback, bool& out) {
        const auto v = Attr(node, name);
        if (!v) {
            out = fallback;
            return true;
        }
        if (*v == "true" || *v == "1") {
            out = true;
            return true;
        }
        if (*v == "false" || *v == "0") {
            out = false;
            return true;
        }
        return Fail(std::string("attribute ") + name + " must be true or false, not \"" + *v +
                    "\"");
    }

    // "500G", "1M", "4096": a non-negative size below 2^62.
    bool Size(const Node* node, const char* name, std::uint64_t& out, bool required) {
        const auto v = Attr(node, name);
        if (!v) {
            out = 0;
            return required ? Fail(std::string("missing attribute ") + name) : true;
        }
        std::string digits = *v;
        std::uint64_t unit = 1;
        if (!digits.empty()) {
            switch (std::toupper(static_cast<unsigned char>(digits.back()))) {
                case 'K':
                    unit = 1ull << 10;
                    break;
                case 'M':
                    unit = 1ull << 20;
                    break;
                case 'G':
                    unit = 1ull << 30;
                    break;
                case 'T':
                    unit = 1ull << 40;
                    break;
                default:
                    break;
            }
            if (unit != 1) {
                digits.pop_back();
            }
        }
        if (digits.empty() || digits.size() > 18 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return Fail(std::string("attribute ") + name + " is not a size: \"" + *v + "\"");
        }
        const std::uint64_t number = std::strtoull(digits.c_str(), nullptr, 10);
        if (number > (std::uint64_t{1} << 62) / unit) {
            return Fail(std::string("attribute ") + name + " is too large");
        }
        out = number * unit;
        return true;
    }

    bool Number(const Node* node, const char* name, std::uint64_t max, std::uint64_t& out) {
        const auto v = Attr(node, name);
        if (!v) {
            return Fail(std::string("missing attribute ") + name);
        }
        char* end = nullptr;
        const bool hex = v->size() > 2 && (*v)[0] == '0' && ((*v)[1] == 'x' || (*v)[1] == 'X');
        if (v->empty() || v->size() > 12 ||
            v->find_first_not_of(hex ? "0123456789abcdefABCDEFxX" : "0123456789") !=
                std::string::npos) {
            return Fail(std::string("attribute ") + name + " is not a number: \"" + *v + "\"");
        }
        out = std::strtoull(v->c_str(), &end, hex ? 16 : 10);
        if (out > max) {
            return Fail(std::string("attribute ") + name + " is out of range");
        }
        return true;
    }

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

    bool Install(const Node* node, ScenarioInstall& install) {
        install.productName = FromUtf8(Attr(node, "product").value_or(""));
        install.currentVersion = FromUtf8(Attr(node, "version").value_or(""));
        const std::string arch = Attr(node, "arch").value_or("x64");
        if (arch != "x64" && arch != "x86") {
            return Fail("attribute arch must be x64 or x86, not \"" + arch + "\"");
        }
        install.x64 = arch == "x64";
        return Bool(node, "running", false, install.running) &&
               Bool(node, "readable", true, install.productReadable);
    }

    bool Partition(const Node* node, PartitionStyle style, ScenarioPartition& p) {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        if (!Size(node, "offset", offset, true) || !Size(node, "length", length, true)) {
            return false;
        }
        p.offset = static_cast<std::int64_t>(offset);
        p.length = static_cast<std::int64_t>(length);
        if (style == PartitionStyle::Gpt) {
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
                return Fail("attribute gpttype is not esp, basic, recovery, msr or a GUID: \"" +
                            type + "\"");
            }
        } else {
            std::uint64_t type = 7;
            if (Attr(node, "type") && !Number(node, "type", 0xFF, type)) {
                return false;
            }
            p.mbrType = static_cast<std::uint8_t>(type);
            if (!Bool(node, "active", false, p.active)) {
                return false;
            }
        }
        if (const auto letter = Attr(node, "letter")) {
            if (letter->size() != 1 || !std::isalpha(static_cast<unsigned char>((*letter)[0]))) {
                return Fail("attribute letter must be one letter, not \"" + *letter + "\"");
            }
            p.letter = static_cast<char>(std::toupper(static_cast<unsigned char>((*letter)[0])));
        }
        p.label = FromUtf8(Attr(node, "label").value_or(""));
        p.fileSystem = FromUtf8(Attr(node, "fs").value_or("NTFS"));
        for (const Node* child = node->first_node(); child; child = child->next_sibling()) {
            const std::string name(child->name(), child->name_size());
            if (name == "file") {
                const auto path = Attr(child, "path");
                if (!path || path->empty() || (*path)[0] != '\\') {
                    return Fail("a file needs a path starting with a backslash");
                }
                p.files.push_back(FromUtf8(*path));
            } else if (name == "windows") {
                if (p.install) {
                    return Fail("a partition holds one Windows installation at most");
                }
                ScenarioInstall install;
                if (!Install(child, install)) {
                    return false;
                }
                p.install = install;
            } else if (child->type() == rapidxml::node_element) {
                return Fail("unknown element <" + name + "> in a partition");
            }
        }
        return true;
    }

    bool Disk(const Node* node, ScenarioDisk& disk) {
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
        if (!Bool(node, "removable", false, disk.removable)) {
            return false;
        }
        disk.vendor = Attr(node, "vendor").value_or("");
        disk.product = Attr(node, "product").value_or("");
        for (const Node* child = node->first_node(); child; child = child->next_sibling()) {
            const std::string name(child->name(), child->name_size());
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

    bool Machine(const Node* root, Scenario& scenario) {
        scenario.name = FromUtf8(Attr(root, "name").value_or(""));
        if (!Bool(root, "winpe", false, scenario.winPE)) {
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
        for (const Node* child = root->first_node(); child; child = child->next_sibling()) {
            const std::string name(child->name(), child->name_size());
            if (name != "disk") {
                if (child->type() == rapidxml::node_element) {
                    return Fail("unknown element <" + name + "> in the machine");
                }
                continue;
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
        return true;
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
    const Node* root = document.first_node("machine");
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
