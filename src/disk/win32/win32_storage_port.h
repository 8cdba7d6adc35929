#pragma once

#include <string>

#include "disk/storage_port.h"

namespace qn::win32 {

// The storage port over the Win32 volume functions and DeviceIoControl. Stateless: every call
// asks Windows afresh, and every device handle is closed when its StorageDevice is destroyed.
// OpenDevice takes any path CreateFileW opens, so a test can point it at a disk image file and
// read sectors through the very code that reads "\\.\PhysicalDrive0".
class Win32StoragePort final : public StoragePort {
public:
    std::u16string LogicalDriveStrings() override;
    bool VolumeReady(const std::wstring& root) override;
    std::uint32_t DriveType(const std::wstring& root) override;
    std::optional<FreeSpace> DiskFreeSpace(const std::wstring& root) override;
    std::optional<VolumeInformation> VolumeInfo(const std::wstring& root) override;
    std::unique_ptr<StorageDevice> OpenDevice(const std::wstring& path,
                                              DeviceAccess access) override;
};

// Whether a path names a volume or disk (written under FSCTL_LOCK_VOLUME) rather than a file
// (an image, written without): "\\.\C:", "\\.\PhysicalDrive0", "\\?\Volume{...}" are
// devices; "C:\x\disk.img" and "\\?\C:\x\disk.img" are files.
bool IsDevicePath(const std::wstring& path);

}  // namespace qn::win32
