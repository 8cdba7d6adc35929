#include "app/win32/pages/manual_selection.h"

#include "app/selection_rows.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/automatic_repair.h"
#include "app/win32/pages/repair_worker.h"
#include "disk/disk_info.h"
#include "platform/system_ports.h"
#include "repair/repair_start.h"
#include "ui/box_layout.h"
#include "ui/combo_box.h"
#include "ui/label.h"
#include "ui/list_element.h"
#include "ui/list_view.h"
#include "ui/option.h"

namespace qn {
namespace {

// One checkable row: spacer, check box, spacer, letter label, spacer, name label. The check box
// is the layout's second child and the letter label its fourth.
std::unique_ptr<Control> InstallRow(const WindowsInstall& install) {
    auto row = std::make_unique<ListContainerElement>();
    row->SetAttribute(L"height", L"30");
    row->SetAttribute(L"padding", L"1, 0, 0, 0");
    auto layout = std::make_unique<HorizontalLayout>();
    layout->SetAttribute(L"width", L"538");
    layout->SetAttribute(L"inset", L"3,5,3,5");
    auto spacer = [](const wchar_t* width) {
        auto control = std::make_unique<Control>();
        control->SetAttribute(L"width", width);
        return control;
    };
    layout->Add(spacer(L"17"));
    auto check = std::make_unique<CheckBox>();
    check->SetAttribute(L"width", L"30");
    check->SetAttribute(L"align", L"left");
    check->SetAttribute(L"selectedimage", L"file = 'checked.png' dest = '0, 2, 17, 19'");
    check->SetAttribute(L"normalimage", L"file = 'unchecked.png' dest = '0, 2, 17, 19'");
    check->SetCheck(true, false);
    layout->Add(std::move(check));
    layout->Add(spacer(L"45"));
    auto letter = std::make_unique<Label>();
    letter->SetAttribute(L"width", L"30");
    letter->SetAttribute(L"font", L"2");
    letter->SetText(std::wstring{static_cast<wchar_t>(install.driveLetter), L':'});
    letter->SetTag(install.driveLetter);
    layout->Add(std::move(letter));
    layout->Add(spacer(L"125"));
    auto name = std::make_unique<Label>();
    name->SetAttribute(L"width", L"500");
    name->SetAttribute(L"align", L"left");
    name->SetAttribute(L"font", L"2");
    name->SetText(install.displayName);
    name->SetTextStyle(name->TextStyle() | kTextEndEllipsis);
    layout->Add(std::move(name));
    row->Add(std::move(layout));
    return row;
}

}  // namespace

void FillInstallList(MainFrame& frame) {
    Control* tip = frame.Find(L"lbSpTip");
    if (tip == nullptr) {
        return;
    }
    tip->SetText(L"正在检测可修复引导的分区，请稍候...");
    auto* list = dynamic_cast<ListView*>(frame.Find(L"SelPartList"));
    if (list == nullptr) {
        return;
    }
    for (const auto& [letter, install] : frame.Wizard().installations) {
        list->Add(InstallRow(install));
    }
    tip->SetText(L"请选择需要修复引导的分区:");
    if (Control* next = frame.Find(L"BtnSpNext")) {
        next->SetEnabled(true);
    }
}

void AcceptCheckedInstalls(MainFrame& frame) {
    auto* list = dynamic_cast<ListView*>(frame.Find(L"SelPartList"));
    auto* results = dynamic_cast<ListView*>(frame.Find(L"listResult"));
    if (list == nullptr || results == nullptr) {
        return;
    }
    results->RemoveAll();
    std::vector<char> checked;
    for (int i = 0; i < list->Count(); ++i) {
        auto* row = dynamic_cast<Container*>(list->ItemAt(i));
        auto* layout = row != nullptr ? dynamic_cast<Container*>(row->ItemAt(0)) : nullptr;
        auto* check = layout != nullptr ? dynamic_cast<CheckBox*>(layout->ItemAt(1)) : nullptr;
        if (check == nullptr || !check->GetCheck()) {
            continue;
        }
        if (Control* letter = layout->ItemAt(3)) {
            checked.push_back(static_cast<char>(letter->Tag()));
        }
    }
    if (!SelectCheckedInstalls(frame.Wizard().installations, checked)) {
        ShowMessageBox(L"提示信息", L"请勾选需要修复的分区", frame.GetHWND());
        return;
    }
    if (Control* repair = frame.Find(L"BtnBootRepair")) {
        repair->SetText(L"开始修复(S)");
    }
    BuildBootPartitionList(frame);
}

void BuildBootPartitionList(MainFrame& frame) {
    int preselect = 0;
    auto* list = dynamic_cast<ListView*>(frame.Find(L"SelBootList"));
    if (list != nullptr) {
        list->RemoveAll();
        WizardState& wizard = frame.Wizard();
        const DiskInfo& inventory = DiskInfo::GetInstance(false);
        const BootDiagnosis* diagnosis = wizard.startDiagnosis.get();
        const BootPartitionChoice choice = AutomaticChoice(wizard);
        wizard.bootRows = BootPartitionRows(
            wizard.bootPartitions,
            [&](char letter) { return inventory.GetVolumeLabelOfLetter(letter); },
            [&](int disk) { return DiskIsRemovable(diagnosis, disk); }, &choice);
        const auto& rows = wizard.bootRows;
        preselect = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].recommended) {
                preselect = static_cast<int>(i);
            }
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            auto item = std::make_unique<ListTextElement>();
            for (int column = 0; column < 4; ++column) {
                item->SetColumnText(column, rows[i].columns[static_cast<std::size_t>(column)]);
            }
            item->SetAttribute(L"padding", L"1,0,0,0");
            item->SetTag(static_cast<std::intptr_t>(i));
            list->Add(std::move(item));
        }
    }
    frame.SelectPage(MainFrame::kBootPartitionPage);
    if (list != nullptr && list->Count() > 0) {
        list->SelectItem(preselect, false, true);
    }
}

