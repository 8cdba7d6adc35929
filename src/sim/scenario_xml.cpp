#include "sim/scenario_xml.h"

#include <cctype>
#include <cstdlib>

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
