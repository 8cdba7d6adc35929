#include "app/selection_rows.h"

namespace qn {

std::vector<BootPartitionRow> BootPartitionRows(const BootPartitionMap& candidates,
                                                const std::function<std::wstring(char)>& label,
                                                const std::function<bool(int disk)>& removable,
                                                const BootPartitionChoice* choice) {
    std::vector<BootPartitionRow> rows;
    for (const auto& [disk, partition] : candidates) {
        BootPartitionRow row;
        row.partition = partition;
        const bool esp = partition.IsUnletteredEsp();
        const char letter = partition.letter;
        row.columns[0] = esp ? L"ESP" : std::wstring{static_cast<wchar_t>(letter), L':'};
        row.columns[1] = partition.style == PartitionStyle::Mbr   ? L"MBR"
                         : partition.style == PartitionStyle::Gpt ? L"GPT"
                                                                  : L"RAW";
        row.columns[2] = esp ? L"ESP(本机请选择此项)" : label(letter);
        if (removable && removable(disk)) {
            row.columns[2] += L" (可移动)";
        }
        row.columns[3] = L"激活分区";
        if (choice != nullptr && choice->partition == partition) {
            // In the wide label column: the state column has no room for the reason.
            row.recommended = true;
            row.columns[2] += L" — 推荐: " + choice->why;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool SelectCheckedInstalls(InstallationTable& installations,
                           const std::vector<char>& checkedLetters) {
    bool any = false;
    for (auto& [letter, install] : installations) {
        install.selected = 0;
    }
    for (char letter : checkedLetters) {
        auto it = installations.find(letter);
        if (it != installations.end()) {
            it->second.selected = 1;
            any = true;
        }
    }
    return any;
}

}  // namespace qn
