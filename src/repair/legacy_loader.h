#pragma once

#include <vector>

#include "boot/bcd_listing.h"
#include "disk/windows_install.h"
#include "run/boot_target.h"
#include "run/repair_request.h"
#include "run/repair_run.h"

namespace qn {

// The {ntldr} entry's identifier as bcdedit shows it with /v.
inline constexpr wchar_t kNtldrGuid[] = L"{466f5a88-0af2-4f76-9038-095b170dc21c}";

// Makes systems older than Vista bootable from the boot partition: ntldr and NTDETECT.COM on it,
// and one boot.ini line per system (the first becomes the default), after boot.ini was backed
// up. bcdVariant: the partition boots through a BCD store, which gets an {ntldr} entry that
// chains to ntldr (known: the store as the run last read it, or null to read it then). A legacy
// system cannot start from an EFI system partition: on a GPT disk each
// system gets a failed row and nothing is written.
struct LegacyOutcome {
    int repaired = 0;
    int failed = 0;
};
LegacyOutcome SetUpLegacyLoader(RepairRun& run, const RepairRequest& request,
                                const BootTarget& target,
                                const std::vector<const WindowsInstall*>& systems, bool bcdVariant,
                                const BcdListing* known = nullptr);

// The row "正在修复: D:Microsoft Windows XP x86" (no blank after the colon for these systems).
std::wstring LegacyRowText(const WindowsInstall& system);

}  // namespace qn
