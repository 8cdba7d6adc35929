#include "sim/boot_verdict.h"

#include <cstdio>

#include "boot/utf8_text.h"
#include "sim/boot_chain.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    for (char c : WideToUtf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonNumber(const std::optional<int>& value) {
    return value ? std::to_string(*value) : "null";
}

}  // namespace

std::string VerdictJson(const BootVerdict& verdict) {
    std::string out = "{\"boots\":";
    out += verdict.boots ? "true" : "false";
    out += ",\"firmware\":" + JsonString(verdict.firmware);
    out += ",\"timeout\":" + JsonNumber(verdict.timeout);
    out += ",\"menu\":[";
    for (std::size_t i = 0; i < verdict.menu.size(); ++i) {
        const MenuItem& item = verdict.menu[i];
        out += i == 0 ? "{" : ",{";
        out += "\"text\":" + JsonString(item.text);
        out += ",\"disk\":" + JsonNumber(item.disk);
        out += ",\"partition\":" + JsonNumber(item.partition);
        out += ",\"product\":" +
               (item.product.empty() ? std::string("null") : JsonString(item.product));
        out += ",\"default\":";
        out += item.isDefault ? "true" : "false";
        out += "}";
    }
    out += "],\"problem\":" + JsonString(verdict.problem) + "}";
    return out;
}

BootVerdict SimMachine::Boot() const {
    return FirmwareKind() == Firmware::Uefi ? UefiBootChain(*this) : BiosBootChain(*this);
}

}  // namespace qn::sim
