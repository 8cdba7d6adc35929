#include "app/wizard_state.h"

namespace qn {

BootPartitionChoice AutomaticChoice(const WizardState& wizard) {
    return ChooseBootPartition(wizard.bootPartitions, wizard.startDiagnosis.get(),
                               wizard.installations);
}

void ChooseAutomatically(WizardState& wizard) {
    const BootPartitionChoice choice = AutomaticChoice(wizard);
    wizard.boot = choice.partition;
    wizard.bootReason = choice.text;
    wizard.timeoutText = L"3";
    wizard.clearExisting = false;
}

void ChooseByHand(WizardState& wizard, const BootPartition& picked) {
    const BootPartitionChoice choice = AutomaticChoice(wizard);
    wizard.boot = picked;
    wizard.bootReason = picked == choice.partition ? choice.text : std::wstring(L"由您选择");
}

std::optional<BootPartition> BootPartitionOfRow(const WizardState& wizard, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= wizard.bootRows.size()) {
        return std::nullopt;
    }
    return wizard.bootRows[static_cast<std::size_t>(row)].partition;
}

RepairRequest RepairRequestOf(const WizardState& wizard) {
    RepairRequest request;
    request.boot = wizard.boot;
    request.bootReason = wizard.bootReason;
    request.timeoutText = wizard.timeoutText;
    request.clearExisting = wizard.clearExisting;
    request.isWinPE = wizard.isWinPE;
    request.installations = wizard.installations;
    return request;
}

std::set<char> LettersOfRun(const RepairRequest& request) {
    std::set<char> letters;
    if (request.boot.HasLetter()) {
        letters.insert(request.boot.letter);
    }
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0) {
            letters.insert(letter);
        }
    }
    return letters;
}

}  // namespace qn
