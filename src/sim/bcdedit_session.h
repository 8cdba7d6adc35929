#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/bcd_model.h"
#include "sim/tool_language.h"
#include "sim/tool_run.h"

namespace qn::sim {

class SimMachine;

// One run of the stand-in bcdedit: the store it opened and what it was asked.
struct BcdeditSession {
    SimMachine& machine;
    ToolLanguage language;
    std::wstring storePath;    // a path for the machine's Files()
    bool systemStore = false;  // opened without /store
    bool verbose = false;      // /v
    BcdStoreData store;
    std::vector<std::wstring> arguments;  // after the command word, global options removed
    std::wstring command;                 // "set"; empty when the command word was not known
};

// Output of one line per text, CR LF after each, as bcdedit prints.
ToolOutcome Succeeded(const BcdeditSession& session);
ToolOutcome Failed(const BcdeditSession& session, ToolText what, ToolText why);
// A command line bcdedit does not take: the command named, the hint to its help, and the reason.
ToolOutcome SyntaxError(const BcdeditSession& session);

// The canonical GUID an identifier on the command line stands for in this store: a GUID, a
// well-known name, {current} (the running system's loader, system store only) or {default}.
std::optional<std::wstring> ResolveId(const BcdeditSession& session, std::wstring_view text);
// Writes the store back; a failure is bcdedit's "Access is denied".
bool Save(BcdeditSession& session);

// The commands. Each finds its arguments in the session.
ToolOutcome BcdeditEnum(BcdeditSession& session);
ToolOutcome BcdeditExport(BcdeditSession& session);
ToolOutcome BcdeditImport(BcdeditSession& session);
ToolOutcome BcdeditCreate(BcdeditSession& session);
ToolOutcome BcdeditSet(BcdeditSession& session);
ToolOutcome BcdeditDeleteValue(BcdeditSession& session);
ToolOutcome BcdeditDisplayOrder(BcdeditSession& session);
ToolOutcome BcdeditDefault(BcdeditSession& session);
ToolOutcome BcdeditTimeout(BcdeditSession& session);
ToolOutcome BcdeditDelete(BcdeditSession& session);

}  // namespace qn::sim
