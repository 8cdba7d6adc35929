#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_firmware_port.h"

// The firmware mode of the running system. Wine emulates no firmware; what is asserted is what
// either answer must be, and the decision from the variable query's error, case by case.
namespace qn {
namespace {

TEST(Win32Firmware, TheModeIsBiosOrUefi) {
    win32::Win32FirmwarePort port;
    const FirmwareMode mode = port.Mode();
    EXPECT_TRUE(mode == FirmwareMode::Bios || mode == FirmwareMode::Uefi);
    const FirmwareMode byQuery = win32::FirmwareModeFromVariableQuery();
    EXPECT_TRUE(byQuery == FirmwareMode::Bios || byQuery == FirmwareMode::Uefi);
    // Where kernel32 has GetFirmwareType and it answers, the two ways agree.
    const FirmwareMode byType = win32::FirmwareModeFromGetFirmwareType();
    if (byType != FirmwareMode::Unknown) {
        EXPECT_EQ(byType, mode);
    } else {
        EXPECT_EQ(byQuery, mode);
    }
}

TEST(Win32Firmware, TheVariableQuerysErrorTellsBiosFromUefi) {
    using win32::FirmwareModeFromVariableError;
    EXPECT_EQ(FirmwareModeFromVariableError(0, ERROR_INVALID_FUNCTION), FirmwareMode::Bios);
    EXPECT_EQ(FirmwareModeFromVariableError(0, ERROR_NOACCESS), FirmwareMode::Uefi);
    EXPECT_EQ(FirmwareModeFromVariableError(0, ERROR_PRIVILEGE_NOT_HELD), FirmwareMode::Uefi);
    EXPECT_EQ(FirmwareModeFromVariableError(0, ERROR_ENVVAR_NOT_FOUND), FirmwareMode::Uefi);
    EXPECT_EQ(FirmwareModeFromVariableError(4, 0), FirmwareMode::Uefi);
}

}  // namespace
}  // namespace qn