void StartManualRepair(MainFrame& frame) {
    const std::optional<BootPartition> picked = SelectedBootPartition(frame);
    if (!picked) {
        return;  // no partition chosen: the click does nothing
    }
    WizardState& wizard = frame.Wizard();
    ChooseByHand(wizard, *picked);
    Control* timeout = frame.Find(L"edTimeout");
    wizard.timeoutText = timeout != nullptr ? timeout->Text() : std::wstring();
    if (wizard.timeoutText.empty()) {
        wizard.timeoutText = L"3";  // bcdedit refuses an empty timeout
    }
    auto* clear = dynamic_cast<CheckBox*>(frame.Find(L"ckClearBootRepair"));
    wizard.clearExisting = clear != nullptr && clear->GetCheck();
    if (auto refusal = Gpt32BitRefusal(wizard.boot, wizard.installations,
                                       FirmwareOf(wizard.startDiagnosis.get()))) {
        ShowMessageBox(L"错误信息", *refusal, frame.GetHWND());
        frame.SelectPage(MainFrame::kStartPage);
        return;
    }
    ShowResultPageBusy(frame, false);
    StartRepairRun(frame, L"手动修复");
}

void OpenBootFilesForEdit(MainFrame& frame) {
    const std::optional<BootPartition> picked = SelectedBootPartition(frame);
    if (!picked) {
        return;
    }
    frame.Wizard().boot = *picked;
    frame.Editor().bootFiles = FindBootFiles(*picked, TheSystemPorts().files);
    auto* files = dynamic_cast<ComboBox*>(frame.Find(L"CmbBootFile"));
    for (const wchar_t* name : {L"CmbBootFile", L"CmbBootEntry"}) {
        if (auto* combo = dynamic_cast<Container*>(frame.Find(name))) {
            combo->RemoveAll();
        }
    }
    if (Control* timeout = frame.Find(L"edBeTimeout")) {
        timeout->SetText(L"");
    }
    const BootFileSet& found = frame.Editor().bootFiles;
    if (found.found && found.bcdStorePath.empty() && found.bootIniPath.empty()) {
        ShowMessageBox(L"错误信息", L"没有查找到引导文件(BCD或boot.ini)，请重新选择！",
                       frame.GetHWND());
        return;
    }
    if (files != nullptr) {
        auto item = [](const wchar_t* text, bool centred) {
            auto element = std::make_unique<ListLabelElement>();
            element->SetText(text);
            if (centred) {
                element->SetAttribute(L"align", L"center");
            }
            return element;
        };
        if (!found.found) {
            files->Add(item(L"BCD", false));  // the running system's own store
        }
        if (!found.bcdStorePath.empty()) {
            files->Add(item(L"BCD", true));
        }
        if (!found.bootIniPath.empty()) {
            files->Add(item(L"boot.ini", true));
        }
    }
    frame.SelectPage(MainFrame::kBootEditPage);
    if (files != nullptr) {
        files->SelectItem(0);
    }
}

}  // namespace qn
