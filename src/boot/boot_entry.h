#pragma once

#include <string>

namespace qn {

// One loader entry of a BCD store, or one menu line of boot.ini mapped onto the same fields.
struct BootEntry {
    std::wstring identifier;   // "{...}"; with /v always the full GUID form
    std::wstring device;       // "partition=C:"; for boot.ini the ARC path of the line
    std::wstring path;         // loader path; empty for boot.ini
    std::wstring description;  // display name, blanks kept
    std::wstring locale;       // empty for boot.ini
    std::wstring osdevice;     // empty when the entry has none; for boot.ini the line's value
    bool isDefault = false;    // never set by the parsers: the listing's owner marks it
};

}  // namespace qn
