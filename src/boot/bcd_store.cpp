#include "boot/bcd_store.h"

#include "boot/bcd_commands.h"
#include "boot/bcd_enum_parser.h"
#include "boot/command_runner.h"
#include "boot/text_helpers.h"

namespace qn {
namespace {

// A console tool writes redirected output in the console (OEM) code page, which is not the ANSI
// one on Western systems (850 and 1252); on Chinese systems both are 936.
constexpr CodePageKind kBcdeditOutput = CodePageKind::Oem;

ProcessResult Enumerate(const BcdTool& tool, const std::wstring& commandLine, BcdListing& listing) {
    std::string output;
    const ProcessResult result = RunCaptured(tool.processes, commandLine, output);
    ParseBcdEnum(listing, output, tool.codePage, kBcdeditOutput);
    return result;
}

}  // namespace

ProcessResult RunBcdedit(const BcdTool& tool, const std::wstring& parameters) {
    return ShellRun(tool.processes, tool.path, parameters, true, false, false);
}

ProcessResult EnumAllEntries(const BcdTool& tool, const std::wstring& store, BcdListing& listing) {
    return Enumerate(tool, EnumAllCommand(tool.path, store), listing);
}

std::wstring FindLoaderIdByLetter(const BcdTool& tool, const std::wstring& store, bool useStore,
                                  char letter, BcdListing* listing) {
    BcdListing own;
    BcdListing& read = listing != nullptr ? *listing : own;
    read = {};
    Enumerate(tool, EnumAllCommand(tool.path, useStore ? store : std::wstring()), read);
    return LoaderIdOfLetter(read, tool.codePage, letter);
}

std::wstring LoaderIdOfLetter(const BcdListing& listing, CodePage& codePage, char letter) {
    for (const BootEntry& entry : listing.entries) {
        // The whole store also holds the memory tester, the resume loader and ntldr, whose
        // device is the boot partition: only a Windows loader is taken by its device.
        const bool windowsLoader = LowerCase(entry.path).find(L"\\winload.") != std::wstring::npos;
        if (entry.osdevice.empty() && !windowsLoader) {
            continue;
        }
        const std::wstring& value = entry.osdevice.empty() ? entry.device : entry.osdevice;
        // An entry that names no partition ("boot", a ramdisk) cannot be the one; the entries
        // after it still can.
        const auto pieces = SplitText(ToNarrow(codePage, value), "=", false);
        if (pieces.size() != 2) {
            continue;
        }
        if (pieces[1].front() == letter) {
            return entry.identifier;
        }
    }
    return {};
}

DeleteAllResult DeleteAllEntries(const BcdTool& tool) {
    DeleteAllResult result;
    BcdListing listing;
    result.enumeration = EnumAllEntries(tool, std::wstring(), listing);
    for (const std::wstring& id : listing.bootManager.displayorder) {
        if (id.empty()) {
            continue;  // "/delete \"\"" would only fail
        }
        const ProcessResult run = RunBcdedit(tool, DeleteEntryCommand(id));
        const bool ok = run.started && run.exitCodeKnown && run.exitCode == 0;
        (ok ? result.deleted : result.failed).push_back(id);
    }
    return result;
}

}  // namespace qn
