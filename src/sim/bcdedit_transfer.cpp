// bcdedit /export and /import: the store's file copied out, and a copy brought back in.
#include "sim/bcd_store_file.h"
#include "sim/bcdedit_session.h"
#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {

ToolOutcome BcdeditExport(BcdeditSession& session) {
    if (session.arguments.size() != 1 || session.arguments.front().empty()) {
        return SyntaxError(session);
    }
    fake::FakeFileSystem& files = session.machine.Files();
    const std::wstring& target = session.arguments.front();
    const auto* bytes = files.FileBytes(session.storePath);
    if (bytes == nullptr) {
        return Failed(session, ToolText::ExportFailed, ToolText::FileNotFound);
    }
    // An existing file is replaced, as bcdedit does; a read-only one or a missing folder fails.
    if (files.IsDirectory(target)) {
        return Failed(session, ToolText::ExportFailed, ToolText::AccessDenied);
    }
    const bool existed = files.IsFile(target);
    if (!files.StoreBytes(target, *bytes)) {
        return Failed(session, ToolText::ExportFailed,
                      existed ? ToolText::AccessDenied : ToolText::PathNotFound);
    }
    return Succeeded(session);
}

ToolOutcome BcdeditImport(BcdeditSession& session) {
    std::vector<std::wstring> files;
    for (const std::wstring& argument : session.arguments) {
        // /clean also drops the firmware's entries that are not in the file; the sim keeps
        // those in the firmware, where a store import does not reach.
        if (LowerCase(argument) != L"/clean") {
            files.push_back(argument);
        }
    }
    if (files.size() != 1 || files.front().empty()) {
        return SyntaxError(session);
    }
    fake::FakeFileSystem& machineFiles = session.machine.Files();
    const auto* bytes = machineFiles.FileBytes(files.front());
    if (bytes == nullptr) {
        return Failed(session, ToolText::ImportFailed, ToolText::FileNotFound);
    }
    if (!DeserializeStore(*bytes)) {
        return Failed(session, ToolText::ImportFailed, ToolText::RegistryCorrupt);
    }
    const std::vector<std::uint8_t> copy = *bytes;
    if (!machineFiles.StoreBytes(session.storePath, copy)) {
        return Failed(session, ToolText::ImportFailed, ToolText::AccessDenied);
    }
    return Succeeded(session);
}

}  // namespace qn::sim
