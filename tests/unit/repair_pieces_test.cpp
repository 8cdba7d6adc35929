// The repair engine's pure pieces: command lines, boot.ini keys, failure texts, start decisions.
#include <gtest/gtest.h>

#include "boot/tool_output.h"
#include "boot/utf8_text.h"
#include "disk/arc_key_of_letter.h"
#include "disk/disk_info.h"
#include "disk/fake/fake_storage_port.h"
#include "platform/fake/fake_code_page.h"
#include "platform/fake/fake_file_system.h"
#include "repair/bcd_repair.h"
#include "repair/mbr_repair_run.h"
#include "repair/repair_engine.h"
#include "repair/repair_start.h"
#include "run/recording_processes.h"

namespace qn {
namespace {

BootTarget Target(char letter, PartitionStyle style) {
    return MakeBootTarget({0, style, letter});
}

TEST(RepairCommands, BcdbootNamesTheFirmwareOnlyWithALetter) {
    struct Case {
        char letter;
        PartitionStyle style;
        const wchar_t* parameters;
    } cases[] = {
        {'C', PartitionStyle::Mbr, L"D:\\Windows /s C: /f BIOS /l zh-CN"},
        {'S', PartitionStyle::Gpt, L"D:\\Windows /s S: /f UEFI /l zh-CN"},
        // A style that cannot be read is not taken for MBR.
        {'R', PartitionStyle::Raw, L"D:\\Windows /s R: /f UEFI /l zh-CN"},
        {'#', PartitionStyle::Gpt, L"D:\\Windows /l zh-CN"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BcdbootParameters(Target(c.letter, c.style), L"D:\\Windows", L""), c.parameters)
            << c.letter;
    }
}

TEST(RepairCommands, MbrRepairPicksNt52ForTheMasterRecordOnlyWhenBootIniIsAlone) {
    struct Case {
        MbrRepairKind kind;
        bool store, bootIni;
        const wchar_t* parameters;
        const wchar_t* line;
    } cases[] = {
        {MbrRepairKind::Nt6Pbr, false, true, L"/nt60 C:", L"正在修复激活分区 C: NT6 PBR引导......"},
        {MbrRepairKind::Nt5Pbr, true, false, L"/nt52 C:", L"正在修复激活分区 C: NT5 PBR引导......"},
        {MbrRepairKind::Mbr, true, true, L"/nt60 C: /mbr",
         L"正在修复激活分区 C: 所属硬盘的MBR主引导......"},
        {MbrRepairKind::Mbr, false, false, L"/nt60 C: /mbr", nullptr},
        {MbrRepairKind::Mbr, false, true, L"/nt52 C: /mbr", nullptr},
    };
    for (const Case& c : cases) {
        fake::FakeFileSystem files;
        if (c.store) {
            files.AddFile(L"C:\\Boot\\BCD");
        }
        if (c.bootIni) {
            files.AddFile(L"C:\\boot.ini");
        }
        const MbrRepairRequest request{{0, PartitionStyle::Mbr, 'C'}, c.kind, false};
        EXPECT_EQ(MbrRepairParameters(request, files), c.parameters);
        if (c.line != nullptr) {
            EXPECT_EQ(MbrRepairLine(request), c.line);
        }
    }
}

class ArcKeyTest : public ::testing::Test {
protected:
    void Disk(std::uint32_t number, bool removable) {
        fake::FakePhysicalDrive& drive = storage.Drive(number);
        drive.geometry = fake::FixedDiskGeometry(100ull << 30);
        PartitionInformation whole;
        whole.style = PartitionStyle::Mbr;
        drive.partition = whole;
        drive.hotplug = HotplugInfo{removable, removable};
    }
    void Letter(char letter, std::uint32_t disk, std::int64_t offset, std::uint32_t number) {
        fake::FakeVolume& volume = storage.Volume(letter);
        volume.diskNumber = disk;
        PartitionInformation info = fake::MbrPartition(offset);
        info.partitionNumber = number;
        volume.partition = info;
    }
    fake::FakeStoragePort storage;
    fake::FakeCodePage codePage;
};

// rdisk counts from the disk the BIOS starts ntldr from (where boot.ini goes): that disk first,
// the other fixed disks by number, sticks last.
TEST_F(ArcKeyTest, CountsEveryPartitionAndEveryDiskFromTheOneThatStarts) {
    Disk(0, true);  // Windows PE's stick, numbered first
    Disk(1, false);
    Disk(2, false);
    // Disk 1: an unlettered recovery partition first, then C: (second) and D: (third).
    Letter('U', 0, 1 << 20, 1);
    Letter('C', 1, 2 << 20, 2);
    Letter('D', 1, 40ll << 30, 3);
    Letter('E', 2, 1 << 20, 1);
    DiskInfo inventory(storage, codePage);
    struct Case {
        std::int32_t bootDisk;  // -1: as the BIOS starts the machine
        char letter;
        const wchar_t* key;
    };
    const Case cases[] = {
        {-1, 'D', L"multi(0)disk(0)rdisk(0)partition(3)\\WINDOWS"},
        {1, 'E', L"multi(0)disk(0)rdisk(1)partition(1)\\WINDOWS"},
        {1, 'U', L"multi(0)disk(0)rdisk(2)partition(1)\\WINDOWS"},
        // Boot files for the second disk: it is rdisk(0) when it starts.
        {2, 'E', L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"},
        {2, 'C', L"multi(0)disk(0)rdisk(1)partition(2)\\WINDOWS"},
        {0, 'D', L"multi(0)disk(0)rdisk(1)partition(3)\\WINDOWS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bootDisk) + "/" + std::string(1, c.letter));
        EXPECT_EQ(ArcKeyOfLetter(storage, inventory, c.letter, c.bootDisk), c.key);
    }
}

TEST_F(ArcKeyTest, FallsBackToTheLettersPlaceAndNamesNoDiskItCannotTell) {
    Disk(0, false);
    Letter('C', 0, 1 << 20, 0);  // the system gave no partition number
    Letter('D', 0, 40ll << 30, 0);
    DiskInfo inventory(storage, codePage);
    EXPECT_EQ(ArcKeyOfLetter(storage, inventory, 'D', 0),
              L"multi(0)disk(0)rdisk(0)partition(2)\\WINDOWS");
    storage.Volume('Z').diskNumber.reset();  // a volume on two disks
    EXPECT_EQ(ArcKeyOfLetter(storage, inventory, 'Z', 0), std::nullopt);
}

TEST(RepairTexts, AFailedRunSaysWhichToolAndHowWithItsFirstShortLine) {
    struct Case {
        ProcessResult result;
        std::wstring output;
        const wchar_t* text;
    } cases[] = {
        {{true, true, 1},
         L"\r\nFailure when attempting to copy boot files.\r\n",
         L"bcdboot.exe 退出码 1: Failure when attempting to copy boot files."},
        {{true, true, 2}, L"", L"bcdboot.exe 退出码 2（找不到文件）"},
        {{true, true, 4}, std::wstring(150, L'x') + L"\r\nsecond", L"bcdboot.exe 退出码 4"},
        // bcdboot's diagnostics come first; its own summary is what tells a person.
        {{true, true, 112},
         L"BFSVC Error: Failed to copy file S:\\EFI\\Boot\\bootx64.efi! Error code = 0x70\r\n"
         L"尝试复制启动文件时失败。\r\n",
         L"bcdboot.exe 退出码 112（磁盘空间不足）: 尝试复制启动文件时失败。"},
        {{true, true, 19},
         L"BFSVC Error: first\r\nBFSVC Error: Failed to open S:\\x Error code = 0x13\r\n",
         L"bcdboot.exe 退出码 19（介质受写入保护）: Failed to open S:\\x Error code = 0x13"},
        {{false, false, 0}, L"", L"bcdboot.exe 无法启动"},
        {{true, false, 0}, L"", L"bcdboot.exe 结果未知"},
    };
    for (const Case& c : cases) {
        ToolRun run;
        run.result = c.result;
        run.decodedOutput = c.output;
        EXPECT_EQ(DescribeFailedRun(run, L"bcdboot.exe", true), c.text);
    }
    ToolRun bootsect;
    bootsect.result = {true, true, 2};
    EXPECT_EQ(DescribeFailedRun(bootsect, L"bootsect.exe"), L"bootsect.exe 退出码 2")
        << "bootsect's exit codes are its own";
    EXPECT_EQ(MeaningfulFailureLine(L"  \t\r\n   参数错误。  \r\n"), L"参数错误。");
}

// The warning is told by its shape, so it is found in every language bootsect speaks; nothing
// else in its output is indented as deep under a line that ends in a colon.
TEST(ToolOutput, BootsectsLockWarningIsFoundByItsShape) {
    struct Case {
        const wchar_t* output;
        std::optional<std::wstring> reason;
    } cases[] = {
        {L"Target volumes will be updated with BOOTMGR compatible bootcode.\r\n\r\nC: "
         L"(\\\\?\\V)\r\n"
         L"\r\n    Successfully updated NTFS filesystem bootcode.\r\n\r\nBootcode was successfully "
         L"updated on all targeted volumes.\r\n",
         std::nullopt},
        {L"\r\n    已更新 NTFS 文件系统启动代码。由于在更新期间无法锁定\r\n    "
         L"卷，此次更新可能不可靠:\r\n"
         L"        拒绝访问。\r\n",
         L"拒绝访问。"},
        {L"    x\n    无法锁定：\n        拒绝访问。\n", L"拒绝访问。"},  // a full-width colon
        {L"    no colon here\r\n        deep\r\n", std::nullopt},
        {L"ends with a colon:\r\n  shallow\r\n", std::nullopt},
        {L"        deep first line\r\n", std::nullopt},
        {L"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BootsectLockWarning(c.output), c.reason) << WideToUtf8(c.output);
    }
}

TEST(RepairTexts, CompletionSaysHowManyStepsFailed) {
    EXPECT_EQ(CompletionText(0), L"修复完成!");
    EXPECT_EQ(CompletionText(2), L"修复未完成：2 个步骤失败");
}

TEST(RecordingProcesses, KeepsEveryRunWithItsOutputDecodedInTheConsoleCodePage) {
    class Echo : public ProcessLauncher {
    public:
        ProcessResult StartThroughShell(const ShellRequest&) override { return {true, true, 5}; }
        ProcessResult RunCaptured(const std::wstring&, std::string& output) override {
            output += "\xb2\xce\xca\xfd\xb4\xed\xce\xf3\xa1\xa3\r\n";  // 参数错误。 in GBK
            return {true, true, 1};
        }
    } echo;
    fake::FakeCodePage codePage(1252, 936);
    RecordingProcesses processes(echo, codePage);
    std::string output = "before ";
    processes.RunCaptured(L"bcdedit /timeout x", output);
    processes.StartThroughShell({L"\"cmd.exe\"", L"/c exit 5", true, false, false});
    ASSERT_EQ(processes.Runs().size(), 2u);
    EXPECT_EQ(output.substr(0, 7), "before ") << "the caller's output is appended to";
    EXPECT_EQ(processes.Runs()[0].decodedOutput, L"参数错误。\r\n");
    EXPECT_EQ(processes.Runs()[0].result.exitCode, 1u);
    EXPECT_EQ(processes.Last().commandLine, L"\"cmd.exe\" /c exit 5");
    EXPECT_EQ(processes.Last().result.exitCode, 5u);
}

// A 32-bit UEFI (a tablet) starts 32-bit Windows 8 and later from GPT; nothing else does.
TEST(RepairStart, ThirtyTwoBitUefiStartsThirtyTwoBitWindowsEightAndLater) {
    struct Case {
        FirmwareMode mode;
        FirmwareArchitecture architecture;
        float version;
        bool starts;
    };
    const Case cases[] = {
        {FirmwareMode::Uefi, FirmwareArchitecture::X86, 6.3f, true},
        {FirmwareMode::Uefi, FirmwareArchitecture::X86, 6.1f, false},  // Windows 7: no EFI files
        {FirmwareMode::Uefi, FirmwareArchitecture::X64, 6.3f, false},
        {FirmwareMode::Bios, FirmwareArchitecture::X86, 6.3f, false},
        {FirmwareMode::Unknown, FirmwareArchitecture::Unknown, 6.3f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.mode) << "/"
                                        << static_cast<int>(c.architecture) << "/" << c.version);
        InstallationTable table;
        table['C'] = WindowsInstall{L"Windows x86", 0, 'C', c.version, 32};
        const FirmwareKind firmware{c.mode, c.architecture};
        SelectForAutomaticRepair(table, PartitionStyle::Gpt, firmware);
        EXPECT_EQ(table['C'].selected, c.starts ? 1 : 0);
        table['C'].selected = 1;
        EXPECT_EQ(Gpt32BitRefusal(BootPartition{0, PartitionStyle::Gpt, 'S'}, table, firmware)
                      .has_value(),
                  !c.starts);
    }
}

TEST(RepairStart, ThirtyTwoBitSystemsAreLeftOutOnGptAndRefusedWhenChosen) {
    InstallationTable table;
    table['C'] = WindowsInstall{L"Windows 7 Ultimate x86", 0, 'C', 6.1f, 32};
    table['D'] = WindowsInstall{L"Windows 10 Pro x64", 0, 'D', 6.3f, 64};
    InstallationTable gpt = table;
    SelectForAutomaticRepair(gpt, PartitionStyle::Gpt);
    EXPECT_EQ(gpt['C'].selected, 0);
    EXPECT_EQ(gpt['D'].selected, 1);
    EXPECT_EQ(Gpt32BitRefusal(BootPartition{0, PartitionStyle::Gpt, kEspWithoutLetter}, gpt),
              std::nullopt);
    InstallationTable mbr = table;
    SelectForAutomaticRepair(mbr, PartitionStyle::Mbr);
    EXPECT_EQ(mbr['C'].selected, 1);
    EXPECT_EQ(Gpt32BitRefusal(BootPartition{0, PartitionStyle::Mbr, 'C'}, mbr), std::nullopt);
    EXPECT_EQ(
        Gpt32BitRefusal(BootPartition{0, PartitionStyle::Gpt, kEspWithoutLetter}, mbr),
        L"引导文件所在分区 ESP: 所在磁盘分区表类型为GPT，不支持引导32位操作系统，请重新选择！");
    EXPECT_EQ(Gpt32BitRefusal(BootPartition{0, PartitionStyle::Gpt, 'S'}, mbr),
              L"引导文件所在分区 S: 所在磁盘分区表类型为GPT，不支持引导32位操作系统，请重新选择！");
    // A Raw style is not refused: only GPT is.
    EXPECT_EQ(Gpt32BitRefusal(BootPartition{0, PartitionStyle::Raw, 'R'}, mbr), std::nullopt);
}

TEST(RepairStart, BootFilesAreLookedForByTheDisksStyle) {
    fake::FakeFileSystem files;
    files.AddFile(L"S:\\Boot\\BCD");
    files.AddFile(L"S:\\boot.ini");
    files.AddFile(L"S:\\EFI\\Microsoft\\Boot\\BCD");
    struct Case {
        char letter;
        PartitionStyle style;
        bool found;
        const wchar_t* store;
        const wchar_t* ini;
    } cases[] = {
        {'S', PartitionStyle::Mbr, true, L"S:\\Boot\\BCD", L"S:\\boot.ini"},
        {'S', PartitionStyle::Gpt, true, L"S:\\EFI\\Microsoft\\Boot\\BCD", L""},
        {'S', PartitionStyle::Raw, true, L"", L""},
        {'T', PartitionStyle::Mbr, true, L"", L""},
        {'#', PartitionStyle::Gpt, false, L"", L""},
    };
    for (const Case& c : cases) {
        const BootFileSet set = FindBootFiles(BootPartition{0, c.style, c.letter}, files);
        EXPECT_EQ(set.found, c.found) << c.letter;
        EXPECT_EQ(set.bcdStorePath, c.store) << c.letter;
        EXPECT_EQ(set.bootIniPath, c.ini) << c.letter;
    }
}

}  // namespace
}  // namespace qn
