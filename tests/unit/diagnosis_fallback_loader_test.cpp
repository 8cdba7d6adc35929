// The UEFI fallback loader is named for the firmware's architecture: the diagnosis looks for the
// one the firmware looks for, as the simulated firmware and the stand-in bcdboot do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnosis/diagnosis_log.h"
#include "diagnosis_sim_support.h"
#include "platform/firmware_architecture.h"
#include "sim/loader_image.h"
#include "sim_test_support.h"

namespace qn::sim {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

TEST(FirmwareArchitecture, NamesAndMachineTypes) {
    struct Case {
        FirmwareArchitecture architecture;
        const wchar_t* fallback;
        std::uint16_t imageMachine;
        std::uint16_t processor;
    };
    const Case cases[] = {
        {FirmwareArchitecture::X64, L"\\EFI\\Boot\\bootx64.efi", 0x8664, 9},
        {FirmwareArchitecture::X86, L"\\EFI\\Boot\\bootia32.efi", 0x014C, 0},
        {FirmwareArchitecture::Arm64, L"\\EFI\\Boot\\bootaa64.efi", 0xAA64, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.fallback));
        EXPECT_EQ(std::wstring(FallbackLoaderPath(c.architecture)), c.fallback);
        EXPECT_EQ(FallbackLoaderFor(c.architecture), c.fallback) << "the sim's own names agree";
        EXPECT_EQ(ArchitectureOfImageMachine(c.imageMachine), c.architecture);
        EXPECT_EQ(ArchitectureOfProcessor(c.processor), c.architecture);
    }
    // Itanium, ARM32 and values no Windows gives: unknown, looked for as x64's.
    EXPECT_EQ(ArchitectureOfImageMachine(0x0200), FirmwareArchitecture::Unknown);
    EXPECT_EQ(ArchitectureOfProcessor(6), FirmwareArchitecture::Unknown);
    EXPECT_EQ(ArchitectureOfProcessor(0xFFFF), FirmwareArchitecture::Unknown);
    EXPECT_EQ(std::wstring(FallbackLoaderPath(FirmwareArchitecture::Unknown)),
              L"\\EFI\\Boot\\bootx64.efi");
}

// A UEFI machine without firmware entries: only a fallback loader on the ESP can start it.
Scenario FallbackOnly(const std::string& arch, const std::string& loader) {
    return test::ScenarioText(
        "<machine firmware='uefi' firmwarearch='" + arch +
        "' winpe='true'><disk number='0' style='gpt' size='64G'>"
        "<partition offset='1M' length='100M' gpttype='esp' fs='FAT32'>"
        "<file path='\\EFI\\Microsoft\\Boot\\bootmgfw.efi'/>"
        "<file path='\\EFI\\Boot\\" +
        loader +
        "' image='bootmgfw'/><bcd><bootmgr device='self' "
        "path='\\EFI\\Microsoft\\Boot\\bootmgfw.efi' default='w' displayorder='w'/>"
        "<osloader name='w' description='Windows 10' device='0:2' "
        "path='\\Windows\\system32\\winload.efi' osdevice='0:2' systemroot='\\Windows'/></bcd>"
        "</partition><partition offset='101M' length='60G' gpttype='basic' letter='C'>"
        "<windows product='Windows 10 Home' version='6.3' arch='" +
        (arch == "x86" ? std::string("x86") : std::string("x64")) +
        "'/></partition></disk></machine>");
}

TEST(FallbackLoader, TheFirmwareLooksForItsOwnArchitecturesOnly) {
    struct Case {
        const char* arch;
        const char* loader;  // the one fallback loader on the ESP
        bool boots;
    };
    const Case cases[] = {
        {"x86", "bootia32.efi", true},   {"x86", "bootx64.efi", false},
        {"x64", "bootx64.efi", true},    {"x64", "bootia32.efi", false},
        {"arm64", "bootaa64.efi", true}, {"arm64", "bootx64.efi", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.arch) + " " + c.loader);
        test::DiagnosisSession session(FallbackOnly(c.arch, c.loader));
        const BootVerdict verdict = session.Machine().Boot();
        EXPECT_EQ(verdict.boots, c.boots) << testing::PrintToString(verdict.problem);
        const BootDiagnosis d = session.Diagnose();
        EXPECT_EQ(d.boots, c.boots) << testing::PrintToString(d.problem);
        const VolumeDiagnosis* esp = nullptr;
        for (const VolumeDiagnosis& volume : d.volumes) {
            esp = volume.esp ? &volume : esp;
        }
        ASSERT_NE(esp, nullptr);
        EXPECT_EQ(esp->files.efiFallback, c.boots ? FilePresence::Present : FilePresence::Missing);
        if (!c.boots) {
            EXPECT_THAT(d.problem, HasSubstr(d.fallbackLoader + L" 不存在"));
            EXPECT_THAT(verdict.problem, HasSubstr(d.fallbackLoader + L" missing"));
        }
    }
}

TEST(FallbackLoader, TheScenarioOfA32BitFirmwareAndItsLog) {
    test::DiagnosisSession session(test::ScenarioFile("uefi_ia32_fallback.xml"));
    EXPECT_TRUE(session.Machine().Boot().boots);
    const BootDiagnosis d = session.Diagnose();
    EXPECT_TRUE(d.boots) << testing::PrintToString(d.problem);
    EXPECT_EQ(d.architecture, FirmwareArchitecture::X86);
    const std::vector<std::wstring> lines = DiagnosisLogLines(d);
    EXPECT_THAT(lines, Contains(L"固件: UEFI (x86，后备启动程序 \\EFI\\Boot\\bootia32.efi)"));
    bool listed = false;
    for (const std::wstring& line : lines) {
        listed = listed || (line.find(L"EFI 系统分区") != std::wstring::npos &&
                            line.find(L"\\EFI\\Boot\\bootia32.efi") != std::wstring::npos);
    }
    EXPECT_TRUE(listed) << testing::PrintToString(lines);
}

// bcdboot names the fallback copy for the architecture of the Windows it copies from.
TEST(FallbackLoader, BcdbootWritesTheOneOfItsBootFilesArchitecture) {
    struct Case {
        const char* arch;
        const wchar_t* written;
        const wchar_t* absent;
    };
    const Case cases[] = {
        {"x86", L"S:\\EFI\\Boot\\bootia32.efi", L"S:\\EFI\\Boot\\bootx64.efi"},
        {"x64", L"S:\\EFI\\Boot\\bootx64.efi", L"S:\\EFI\\Boot\\bootia32.efi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arch);
        test::Machine machine(FallbackOnly(c.arch, "none.efi"));
        ASSERT_EQ(machine->Volumes().SetMountPoint(
                      L"S:\\", fake::FakeVolumePort::NameOf(machine->VolumeAt(0, 1)->id)),
                  0u);
        EXPECT_FALSE(machine->Boot().boots);
        ASSERT_EQ(machine.Capture(L"bcdboot C:\\Windows /s S: /f UEFI").exitCode, 0u);
        const auto* bytes = machine->Files().FileBytes(c.written);
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(ClassifyImage(*bytes), FileImage::BootmgrEfi);
        EXPECT_FALSE(machine->Files().IsFile(c.absent));
        EXPECT_TRUE(machine->Boot().boots) << "through the fallback loader it wrote";
    }
}

}  // namespace
}  // namespace qn::sim
