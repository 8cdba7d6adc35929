#include "platform/firmware_port.h"
#include "platform/win32/win32_firmware_port.h"

namespace qn {

FirmwarePort& SystemFirmware() {
    static win32::Win32FirmwarePort firmware;
    return firmware;
}

}  // namespace qn
