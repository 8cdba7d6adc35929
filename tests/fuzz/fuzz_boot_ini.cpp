// boot.ini comes from the disk of the machine being repaired: any bytes at all. They go through
// the profile rules (the native fake) into ReadBootIni, and a save of what was read must give a
// file that reads back to the same lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "boot/boot_ini_reader.h"
#include "boot/boot_ini_writer.h"
#include "boot/fake/fake_profile_file.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_module_resources.h"
#include "platform/fake/fake_random_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = L"C:\\boot.ini";
    qn::fake::FakeFileSystem files;
    files.AddFile(path, std::vector<std::uint8_t>(data, data + size));
    static qn::fake::FakeCodePage codePage(936, 936);
    qn::fake::FakeProfileFile profile(files, codePage);
    qn::fake::FakeRandomSource random;
    const qn::BcdListing loaded = qn::ReadBootIni(profile, random, path);
    if (loaded.entries.size() != loaded.bootManager.displayorder.size()) {
        __builtin_trap();
    }
    for (const qn::BootEntry& entry : loaded.entries) {
        if (entry.device.find(L'=') != std::wstring::npos) {
            __builtin_trap();  // the ARC path ends at the first "="
        }
    }

    qn::fake::FakeModuleResources resources;
    qn::fake::FakeClock clock({2026, 1, 2, 3, 4, 5, 0});
    qn::BootIniPorts ports{profile, files, resources, clock};
    const qn::BootIniWriteResult saved = qn::WriteBootIni(ports, path, loaded, loaded);
    if (!saved.ok || files.FileBytes(saved.backupPath) == nullptr) {
        __builtin_trap();  // a readable file can always be backed up and rewritten here
    }
    qn::ReadBootIni(profile, random, path);
    return 0;
}
