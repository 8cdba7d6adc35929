#include "sim/loader_image.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace qn::sim {
namespace {

const char* Text(FileImage image) {
    switch (image) {
        case FileImage::Bootmgr:
            return "Quenra simulated boot file: Windows Boot Manager (BIOS) 6.1.7601\r\n";
        case FileImage::BootmgrEfi:
            return "Quenra simulated boot file: Windows Boot Manager (EFI x64) 6.1.7601\r\n";
        case FileImage::Ntldr:
            return "Quenra simulated boot file: NT loader 5.1.2600\r\n";
        case FileImage::Ntdetect:
            return "Quenra simulated boot file: NT hardware detection 5.1.2600\r\n";
        case FileImage::Winload:
            return "Quenra simulated boot file: Windows OS loader (BIOS)\r\n";
        case FileImage::WinloadEfi:
            return "Quenra simulated boot file: Windows OS loader (EFI x64)\r\n";
        case FileImage::Grub:
            return "Quenra simulated boot file: GRUB 2 for EFI x64\r\n";
        case FileImage::Other:
            return "Quenra simulated boot file: unknown program\r\n";
        case FileImage::Empty:
            break;
    }
    return "";
}

std::wstring LowerName(std::wstring_view path) {
    const std::size_t slash = path.rfind(L'\\');
    std::wstring name(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
    for (wchar_t& c : name) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return name;
}

}  // namespace

std::vector<std::uint8_t> ImageBytes(FileImage image) {
    const std::string text = Text(image);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

FileImage ClassifyImage(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return FileImage::Empty;
    }
    for (FileImage kind :
         {FileImage::Bootmgr, FileImage::BootmgrEfi, FileImage::Ntldr, FileImage::Ntdetect,
          FileImage::Winload, FileImage::WinloadEfi, FileImage::Grub}) {
        const std::vector<std::uint8_t> expected = ImageBytes(kind);
        if (std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end())) {
            return kind;
        }
    }
    return FileImage::Other;
}

FileImage DefaultImageFor(std::wstring_view path) {
    const std::wstring name = LowerName(path);
    if (name == L"bootmgr") {
        return FileImage::Bootmgr;
    }
    if (name == L"bootmgfw.efi" || name == L"bootmgr.efi" || name == L"bootx64.efi" ||
        name == L"bootia32.efi" || name == L"bootaa64.efi") {
        return FileImage::BootmgrEfi;
    }
    if (name == L"ntldr") {
        return FileImage::Ntldr;
    }
    if (name == L"ntdetect.com") {
        return FileImage::Ntdetect;
    }
    if (name == L"winload.exe") {
        return FileImage::Winload;
    }
    if (name == L"winload.efi") {
        return FileImage::WinloadEfi;
    }
    if (name == L"grubx64.efi" || name == L"shimx64.efi" || name == L"grubia32.efi" ||
        name == L"shimia32.efi" || name == L"grubaa64.efi" || name == L"shimaa64.efi") {
        return FileImage::Grub;
    }
    return FileImage::Empty;
}

std::wstring FallbackLoaderFor(FirmwareArchitecture architecture) {
    switch (architecture) {
        case FirmwareArchitecture::X86:
            return L"\\EFI\\Boot\\bootia32.efi";
        case FirmwareArchitecture::Arm64:
            return L"\\EFI\\Boot\\bootaa64.efi";
        case FirmwareArchitecture::X64:
        case FirmwareArchitecture::Unknown:
            break;
    }
    return L"\\EFI\\Boot\\bootx64.efi";
}

}  // namespace qn::sim
