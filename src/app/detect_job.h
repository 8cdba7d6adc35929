#pragma once

#include <functional>

#include "app/ui_channel.h"
#include "disk/detect_status.h"
#include "disk/windows_install.h"

namespace qn {

using InstallationScan = std::function<InstallationTable(const DetectionClaim&)>;

// One installation scan with its progress display, run on a worker thread: a ticker posts
// WM_DETECT_PROGRESS every 100 ms while the scan runs (creeping up on its own, jumping to the
// real progress when that is ahead), then 100, then WM_DETECT_DONE. The table is stored in
// result before WM_DETECT_DONE is posted, which is what hands it to the window.
void RunDetection(DetectionClaim claim, const InstallationScan& scan, InstallationTable& result,
                  UiChannel& channel);

}  // namespace qn
