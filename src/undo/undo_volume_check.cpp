#include "undo/undo_volume_check.h"

#include "record/undo_recorder.h"

namespace qn {

bool SameVolumesAsRecorded(RepairRun& run, const UndoRecord& record) {
    bool same = true;
    for (const UndoItem& item : record.items) {
        if (item.kind != UndoItemKind::Volume) {
            continue;
        }
        const std::wstring now =
            VolumeIdentity(run.Ports().storage, static_cast<char>(item.target[0]));
        if (now != item.saved) {
            run.FailureRow(item.target + L" 已不是修复时的那个分区（修复时 " + item.saved +
                           L"，现在 " + (now.empty() ? std::wstring(L"没有卷") : now) +
                           L"），为安全起见撤销未做任何更改");
            same = false;
        }
    }
    return same;
}

}  // namespace qn
