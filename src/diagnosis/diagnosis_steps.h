#pragma once

// The steps of DiagnoseBoot, shared by the files that take them: diagnosis_reading.cpp (disks,
// volumes, boot files, the firmware's order), diagnosis_roads.cpp (the BIOS and UEFI roads and
// the installations' verdicts), diagnosis_menus.cpp (the boot manager's and ntldr's menus, each
// entry followed to what it starts) and diagnosis_text.cpp (the small helpers). Internal to
// src/diagnosis.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boot/arc_path.h"
#include "boot/boot_entry.h"
#include "boot/text_helpers.h"
#include "diagnosis/diagnose_boot.h"
#include "disk/windows_install.h"

namespace qn::diagnosis_detail {

inline constexpr std::uint8_t kMbrEspType = 0xEF;
// What ntldr starts when boot.ini names no default.
inline constexpr wchar_t kNtldrFallbackArc[] = L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS";
inline constexpr wchar_t kWindowsLoaderEfi[] = L"\\EFI\\Microsoft\\Boot\\bootmgfw.efi";
inline constexpr wchar_t kNtldrIds[][40] = {L"{ntldr}", L"{466f5a88-0af2-4f76-9038-095b170dc21c}"};
// bcdedit's redirected output is in the console code page.
inline constexpr CodePageKind kBcdeditOutput = CodePageKind::Oem;

// Ending with, without regard to case.
bool EndsWith(std::wstring_view text, std::wstring_view tail);
std::wstring DiskName(std::uint32_t number);  // "磁盘0"
FilePresence Presence(FileSystem& files, const std::wstring& path);

// A Windows of Vista or later by what a deleted loader leaves: winload.exe or winload.efi, the
// \Windows\Boot folder bcdboot copies from, the store template in System32\config. Windows XP
// has none of them.
bool HasVistaMarkers(FileSystem& files, char letter);

// An MBR partition type of an extended partition (0x05, 0x0F, 0x85): a container of logical
// partitions, with no boot code of its own.
bool IsExtendedPartitionType(std::uint8_t type);

// "D:\EFI\Boot\bootx64.efi 不存在" or "... 已损坏（0 字节）"; empty when the file is usable.
std::wstring FileState(FilePresence presence, const std::wstring& path);

// "缺少 bootmgr" or "bootmgr 已损坏（0 字节）" after the place; empty when the file is usable.
std::wstring FileProblem(FilePresence presence, const std::wstring& place,
                         const std::wstring& name);

// "partition=C:" -> 'C'; "boot" -> the partition the boot manager started from.
std::optional<char> DeviceLetter(std::wstring_view device, char bootLetter);

// Seconds of a timeout text ("30"); nothing for anything else.
std::optional<int> Seconds(std::wstring_view text);

// A store's entry that chains to ntldr ({ntldr}, or the path \ntldr).
bool IsNtldrEntry(const BootEntry& entry);

// What one menu entry starts.
struct Reach {
    char target = 0;
    std::wstring problem;
    bool unseen = false;  // problem says what could not be checked (a locked volume)
};

// One diagnosis in the making: the ports it reads and the result it fills.
class Diagnosis {
public:
    Diagnosis(DiagnosisPorts& ports, BootDiagnosis& result) : ports_(ports), d_(result) {}

    // What is there: each disk's sector 0, then each lettered volume (after the disks).
    void ReadDisks();
    void ReadVolumes();
    // The firmware's road to its first broken link, or to a menu and its default.
    void BiosRoad();
    void UefiRoad();
    // Each installation: bootable when an entry of the menu reached starts it.
    void Judge(const InstallationTable& installations);
    // An installation whose version the scan could not read is dated by its files.
    void DateUnknownVersions();

