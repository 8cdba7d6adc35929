#include "platform/profile_file.h"
#include "platform/win32/win32_profile_file.h"

namespace qn {

ProfileFile& SystemProfileFile() {
    static win32::Win32ProfileFile profile;
    return profile;
}

}  // namespace qn
