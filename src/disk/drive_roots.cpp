#include "disk/drive_roots.h"

namespace qn {

std::vector<std::string> SplitDriveRoots(std::u16string_view list) {
    std::vector<std::string> roots;
    std::string current;
    for (char16_t unit : list) {
        if (unit == u'\0') {
            if (current.empty()) {
                break;
            }
            roots.push_back(std::move(current));
            current.clear();
            continue;
        }
        current.push_back(static_cast<char>(unit & 0xFF));
    }
    if (!current.empty()) {
        roots.push_back(std::move(current));
    }
    return roots;
}

}  // namespace qn
