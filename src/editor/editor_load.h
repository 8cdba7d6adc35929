#pragma once

#include <string>

#include "boot/bcd_listing.h"
#include "platform/code_page.h"
#include "platform/process_launcher.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"

namespace qn {

// The loads of the boot entry editor: each choice in "CmbBootFile" starts one, and only the one
// started last may fill the page. A listing of an older load arriving late (a slow bcdedit) is
// dropped instead of adding a second set of rows. UI thread only.
class LoadSequence {
public:
    // A new load: its number, which its listing carries back.
    unsigned Begin();
    // A listing of load has arrived: true when it is the latest load's (which is then no longer
    // pending), false for an older one.
    bool Deliver(unsigned load);
    // The latest load has not delivered yet.
    bool Pending() const { return pending_; }

private:
    unsigned latest_ = 0;
    bool pending_ = false;
};

// What a load hands to the page (WM_BOOTLIST_READY's lParam, owned by the receiver): the listing,
// the load it belongs to, and why nothing could be read when that is known.
struct LoadedListing {
    unsigned load = 0;
    BcdListing listing;
    std::wstring problem;  // e.g. "bcdedit.exe 退出码 1: 无法打开启动配置数据存储。"
};

// LoadBcdThread's work: "bcdedit /store S /enum all /v" (or the system store when S is empty),
// captured and parsed; FromBcd 1 and the default entry marked. A run that fails leaves the
// listing empty and says why.
LoadedListing LoadBcdListing(ProcessLauncher& processes, CodePage& codePage,
                             const std::wstring& bcdedit, const std::wstring& store, unsigned load);

// ReadBootIni's listing (FromBcd 0, new identifiers, default marked) for this load.
LoadedListing LoadBootIniListing(ProfileFile& profile, RandomSource& random,
                                 const std::wstring& path, unsigned load);

// The message for a load that found no entry: the editor's own text, and the reason when known.
std::wstring EmptyListingMessage(const LoadedListing& loaded);

}  // namespace qn
