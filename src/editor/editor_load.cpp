#include "editor/editor_load.h"

#include "boot/bcd_store.h"
#include "boot/boot_ini_reader.h"
#include "run/recording_processes.h"
#include "run/repair_run.h"

namespace qn {

unsigned LoadSequence::Begin() {
    pending_ = true;
    return ++latest_;
}

bool LoadSequence::Deliver(unsigned load) {
    if (load != latest_) {
        return false;
    }
    pending_ = false;
    return true;
}

LoadedListing LoadBcdListing(ProcessLauncher& processes, CodePage& codePage,
                             const std::wstring& bcdedit, const std::wstring& store,
                             unsigned load) {
    LoadedListing loaded;
    loaded.load = load;
    loaded.listing.FromBcd = 1;
    if (bcdedit.empty()) {
        loaded.problem = L"缺少 bcdedit.exe（程序未内置，系统中也没有）";
        return loaded;
    }
    RecordingProcesses recorded(processes, codePage);
    EnumAllEntries(BcdTool{recorded, codePage, bcdedit}, store, loaded.listing);
    const ToolRun run = recorded.Last();
    if (!run.Succeeded()) {
        loaded.problem = DescribeFailedRun(run, L"bcdedit.exe");
    }
    MarkDefaultEntries(loaded.listing);
    return loaded;
}

LoadedListing LoadBootIniListing(ProfileFile& profile, RandomSource& random,
                                 const std::wstring& path, unsigned load) {
    LoadedListing loaded;
    loaded.load = load;
    loaded.listing = ReadBootIni(profile, random, path);
    loaded.listing.FromBcd = 0;
    return loaded;
}

std::wstring EmptyListingMessage(const LoadedListing& loaded) {
    std::wstring text = L"没有查找到引导项，请重新选择！";
    if (!loaded.problem.empty()) {
        text += L"\n" + loaded.problem;
    }
    return text;
}

}  // namespace qn
