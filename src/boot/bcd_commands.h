#pragma once

#include <string>
#include <vector>

namespace qn {

// The whole bcdedit vocabulary of the program. Store paths, identifiers and timeouts are quoted
// only when they would not stay one argument (a blank in a path); descriptions, locales and the
// export path are always quoted, escaped by the Windows rules so bcdedit receives exactly the
// text. An empty store means the system store: the form without "/store".

inline constexpr wchar_t kNtldrId[] = L"{ntldr}";
inline constexpr wchar_t kBootmgrId[] = L"{bootmgr}";

// Enumerations: whole command lines for RunCaptured, bcdedit path first.
std::wstring EnumAllCommand(const std::wstring& bcdedit, const std::wstring& store);
// With useStore clear the store is ignored and the system store is enumerated; with it set an
// empty store stays an (empty) argument, so bcdedit fails rather than read the wrong store.
std::wstring EnumOsLoaderCommand(const std::wstring& bcdedit, const std::wstring& store,
                                 bool useStore);

// Parameter strings for ShellRun with the bcdedit path as program.
std::wstring DeleteEntryCommand(const std::wstring& id);
std::wstring ExportStoreCommand(const std::wstring& backupPath);
// Replaces the system store with an exported copy.
std::wstring ImportStoreCommand(const std::wstring& backupPath);
std::wstring DisplayOrderAddLastCommand(const std::wstring& store, const std::wstring& id);
// Replaces the display order: each identifier followed by one blank.
std::wstring DisplayOrderCommand(const std::wstring& store, const std::vector<std::wstring>& ids);
std::wstring SetDescriptionCommand(const std::wstring& store, const std::wstring& id,
                                   const std::wstring& description);
std::wstring SetLocaleCommand(const std::wstring& store, const std::wstring& id,
                              const std::wstring& locale);
std::wstring TimeoutCommand(const std::wstring& store, const std::wstring& timeout);
std::wstring DefaultCommand(const std::wstring& store, const std::wstring& id);
std::wstring GraphicsResolutionCommand(const std::wstring& store);
// Puts Windows Boot Manager first (or last) in the firmware's boot order, giving the firmware an
// entry for it when it has none (system store only).
std::wstring FirmwareBootManagerCommand(bool first);

// The entry that chains a BCD boot manager to ntldr for a pre-Vista system.
std::wstring CreateNtldrEntryCommand(const std::wstring& store, const std::wstring& description);
std::wstring SetNtldrPathCommand(const std::wstring& store);
std::wstring SetNtldrDeviceCommand(const std::wstring& store, wchar_t letter);
std::wstring SetNtldrLocaleCommand(const std::wstring& store);

}  // namespace qn
