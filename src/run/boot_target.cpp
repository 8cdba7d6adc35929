#include "run/boot_target.h"

#include "boot/text_helpers.h"
#include "disk/storage_queries.h"
#include "run/repair_request.h"

namespace qn {

BootTarget MakeBootTarget(char bootLetter, StoragePort& storage) {
    BootTarget target;
    target.letter = bootLetter;
    target.hasLetter = bootLetter != kEspWithoutLetter;
    target.style = BootPartitionStyle(bootLetter, storage);
    target.drive = DriveText(bootLetter);
    target.store =
        target.drive +
        (target.style == PartitionStyle::Gpt ? L"\\EFI\\Microsoft\\Boot\\BCD" : L"\\Boot\\BCD");
    target.letterText = target.hasLetter ? DriveLetterText(bootLetter) : L"ESP";
    return target;
}

PartitionStyle BootPartitionStyle(char bootLetter, StoragePort& storage) {
    return bootLetter == kEspWithoutLetter ? PartitionStyle::Gpt
                                           : GetPartitionStyleOfLetter(storage, bootLetter);
}

}  // namespace qn
