#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/boot_partition_choice.h"
#include "app/selection_rows.h"
#include "app/work_mode.h"
#include "boot/bcd_listing.h"
#include "diagnosis/boot_diagnosis.h"
#include "disk/boot_partition.h"
#include "disk/windows_install.h"
#include "editor/editor_load.h"
#include "repair/repair_start.h"
#include "run/repair_request.h"

namespace qn {

// What the wizard knows of the machine and what the user chose on its pages. The window owns
// it and the pages read and change it, all on the UI thread.
struct WizardState {
    // Found at the start.
    BootPartitionMap bootPartitions;
    std::wstring startActiveText;  // "lbStActPt" as the summary gave it
    bool isWinPE = false;
    std::unique_ptr<BootDiagnosis> startDiagnosis;  // null until its worker posted it
    InstallationTable installations;                // of the last scan; selected: to repair

    WorkMode mode = ModeAutoRepair;
    // The boot partition list as shown: a row's tag is its index here.
    std::vector<BootPartitionRow> bootRows;
    // Chosen.
    BootPartition boot;
    std::wstring bootReason;  // where the boot files go and why, for the run's log
    std::wstring timeoutText = L"3";
    bool clearExisting = false;
};

// The boot entry editor's session: what the page loaded and what its saves need.
struct EditorSession {
    std::wstring bcdeditPath;
    BootFileSet bootFiles;
    std::unique_ptr<BcdListing> listing;
    LoadSequence loads;   // only the latest load fills the page
    std::wstring backup;  // made before the first save of the listing loaded last
    bool busy = false;    // a save or the search for undo records runs; the page is held
};

// The automatic choice of the start's diagnosis (none when it could not be made).
BootPartitionChoice AutomaticChoice(const WizardState& wizard);

// The automatic repair's settings: the chosen partition, a 3 s timeout, existing entries kept.
void ChooseAutomatically(WizardState& wizard);

// A partition picked in the list: its reason is the automatic one when it is that partition.
void ChooseByHand(WizardState& wizard, const BootPartition& picked);

// The partition a list row stands for; none for a row that is not one of bootRows.
std::optional<BootPartition> BootPartitionOfRow(const WizardState& wizard, int row);

// The repair the wizard's choices ask for.
RepairRequest RepairRequestOf(const WizardState& wizard);

// The drives a run of request works on: the boot partition's and the selected systems'.
std::set<char> LettersOfRun(const RepairRequest& request);

}  // namespace qn
