#include "sim/boot_code_kind.h"

#include <iterator>

namespace qn::sim {
namespace {

template <typename Kind>
struct Named {
    const wchar_t* name;
    Kind kind;
};

constexpr Named<MbrCode> kMbrCodes[] = {
    {L"none", MbrCode::None}, {L"nt60", MbrCode::Nt60},         {L"nt52", MbrCode::Nt52},
    {L"grub", MbrCode::Grub}, {L"syslinux", MbrCode::Syslinux}, {L"other", MbrCode::Other}};
constexpr Named<BootRecordCode> kBootRecordCodes[] = {
    {L"none", BootRecordCode::None},           {L"bootmgr", BootRecordCode::Bootmgr},
    {L"ntldr", BootRecordCode::Ntldr},         {L"grub", BootRecordCode::Grub},
    {L"bitlocker", BootRecordCode::BitLocker}, {L"other", BootRecordCode::Other}};
constexpr Named<FileImage> kFileImages[] = {{L"empty", FileImage::Empty},
                                            {L"bootmgr", FileImage::Bootmgr},
                                            {L"bootmgfw", FileImage::BootmgrEfi},
                                            {L"ntldr", FileImage::Ntldr},
                                            {L"ntdetect", FileImage::Ntdetect},
                                            {L"winload", FileImage::Winload},
                                            {L"winloadefi", FileImage::WinloadEfi},
                                            {L"grub", FileImage::Grub},
                                            {L"other", FileImage::Other}};

template <typename Kind, std::size_t N>
std::optional<Kind> ByName(const Named<Kind> (&table)[N], std::wstring_view name) {
    for (const auto& entry : table) {
        if (name == entry.name) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

template <typename Kind, std::size_t N>
const wchar_t* NameOf(const Named<Kind> (&table)[N], Kind kind) {
    for (const auto& entry : table) {
        if (entry.kind == kind) {
            return entry.name;
        }
    }
    return L"other";
}

}  // namespace

std::optional<MbrCode> MbrCodeFromName(std::wstring_view name) {
    return ByName(kMbrCodes, name);
}

const wchar_t* MbrCodeName(MbrCode code) {
    return NameOf(kMbrCodes, code);
}

std::optional<BootRecordCode> BootRecordCodeFromName(std::wstring_view name) {
    return ByName(kBootRecordCodes, name);
}

const wchar_t* BootRecordCodeName(BootRecordCode code) {
    return NameOf(kBootRecordCodes, code);
}

std::optional<FileImage> FileImageFromName(std::wstring_view name) {
    return ByName(kFileImages, name);
}

}  // namespace qn::sim
