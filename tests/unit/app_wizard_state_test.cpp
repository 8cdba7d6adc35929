// The wizard's choices: the boot partition picked on a page reaches the repair request whole,
// and the reason the run's log gives follows what was picked.
#include "app/wizard_state.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

constexpr BootPartition kActive{0, PartitionStyle::Mbr, 'C'};
constexpr BootPartition kEsp{1, PartitionStyle::Gpt, kEspWithoutLetter};

WizardState TwoDisks() {
    WizardState wizard;
    wizard.bootPartitions = {{0, kActive}, {1, kEsp}};
    wizard.installations['D'].driveLetter = 'D';
    wizard.installations['E'].driveLetter = 'E';
    wizard.isWinPE = true;
    return wizard;
}

TEST(WizardState, ARowStandsForThePartitionItWasBuiltFrom) {
    WizardState wizard = TwoDisks();
    wizard.bootRows = BootPartitionRows(wizard.bootPartitions, [](char) { return L""; });
    EXPECT_EQ(BootPartitionOfRow(wizard, 0), kActive);
    EXPECT_EQ(BootPartitionOfRow(wizard, 1), kEsp);
    for (const int row : {-1, 2, 1000}) {
        EXPECT_EQ(BootPartitionOfRow(wizard, row), std::nullopt) << row;
    }
}

TEST(WizardState, TheReasonFollowsWhatWasPicked) {
    WizardState wizard = TwoDisks();
    // Without a diagnosis the lowest disk number is the automatic choice.
    ChooseAutomatically(wizard);
    EXPECT_EQ(wizard.boot, kActive);
    EXPECT_EQ(wizard.bootReason, L"磁盘0 激活分区 C: (编号最小的磁盘，引导未能检查)");

    ChooseByHand(wizard, kEsp);
    EXPECT_EQ(wizard.boot, kEsp);
    EXPECT_EQ(wizard.bootReason, L"由您选择");
    ChooseByHand(wizard, kActive);
    EXPECT_EQ(wizard.bootReason, L"磁盘0 激活分区 C: (编号最小的磁盘，引导未能检查)");
}

TEST(WizardState, TheRequestCarriesTheChoicesAndTheRunKeepsOnlyRealLetters) {
    WizardState wizard = TwoDisks();
    ChooseByHand(wizard, kEsp);
    wizard.timeoutText = L"10";
    wizard.clearExisting = true;
    wizard.installations['E'].selected = 1;
    const RepairRequest request = RepairRequestOf(wizard);
    EXPECT_EQ(request.boot, kEsp);
    EXPECT_EQ(request.bootReason, L"由您选择");
    EXPECT_EQ(request.timeoutText, L"10");
    EXPECT_TRUE(request.clearExisting);
    EXPECT_TRUE(request.isWinPE);
    EXPECT_EQ(request.installations.at('E').selected, 1);
    // An ESP without a letter is no drive to keep mounted; an unselected system is not worked on.
    EXPECT_EQ(LettersOfRun(request), (std::set<char>{'E'}));

    ChooseByHand(wizard, kActive);
    EXPECT_EQ(LettersOfRun(RepairRequestOf(wizard)), (std::set<char>{'C', 'E'}));
}

}  // namespace
}  // namespace qn
