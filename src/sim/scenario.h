#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "disk/partition_information.h"
#include "platform/firmware_architecture.h"
#include "sim/boot_code_kind.h"
#include "sim/tool_language.h"

namespace qn::sim {

// A simulated machine as a scenario file describes it: disks, partitions, the files on them,
// the Windows installations, and the boot state (firmware, boot code, stores, boot.ini). Plain
// data; the simulation adapters are built from it.

struct ScenarioInstall {
    std::wstring productName;     // empty with productReadable false: the value is missing
    bool productReadable = true;  // false: the hive cannot be read
    std::wstring currentVersion;  // "6.1"; empty: missing
    bool x64 = true;
    bool running = false;   // the system the program runs on
    bool bootFiles = true;  // \Windows\Boot holds what bcdboot copies (Vista and later)
};

// One object of a store as the scenario writes it: its type (the element's tag), a local name
// other objects refer to it by, an optional fixed identifier, and its elements as text.
struct ScenarioBcdObject {
    std::wstring type;  // "bootmgr", "osloader", "resume", "ntldr", "memdiag", ...
    std::wstring name;
    std::wstring id;  // "{...}"; empty: a new one
    std::vector<std::pair<std::wstring, std::wstring>> elements;
};

struct ScenarioStore {
    std::wstring path;  // "\Boot\BCD"
    std::vector<ScenarioBcdObject> objects;
};

struct ScenarioBootIniLine {
    std::wstring arc;  // "multi(0)disk(0)rdisk(0)partition(2)\WINDOWS"
    std::wstring text;
    std::wstring switches;
};

struct ScenarioBootIni {
    std::wstring timeout;  // empty: no timeout line
    std::wstring defaultArc;
    std::vector<ScenarioBootIniLine> lines;
};

// A file's exact content as the scenario gives it: bytes (base64 in the file), or text that the
// machine encodes when it starts (UTF-8 as written, or the ANSI code page of the scenario's
// language, as Notepad on that Windows saves boot.ini, or UTF-16LE with its byte order mark).
enum class FileTextEncoding { Utf8, Ansi, Utf16 };

struct ScenarioFileContent {
    bool isText = false;
    std::vector<std::uint8_t> bytes;  // !isText
    std::wstring text;                // isText
    FileTextEncoding encoding = FileTextEncoding::Utf8;
};

struct ScenarioPartition {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::uint8_t mbrType = 0x07;  // MBR disks
    bool active = false;          // MBR boot indicator
    Guid gptType;                 // GPT disks
    char letter = 0;              // 0: no drive letter
    std::wstring label;
    std::wstring fileSystem = L"NTFS";
    std::vector<std::wstring> files;  // "\Boot\BCD", "\bootmgr", ...
    // Files the installation would have that are gone ("\Windows\System32\winload.exe").
    std::vector<std::wstring> deletedFiles;
    // Content of files by path, where the scenario names it; others take it from their name.
    std::map<std::wstring, FileImage> fileImages;
    // Exact content by path, where the scenario gives it (it wins over an image).
    std::map<std::wstring, ScenarioFileContent> fileContents;
    // Files Windows holds open on this volume ("\Boot\BCD"), besides the running system's own.
    std::vector<std::wstring> openFiles;
    std::optional<ScenarioInstall> install;
    std::optional<BootRecordCode> bootCode;  // nullopt: what formatting the volume wrote
    std::optional<std::uint64_t> freeBytes;  // nullopt: half the volume
    bool lockFails = false;                  // open handles keep bootsect from locking it
    bool spanned = false;                    // a dynamic volume that continues on another disk
    // BitLocker-encrypted and locked (pbr "bitlocker"): the program sees a RAW volume whose files
    // it cannot reach; the firmware's boot manager still unlocks it at the next start.
    bool locked = false;
    std::vector<ScenarioStore> stores;
    std::optional<ScenarioBootIni> bootIni;
};

struct ScenarioDisk {
    std::uint32_t number = 0;
    PartitionStyle style = PartitionStyle::Mbr;
    std::uint64_t size = 0;
    bool removable = false;
    // The program cannot read its sectors (a controller or driver that refuses raw reads); the
    // firmware still can.
    bool sectorsUnreadable = false;
    std::string vendor;
    std::string product;
    std::optional<MbrCode> mbrCode;  // nullopt: Windows' own
    std::vector<ScenarioPartition> partitions;
};

// A partition named by its disk's number and its 1-based place in the disk's table.
struct ScenarioPartitionRef {
    std::uint32_t disk = 0;
    int position = 0;
};

// A UEFI boot entry (Boot####) in the firmware's boot order.
struct ScenarioFirmwareEntry {
    std::wstring description;
    ScenarioPartitionRef partition;
    std::wstring path;    // "\EFI\Microsoft\Boot\bootmgfw.efi"
    bool inOrder = true;  // in the boot order; false: kept by the firmware, started only once
    bool next = false;    // the one-time next boot (BootNext)
};

// A run of a stand-in tool that fails instead of doing its work.
struct ScenarioFailure {
    std::wstring tool;     // "bcdedit", "bcdboot", "bootsect"
    std::wstring pattern;  // glob over the arguments joined by blanks, any case
    unsigned long exitCode = 1;
    std::wstring message;
    int times = 1;  // how many matching runs fail; 0: every one
};

// Runs of a stand-in tool that take this long before they do their work (a tool that hangs, for
// the program's time limits).
struct ScenarioSlowRun {
    std::wstring tool;     // "bcdedit", "bcdboot", "bootsect"
    std::wstring pattern;  // glob over the arguments joined by blanks, any case
    std::uint32_t ms = 0;
    int times = 1;  // how many matching runs are slow; 0: every one
};

enum class Firmware { Bios, Uefi };

struct Scenario {
    std::wstring name;
    bool winPE = false;
    int regLoadDelayMs = 0;  // how long each reg load takes (slow disks, for tests)
    // The running Windows holds its system store and its registry hives open (true unless the
    // scenario says otherwise; nothing is held without a running Windows).
    bool systemFilesOpen = true;
    Firmware firmware = Firmware::Bios;
    // How Windows PE was started when not as the machine starts by itself (a stick booted through
    // the firmware's compatibility module on a UEFI machine, or as a UEFI application on a machine
    // set to start its disks the BIOS way): what the program reads as its firmware, while the
    // verdict still starts the machine the firmware way.
    std::optional<Firmware> peFirmware;
    // What a UEFI firmware runs (and the fallback loader it looks for); the running Windows is
    // of the same architecture.
    FirmwareArchitecture firmwareArchitecture = FirmwareArchitecture::X64;
    ToolLanguage language = ToolLanguage::ZhCn;
    // The partition the firmware started the boot manager from, whose store is the system
    // store; nullopt: chosen as Windows would (see SimMachine); systemPartitionNone: none.
    std::optional<ScenarioPartitionRef> systemPartition;
    bool systemPartitionNone = false;
    std::optional<std::uint32_t> biosBootDisk;  // nullopt: the lowest disk number
    // Which of bcdedit, bcdboot and bootsect the running system has; nullopt: as Windows ships.
    std::optional<std::vector<std::wstring>> systemTools;
    std::vector<ScenarioFirmwareEntry> firmwareEntries;  // in boot order
    std::vector<ScenarioFailure> failures;
    std::vector<ScenarioSlowRun> slowRuns;
    std::vector<ScenarioDisk> disks;
};

// MBR types of an extended partition (CHS, LBA, Linux's): a container of logical partitions
// with no boot code of its own.
inline bool IsExtendedPartitionType(std::uint8_t type) {
    return type == 0x05 || type == 0x0F || type == 0x85;
}

// {EBD0A0A2-B9E5-4433-87C0-68B6B72699C7}: basic data.
inline constexpr Guid kBasicDataPartitionType{
    0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
// {DE94BBA4-06D1-4D40-A16A-BFD50179D6AC}: Windows recovery.
inline constexpr Guid kRecoveryPartitionType{
    0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};
// {E3C9E316-0B5C-4DB8-817D-F92DF00215AE}: Microsoft reserved.
inline constexpr Guid kMsReservedPartitionType{
    0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};

}  // namespace qn::sim
