#include "platform/fs_redirection.h"
#include "platform/win32/win32_fs_redirection.h"

namespace qn {

FsRedirection& SystemFsRedirection() {
    static win32::Win32FsRedirection redirection;
    return redirection;
}

}  // namespace qn
