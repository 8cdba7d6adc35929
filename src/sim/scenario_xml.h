#pragma once

#include <rapidxml/rapidxml.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boot/utf8_text.h"

namespace qn::sim {

using XmlNode = rapidxml::xml_node<char>;

// Attribute reading for the scenario reader: every malformed value becomes the first error
// text, never a crash.
class XmlReader {
public:
    std::string error;

    std::optional<std::string> Attr(const XmlNode* node, const char* name) const;
    std::wstring Text(const XmlNode* node, const char* name, const char* fallback = "") const {
        return Utf8ToWide(Attr(node, name).value_or(fallback));
    }
    bool Fail(std::string message);
    bool Bool(const XmlNode* node, const char* name, bool fallback, bool& out);
    // "500G", "1M", "4096": a non-negative size below 2^62.
    bool Size(const XmlNode* node, const char* name, std::uint64_t& out, bool required);
    // Decimal, or hexadecimal with 0x.
    bool Number(const XmlNode* node, const char* name, std::uint64_t max, std::uint64_t& out);
    // A misspelt attribute would otherwise be ignored and leave its default in place; a repeated
    // one would leave one of its values unused.
    bool KnownAttributes(const XmlNode* node, std::initializer_list<std::string_view> known);
    bool UniqueAttributes(const XmlNode* node);
    // Standard alphabet with "=" padding; whitespace between the characters is ignored.
    // nullopt: not base64.
    static std::optional<std::vector<std::uint8_t>> Base64(std::string_view text);
    // Each child element is checked against the names a parent allows.
    static std::string NameOf(const XmlNode* node) {
        return std::string(node->name(), node->name_size());
    }
};

}  // namespace qn::sim