    // The systems judged: the scan's, or those found by their files.
    InstallationTable installations_;
    // The partition the firmware is taken to start; 0: the one it really starts.
    char assumed_ = 0;

private:
    void Link(std::wstring text) { d_.chain.push_back(std::move(text)); }
    void Broken(std::wstring problem);
    // The road ends where the diagnosis cannot see further.
    void Unseen(std::wstring problem);
    static bool IsFat(const std::wstring& fileSystem);
    // As IsRemovableDisk tells it, but through a query-only handle (IOCTL_STORAGE_GET_HOTPLUG_INFO
    // needs no access rights): the diagnosis opens nothing for writing.
    bool Removable(std::uint32_t disk);
    char LetterAtSector(std::uint32_t disk, std::uint32_t sector) const;
    // The boot record as the firmware reads it: through the disk at the partition's first sector
    // (an unlocked BitLocker volume shows its own device the file system's boot sector, which
    // BitLocker keeps elsewhere); through the volume when its disk or place is unknown.
    std::optional<BootRecordKind> ReadBootRecord(const VolumeDiagnosis& volume,
                                                 std::int64_t offset);
    BootFiles FilesOn(char letter);
    void ReadFirmwareOrder();
    // The EFI system partition that holds Windows Boot Manager, for a firmware entry that names
    // none the diagnosis could see.
    const VolumeDiagnosis* WindowsEsp() const;
    // bootmgfw.efi itself, or the fallback loader when it is a copy of it (the same size): the
    // diagnosis sees names and sizes, not what a program is.
    bool IsWindowsBootManager(const VolumeDiagnosis& volume, const std::wstring& path);
    // Why the firmware cannot load the program at path on volume (named so in problems); empty
    // when it can.
    std::wstring UefiLoaderProblem(const VolumeDiagnosis* volume, const std::wstring& name,
                                   const std::wstring& path);
    // The program the firmware starts: Windows Boot Manager and its store's menu, or the end.
    void UefiLoaderRoad(const VolumeDiagnosis& volume, const std::wstring& name,
                        const std::wstring& path, bool once);
    // No program could be loaded: the first problem of the boot order, or what the fallback
    // loaders say when the order could not be read.
    void NoUefiLoaderStarts(const std::vector<const VolumeDiagnosis*>& esps,
                            const std::wstring& firstProblem);
    // ntldr on the active partition: NTDETECT.COM, boot.ini and the menu it gives.
    void NtldrRoad(const VolumeDiagnosis& active);
    // boot.ini's default, or ntldr's own when it names none.
    std::wstring DefaultArc(const std::wstring& iniPath);
    // The Windows an ARC path names, as ntldr finds it: the disk in BIOS order (its number) and
    // the partition as Windows numbers it on that disk.
    // The disk number of boot.ini's rdisk(N), counted from the disk the BIOS started; -1: none.
    std::int32_t DiskOfRdisk(std::uint32_t rdisk) const;
    Reach ReachOfArc(const std::wstring& text);
    // What ntldr on a partition starts by default, for an entry of a store that chains to it.
    Reach ReachThroughNtldr(char letter);
    // What a store's entry starts: a loader (device, osdevice, the firmware's winload, a Windows
    // there, the loader file) or the chain to ntldr.
    Reach ReachOfEntry(const BootEntry& entry, char bootLetter, bool uefi);
    // The boot manager's menu from the store, read with the program's own enumeration: its display
    // order and default, each entry followed; the default decides whether the machine boots.
    void BcdMenu(char bootLetter, const std::wstring& store, bool uefi, const std::wstring& name);
    // The store's one-time boot sequence: its first Windows entry decides the next start instead
    // of the default.
    void OneTimeBoot(const std::vector<std::wstring>& sequence,
                     const std::function<const BootEntry*(const std::wstring&)>& find,
                     char bootLetter, bool uefi);

    DiagnosisPorts& ports_;
    BootDiagnosis& d_;
    std::map<std::uint32_t, MbrLayout> layouts_;
    std::map<std::uint32_t, std::uint32_t> sectorBytes_;
    std::map<char, std::int64_t> offsets_;
};

}  // namespace qn::diagnosis_detail
