#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "disk/storage_port.h"
#include "platform/file_system.h"

namespace qn {

// The BitLocker volumes nobody unlocked: their Windows, if any, cannot be seen, so the
// installation table says nothing of them. Letters ascending.
struct LockedVolumes {
    std::vector<char> letters;
};

// "-FVE-FS-" as the OEM name of a boot sector: BitLocker's header, locked or not.
bool IsBitLockerBootSector(std::span<const std::uint8_t> sector);

// The volume's first sector as its disk holds it (an unlocked BitLocker volume shows its own
// device the file system's boot sector, which BitLocker keeps elsewhere); through the volume
// when its disk or place is unknown. Empty when it cannot be read.
std::vector<std::uint8_t> ReadVolumeBootSector(StoragePort& storage, char letter);

// Whether the volume's root can be listed: a locked volume refuses it (RAW, or access denied).
bool RootListable(FileSystem& files, char letter);

// A locked volume: BitLocker's boot record and a root that cannot be listed. An unlocked one
// lists its files; an ordinary volume that cannot be read is not BitLocker's business.
bool IsLockedVolume(StoragePort& storage, FileSystem& files, char letter);

// Every lettered volume from C: on that is locked. X: is never examined: in Windows PE it is the
// environment's own drive.
LockedVolumes FindLockedVolumes(StoragePort& storage, FileSystem& files);

// "C:" or "C:、D:".
std::wstring LockedLettersText(const std::vector<char>& letters);

// What to tell the user when the only systems there may be are locked away, with the command that
// unlocks each: "C: 已被 BitLocker 加密并锁定，无法检查其中的系统。请先解锁：manage-bde -unlock C:
// -RecoveryPassword <48 位恢复密钥>，然后重新检测". Empty without letters.
std::wstring BitLockerUnlockAdvice(const std::vector<char>& letters);

// The shorter note beside a diagnosis that found other systems: "C: 已被 BitLocker 锁定，无法检查".
std::wstring LockedNotCheckedText(const std::vector<char>& letters);

}  // namespace qn
