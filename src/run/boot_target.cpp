#include "run/boot_target.h"

#include "boot/text_helpers.h"

namespace qn {

BootTarget MakeBootTarget(const BootPartition& partition) {
    BootTarget target;
    target.partition = partition;
    target.letter = partition.letter;
    target.hasLetter = partition.HasLetter();
    target.style = partition.style;
    target.drive = DriveText(partition.letter);
    target.store =
        target.drive +
        (target.style == PartitionStyle::Gpt ? L"\\EFI\\Microsoft\\Boot\\BCD" : L"\\Boot\\BCD");
    target.letterText = target.hasLetter ? DriveLetterText(partition.letter) : L"ESP";
    return target;
}

}  // namespace qn
