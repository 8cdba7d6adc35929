#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qn {

// The ARC paths of boot.ini, in the one form ntldr finds a BIOS disk by:
// multi(0)disk(0)rdisk(R)partition(P)\FOLDER.

// The key the program writes for a Windows: its folder is always \WINDOWS.
std::wstring ArcKey(std::int32_t rdisk, std::uint32_t partition);

struct ArcPath {
    std::uint32_t rdisk = 0;
    std::uint32_t partition = 0;
    std::wstring folder;  // in lower case: "\windows"
};

// Reads an ARC path without regard to case; numbers have one to three digits. Nothing for any
// other form (scsi(), signature(), a controller other than 0).
std::optional<ArcPath> ParseArc(std::wstring_view text);

}  // namespace qn
