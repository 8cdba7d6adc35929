// Binds the clean-up list to the process-wide ports, whichever the build linked.
#include "boot/cleanup_journal.h"
#include "platform/system_ports.h"

namespace qn {

CleanupJournal& SystemCleanupJournal() {
    static CleanupJournal journal(TheSystemPorts().files);
    return journal;
}

}  // namespace qn
