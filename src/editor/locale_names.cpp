#include "editor/locale_names.h"

namespace qn {

int LocaleIndex(std::wstring_view name) {
    for (std::size_t i = 0; i < kLocaleNames.size(); ++i) {
        if (kLocaleNames[i] == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace qn
