#include "run/boot_target.h"

#include "boot/text_helpers.h"

namespace qn {

BootTarget MakeBootTarget(const BootPartition& partition) {
    BootTarget target;
    target.partition = partition;
    target.drive = DriveText(partition.letter);
    target.store =
        target.drive +
        (partition.style == PartitionStyle::Gpt ? L"\\EFI\\Microsoft\\Boot\\BCD" : L"\\Boot\\BCD");
    target.letterText = partition.HasLetter() ? DriveLetterText(partition.letter) : L"ESP";
    return target;
}

}  // namespace qn
