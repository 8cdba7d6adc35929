// boot.ini comes from the disk of the machine being repaired: any bytes at all. As lines they must
// come back exactly; the lines the document takes for menu lines must be the entries the boot.ini
// reader (the profile rules, the native fake) makes of the same bytes; and an editor's save of
// them, when it is not refused, must read back as meant and find its own lines again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "boot/boot_ini_document.h"
#include "boot/boot_ini_reader.h"
#include "boot/fake/fake_profile_file.h"
#include "editor/editor_boot_ini_lines.h"
#include "editor/editor_menu.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_random_source.h"

namespace {

bool SameMenu(const std::vector<qn::BootIniMenuLine>& menu,
              const std::vector<qn::BootIniLine>& lines) {
    if (menu.size() != lines.size()) {
        return false;
    }
    for (std::size_t i = 0; i < menu.size(); ++i) {
        if (menu[i].arcPath != lines[i].arcPath || menu[i].value != lines[i].value) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qn::fake::FakeCodePage codePage(936, 936);
    const std::vector<std::uint8_t> bytes(data, data + size);
    const qn::BootIniDocument document = qn::ParseBootIniDocument(bytes, codePage);
    if (qn::BootIniDocumentBytes(document) != bytes) {
        __builtin_trap();
    }

    const std::wstring path = L"C:\\boot.ini";
    qn::fake::FakeFileSystem files;
    files.AddFile(path, bytes);
    qn::fake::FakeProfileFile profile(files, codePage);
    qn::fake::FakeRandomSource random;
    const qn::BcdListing loaded = qn::ReadBootIni(profile, random, path);
    std::vector<qn::BootIniLine> entries;
    for (const qn::BootEntry& entry : loaded.entries) {
        entries.push_back({entry.device, entry.osdevice});
    }
    if (!SameMenu(qn::BootIniMenuLines(document), entries)) {
        __builtin_trap();  // a row would find another row's line
    }

    // The rows in reverse order, the first one renamed, the last one the default.
    std::vector<qn::RowValues> rows;
    for (auto entry = loaded.entries.rbegin(); entry != loaded.entries.rend(); ++entry) {
        rows.push_back({entry->identifier, entry->description, L"", false});
    }
    if (!rows.empty()) {
        rows.front().description = L"renamed 改名";
        rows.back().isDefault = true;
    }
    const qn::BcdListing working = qn::WorkingListing(rows, loaded.bootManager.timeout, 0);
    const qn::BootIniEdit edit = qn::EditBootIniDocument(document, loaded, working, codePage);
    if (!edit.refusal.empty()) {
        return 0;
    }
    const std::vector<std::uint8_t> saved = qn::BootIniDocumentBytes(edit.document);
    const qn::BootIniDocument reread = qn::ParseBootIniDocument(saved, codePage);
    if (!SameMenu(qn::BootIniMenuLines(reread), edit.menu)) {
        __builtin_trap();
    }
    // A second save of the same rows, as the page allows without a reload.
    const qn::BootIniEdit again = qn::EditBootIniDocument(reread, loaded, working, codePage);
    if (!again.refusal.empty() || !SameMenu(qn::BootIniMenuLines(again.document), edit.menu)) {
        __builtin_trap();
    }
    return 0;
}
