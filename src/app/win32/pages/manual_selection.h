#pragma once

namespace qn {

class MainFrame;

// Page 2: the scan's installations as checkable rows, then enables "BtnSpNext".
void FillInstallList(MainFrame& frame);
// "BtnSpNext": takes the checked rows into the installation table, then the boot partitions.
void AcceptCheckedInstalls(MainFrame& frame);
// Page 3: one row per disk's boot partition, the first one chosen.
void BuildBootPartitionList(MainFrame& frame);
// "BtnBootRepair" in the manual flow.
void StartManualRepair(MainFrame& frame);
// "BtnBootRepair" in the editing flow.
void OpenBootFilesForEdit(MainFrame& frame);

}  // namespace qn
