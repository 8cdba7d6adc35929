#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qn::sim {

// The language the machine's Windows speaks: the stand-in tools print in it, encoded in its
// console code page, as the real ones do.
enum class ToolLanguage { ZhCn, EnUs, DeDe, FrFr, JaJp };

std::optional<ToolLanguage> LanguageFromTag(std::wstring_view tag);  // "zh-CN", any case
const wchar_t* LanguageTag(ToolLanguage language);
// The OEM code page a console program of that language writes redirected output in.
unsigned ConsoleCodePage(ToolLanguage language);
// The ANSI code page of that Windows, which boot.ini is written in.
unsigned AnsiCodePage(ToolLanguage language);

// Section titles of a bcdedit enumeration.
enum class SectionTitle {
    BootManager,
    FirmwareBootManager,
    FirmwareApplication,
    Loader,
    LegacyLoader,
    MemoryTester,
    Resume,
    GlobalSettings,
    LoaderSettings,
    ResumeSettings,
};

std::wstring_view Title(ToolLanguage language, SectionTitle title);
// The one element name bcdedit translates.
std::wstring_view IdentifierKey(ToolLanguage language);

// What the stand-in tools print, one line each (the caller adds the line ends).
enum class ToolText {
    OperationOk,
    EntryCreated,  // %s: the identifier
    StoreNotOpened,
    FileNotFound,
    PathNotFound,
    RegistryCorrupt,
    ParameterIncorrect,
    AccessDenied,
    ObjectExists,
    ElementNotFound,
    ReferenceFailed,
    SetFailed,
    CreateFailed,
    DeleteFailed,
    ExportFailed,
    ImportFailed,
    WellKnownNeedsForce,
    ElementNotApplicable,
    RunBcdeditHelp,
    CommandNotValid,  // %s: the command's name
    UnknownCommand,
    SystemDeviceNotFound,
    DeleteValueFailed,
    DeviceNotValid,
    NoMatchingObjects,
    BootFilesCreated,
    CopyFailed,
    BootsectTargetNt60,
    BootsectTargetNt52,
    BootsectUpdatedNtfs,
    BootsectUpdatedFat32,
    BootsectUpdatedFat,
    BootsectUpdatedDisk,
    BootsectAllUpdated,
    BootsectUnlockedNtfs,  // the update went on without the lock: a warning, wrapped in two
    BootsectUnlockedFat32,
    BootsectUnlockedFat,
    BootsectUnlockedTail,
    BootsectGptDisk,
    BootsectForcedDismount,
    BootsectUnknownFileSystem,
    BootsectNotAllUpdated,
};

std::wstring Text(ToolLanguage language, ToolText text);
// The text with its single %s replaced.
std::wstring Text(ToolLanguage language, ToolText text, std::wstring_view argument);

}  // namespace qn::sim
