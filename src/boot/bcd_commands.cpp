#include "boot/bcd_commands.h"

#include "boot/command_line_quoting.h"

namespace qn {
namespace {

std::wstring Plain(const std::wstring& text) {
    return QuoteArgument(text);
}
std::wstring Quoted(const std::wstring& text) {
    return QuoteArgument(text, true);
}

// "/store S " before a command, or nothing for the system store.
std::wstring StorePrefix(const std::wstring& store) {
    return store.empty() ? std::wstring() : L"/store " + Plain(store) + L" ";
}

}  // namespace

std::wstring EnumAllCommand(const std::wstring& bcdedit, const std::wstring& store) {
    return Plain(bcdedit) + L" " + StorePrefix(store) + L"/enum all /v";
}

std::wstring EnumOsLoaderCommand(const std::wstring& bcdedit, const std::wstring& store,
                                 bool useStore) {
    const std::wstring storePart = useStore ? L" /store " + Plain(store) : std::wstring();
    return Plain(bcdedit) + storePart + L" /enum osloader /v";
}

std::wstring DeleteEntryCommand(const std::wstring& id) {
    return L"/delete " + Plain(id) + L" /f /cleanup";
}

std::wstring ExportStoreCommand(const std::wstring& backupPath) {
    return L"/export " + Quoted(backupPath);
}

std::wstring ImportStoreCommand(const std::wstring& backupPath) {
    return L"/import " + Quoted(backupPath);
}

std::wstring DisplayOrderAddLastCommand(const std::wstring& store, const std::wstring& id) {
    return StorePrefix(store) + L"/displayorder " + Plain(id) + L" /addlast";
}

std::wstring DisplayOrderCommand(const std::wstring& store, const std::vector<std::wstring>& ids) {
    std::wstring command = StorePrefix(store) + L"/displayorder ";
    for (const std::wstring& id : ids) {
        command += Plain(id) + L" ";
    }
    return command;
}

std::wstring SetDescriptionCommand(const std::wstring& store, const std::wstring& id,
                                   const std::wstring& description) {
    return StorePrefix(store) + L"/set " + Plain(id) + L" description " + Quoted(description);
}

std::wstring SetLocaleCommand(const std::wstring& store, const std::wstring& id,
                              const std::wstring& locale) {
    return StorePrefix(store) + L"/set " + Plain(id) + L" locale " + Quoted(locale);
}

std::wstring TimeoutCommand(const std::wstring& store, const std::wstring& timeout) {
    return StorePrefix(store) + L"/timeout " + Plain(timeout);
}

std::wstring DefaultCommand(const std::wstring& store, const std::wstring& id) {
    return StorePrefix(store) + L"/default " + Plain(id);
}

std::wstring GraphicsResolutionCommand(const std::wstring& store) {
    return StorePrefix(store) + L"/set {bootmgr} GraphicsResolution 1024x768";
}

std::wstring CreateNtldrEntryCommand(const std::wstring& store, const std::wstring& description) {
    return StorePrefix(store) + L"/create " + kNtldrId + L" /d " + Quoted(description);
}

std::wstring SetNtldrPathCommand(const std::wstring& store) {
    return StorePrefix(store) + L"/set " + kNtldrId + L" path \\ntldr";
}

std::wstring SetNtldrDeviceCommand(const std::wstring& store, wchar_t letter) {
    return StorePrefix(store) + L"/set " + kNtldrId + L" device partition=" + letter + L":";
}

std::wstring SetNtldrLocaleCommand(const std::wstring& store) {
    return StorePrefix(store) + L"/set " + kNtldrId + L" locale zh-CN";
}

std::wstring FirmwareBootManagerCommand(bool first) {
    return std::wstring(L"/set {fwbootmgr} displayorder ") + kBootmgrId +
           (first ? L" /addfirst" : L" /addlast");
}

}  // namespace qn
