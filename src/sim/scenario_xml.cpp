#include "sim/scenario_xml.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace qn::sim {

std::optional<std::string> XmlReader::Attr(const XmlNode* node, const char* name) const {
    const auto* a = node->first_attribute(name);
    if (a == nullptr) {
        return std::nullopt;
    }
    return std::string(a->value(), a->value_size());
}

bool XmlReader::Fail(std::string message) {
    if (error.empty()) {
        error = std::move(message);
    }
    return false;
}

bool XmlReader::UniqueAttributes(const XmlNode* node) {
    std::set<std::string_view> seen;
    for (const auto* a = node->first_attribute(); a; a = a->next_attribute()) {
        const std::string_view name(a->name(), a->name_size());
        if (!seen.insert(name).second) {
            return Fail("attribute \"" + std::string(name) + "\" is given twice in <" +
                        NameOf(node) + ">");
        }
    }
    return true;
}

bool XmlReader::KnownAttributes(const XmlNode* node,
                                std::initializer_list<std::string_view> known) {
    for (const auto* a = node->first_attribute(); a; a = a->next_attribute()) {
        const std::string_view name(a->name(), a->name_size());
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            return Fail("unknown attribute \"" + std::string(name) + "\" in <" + NameOf(node) +
                        ">");
        }
    }
    return UniqueAttributes(node);
}

std::optional<std::vector<std::uint8_t>> XmlReader::Base64(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') {
            return c - 'A';
        }
        if (c >= 'a' && c <= 'z') {
            return c - 'a' + 26;
        }
        if (c >= '0' && c <= '9') {
            return c - '0' + 52;
        }
        if (c == '+') {
            return 62;
        }
        if (c == '/') {
            return 63;
        }
        return -1;
    };
    std::string digits;
    digits.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            digits.push_back(c);
        }
    }
    if (digits.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(digits.size() / 4 * 3);
    for (std::size_t at = 0; at < digits.size(); at += 4) {
        const bool last = at + 4 == digits.size();
        // "=" pads the last group only, and only its last one or two places.
        int padding = 0;
        if (last && digits[at + 3] == '=') {
            padding = digits[at + 2] == '=' ? 2 : 1;
        }
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const int v = i < 4u - padding ? value(digits[at + i]) : 0;
            if (v < 0) {
                return std::nullopt;
            }
            group = (group << 6) | static_cast<std::uint32_t>(v);
        }
        // Bits the padding drops must be zero: otherwise the text was cut or altered.
        if ((padding == 1 && (group & 0xFF) != 0) || (padding == 2 && (group & 0xFFFF) != 0)) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::uint8_t>(group >> 16));
        if (padding < 2) {
            out.push_back(static_cast<std::uint8_t>(group >> 8));
        }
        if (padding < 1) {
            out.push_back(static_cast<std::uint8_t>(group));
        }
    }
    return out;
}

bool XmlReader::Bool(const XmlNode* node, const char* name, bool fallback, bool& out) {
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
    return Fail(std::string("attribute ") + name + " must be true or false, not \"" + *v + "\"");
}

bool XmlReader::Size(const XmlNode* node, const char* name, std::uint64_t& out, bool required) {
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

bool XmlReader::Number(const XmlNode* node, const char* name, std::uint64_t max,
                       std::uint64_t& out) {
    const auto v = Attr(node, name);
    if (!v) {
        return Fail(std::string("missing attribute ") + name);
    }
    const bool hex = v->size() > 2 && (*v)[0] == '0' && ((*v)[1] == 'x' || (*v)[1] == 'X');
    const std::string digits = hex ? v->substr(2) : *v;
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
            std::string::npos) {
        return Fail(std::string("attribute ") + name + " is not a number: \"" + *v + "\"");
    }
    out = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (out > max) {
        return Fail(std::string("attribute ") + name + " is out of range");
    }
    return true;
}

}  // namespace qn::sim
