#include "repair/firmware_entry_step.h"

#include <algorithm>

#include "boot/bcd_commands.h"
#include "boot/command_runner.h"
#include "boot/text_helpers.h"
#include "diagnosis/firmware_boot_order.h"
#include "platform/firmware_architecture.h"

namespace qn {
namespace {

constexpr wchar_t kStep[] = L"将 Windows Boot Manager 放入固件启动顺序";

// "partition=S:" names the drive S:; a device without a letter names none the run can compare.
bool NamesDrive(std::wstring_view device, const std::wstring& drive) {
    constexpr std::wstring_view kPrefix = L"partition=";
    return device.size() == kPrefix.size() + drive.size() &&
           EqualsIgnoringCase(device.substr(0, kPrefix.size()), kPrefix) &&
           EqualsIgnoringCase(device.substr(kPrefix.size()), drive);
}

}  // namespace

void PutBootManagerIntoFirmwareOrder(RepairRun& run, const RepairRequest& request,
                                     const BootTarget& target) {
    // Without /s bcdboot saw to the firmware's entry itself.
    if (!target.partition.HasLetter() || target.partition.style != PartitionStyle::Gpt) {
        return;
    }
    if (run.Ports().firmware.Mode() != FirmwareMode::Uefi) {
        // Firmware variables are out of reach of a system started the BIOS way (Windows PE
        // through the compatibility module).
        run.Row(
            L"当前系统不是以 UEFI 方式启动的，无法检查固件的 Windows Boot Manager 启动项；"
            L"没有它时固件从 " +
            target.drive + FallbackLoaderPath(run.Ports().firmware.Architecture()) + L" 启动");
        return;
    }
    BcdTool bcdedit = run.Bcdedit();
    if (bcdedit.path.empty()) {
        run.FailedRow(kStep, {L"缺少 bcdedit.exe（程序未内置，系统中也没有）"}, false);
        return;
    }
    std::string output;
    const ProcessResult listed =
        RunCaptured(bcdedit.processes, EnumAllCommand(bcdedit.path, std::wstring()), output);
    if (!listed.started) {
        run.FailedRow(kStep, {L"bcdedit.exe 无法启动"}, false);
        return;
    }
    // A run that printed nothing at all is a plan's: it cannot know the firmware's entries.
    if (output.empty()) {
        return;
    }
    const FirmwareBootOrder order =
        ParseFirmwareBootOrder(output, bcdedit.codePage, CodePageKind::Oem);
    if (!order.found) {
        run.Row(
            L"无法读取固件的启动项（没有系统 BCD 存储），未检查 Windows Boot Manager 启动项；"
            L"没有它时固件从 " +
            target.drive + FallbackLoaderPath(run.Ports().firmware.Architecture()) + L" 启动");
        return;
    }
    if (!NamesDrive(order.bootManager.device, target.drive)) {
        run.Row(L"系统 BCD 存储的启动管理器不在 " + target.drive + L" 上，固件启动项保持不变");
        return;
    }
    const bool present =
        std::any_of(order.entries.begin(), order.entries.end(),
                    [](const FirmwareBootEntry& e) { return IsBootmgrIdentifier(e.identifier); });
    const bool first =
        !order.entries.empty() && IsBootmgrIdentifier(order.entries.front().identifier);
    // The user chose to keep the firmware's order: a missing entry goes last, nothing moves.
    const bool keepOrder = !request.bcdbootSwitch.empty();
    if (keepOrder ? present : first) {
        return;
    }
    if (auto failure = run.RunTool(CarriedTool::Bcdedit, FirmwareBootManagerCommand(!keepOrder))) {
        run.FailedRow(kStep, *failure, false);
        return;
    }
    run.Row(std::wstring(
        present ? L"已将 Windows Boot Manager 移到固件启动顺序的第一位"
        : keepOrder ? L"固件没有 Windows Boot Manager 启动项，已将它加到固件启动顺序的最后"
                    : L"固件没有 Windows Boot Manager 启动项，已将它加到固件启动顺序的第一位"));
}

}  // namespace qn
