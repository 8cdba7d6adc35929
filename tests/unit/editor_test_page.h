#pragma once

// The boot entry editor on a simulated machine, as the main window runs it but without one: the
// real skin's page, the program's ports over the machine (sim_program.h), bcdedit written into a
// work folder, loads and saves through the editor's own handlers (editor/ui/boot_editor.h).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "boot/carried_tool.h"
#include "boot/work_dir.h"
#include "disk/storage_queries.h"
#include "editor/editor_load.h"
#include "editor/editor_save.h"
#include "editor/ui/boot_edit_page.h"
#include "editor/ui/boot_editor.h"
#include "editor/ui/boot_entry_rows.h"
#include "repair/repair_start.h"
#include "sim/bcd_ids.h"
#include "sim/store_access.h"
#include "sim_program.h"
#include "ui/control_manager.h"
#include "ui/edit_box.h"
#include "ui/list_element.h"
#include "ui/markup_builder.h"
#include "ui/option.h"
#include "ui/tab_layout.h"

namespace qn::editor_test {

// The main window's skin as the program builds it, laid out at 100 %.
class SkinWindow {
public:
    SkinWindow() {
        std::ifstream file(QN_TEST_SKIN_ZIP, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(file), {});
        ZipArchive archive;
        std::wstring error;
        EXPECT_TRUE(archive.Open(bytes_, error));
        skin_ = std::make_shared<ZipSkinSource>(std::move(archive));
        manager.SetSkin(skin_);
        auto root = MarkupBuilder(*skin_, manager).Build(L"MainFrame.xml", error);
        EXPECT_NE(root, nullptr);
        manager.AttachRoot(std::move(root));
        manager.SetClientSize({600, 398});
        // The editor's page is shown, as the window shows it when a load starts.
        if (auto* tab = dynamic_cast<TabLayout*>(manager.FindControl(L"mainframe_tab"))) {
            tab->SelectItem(5);
        }
        manager.LayoutIfNeeded();
        page =
            BootEditPage::Find([this](const wchar_t* name) { return manager.FindControl(name); });
    }

    ControlManager manager;
    BootEditPage page;

private:
    std::vector<std::uint8_t> bytes_;
    std::shared_ptr<SkinSource> skin_;
};

inline std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// The editor over a simulated machine whose boot partition is disk 0's.
class EditorOnMachine {
public:
    explicit EditorOnMachine(const sim::Scenario& scenario)
        : program_(scenario),
          repairPorts_(program_.Ports()),
          ports_{repairPorts_.files,     repairPorts_.processes, repairPorts_.profile,
                 repairPorts_.resources, repairPorts_.clock,     repairPorts_.random,
                 repairPorts_.codePage,  &repairPorts_.storage},
          state_{current_, bcdedit_, bootFiles_, loads_, backup_} {
        const BootPartition boot = program_.bootPartitions.at(0);
        letter_ = boot.letter;
        bootFiles_ = FindBootFiles(boot, ports_.files);
        workDir_ = std::make_unique<WorkDir>(ports_.files, ports_.random);
        bcdedit_ =
            PrepareTool(ports_.files, ports_.resources, *workDir_, CarriedTool::Bcdedit).path;
        // "CmbBootFile" as OpenBootFilesForEdit fills it.
        if (!bootFiles_.found || !bootFiles_.bcdStorePath.empty()) {
            AddFileItem(kBcdFileItem);
        }
        if (!bootFiles_.bootIniPath.empty()) {
            AddFileItem(kBootIniFileItem);
        }
    }

    sim::test::SimProgram& Program() { return program_; }
    sim::SimMachine& Machine() { return program_.Machine(); }
    EditorPorts& Ports() { return ports_; }
    BootEditorState& State() { return state_; }
    const BootEditPage& Page() const { return window_.page; }
    ControlManager& Manager() { return window_.manager; }
    const BootFileSet& BootFiles() const { return bootFiles_; }
    const std::wstring& Bcdedit() const { return bcdedit_; }
    const BcdListing* Current() const { return current_.get(); }
    char Letter() const { return letter_; }

    // Chooses item in "CmbBootFile" and begins its load (LoadBootEntries), without delivering.
    LoadStart Begin(const wchar_t* item) {
        ComboBox* files = window_.page.files;
        for (int i = 0; i < files->Count(); ++i) {
            if (files->ItemAt(i)->Text() == item) {
                files->SelectItem(i, false, false);
            }
        }
        auto start = BeginLoad(window_.page, state_);
        EXPECT_TRUE(start.has_value());
        return start.value_or(LoadStart{});
    }
    // What the load's reader produces (LoadBcdThread or ReadBootIni).
    std::unique_ptr<LoadedListing> Read(const LoadStart& start) {
        if (start.bcd) {
            return std::make_unique<LoadedListing>(LoadBcdListing(
                ports_.processes, ports_.codePage, start.bcdedit, start.store, start.load));
        }
        return std::make_unique<LoadedListing>(
            LoadBootIniListing(ports_.profile, ports_.random, start.bootIniPath, start.load));
    }
    // WM_BOOTLIST_READY: the message shown when the listing was empty.
    std::optional<std::wstring> Deliver(std::unique_ptr<LoadedListing> loaded) {
        return FillPage(window_.page, state_, std::move(loaded));
    }
    // A whole load: choose, read, deliver.
    std::optional<std::wstring> Open(const wchar_t* item) { return Deliver(Read(Begin(item))); }

    EditorSaveOutcome Save() { return SavePage(window_.page, state_, ports_); }

    // The rows as the page shows them.
    ListView& List() { return *window_.page.list; }
    int Rows() { return List().Count(); }
    const Container* Layout(int row) {
        auto* element = dynamic_cast<Container*>(List().ItemAt(row));
        return element != nullptr ? dynamic_cast<Container*>(element->ItemAt(0)) : nullptr;
    }
    CheckBox* Check(int row) { return dynamic_cast<CheckBox*>(Layout(row)->ItemAt(0)); }
    std::wstring Device(int row) { return Layout(row)->ItemAt(1)->Text(); }
    EditBox* Description(int row) { return dynamic_cast<EditBox*>(Layout(row)->ItemAt(2)); }
    ComboBox* Locale(int row) { return dynamic_cast<ComboBox*>(Layout(row)->ItemAt(3)); }
    std::vector<std::wstring> Descriptions() {
        std::vector<std::wstring> out;
        for (int i = 0; i < Rows(); ++i) {
            out.push_back(Description(i)->Text());
        }
        return out;
    }
    int RowOf(const std::wstring& description) {
        for (int i = 0; i < Rows(); ++i) {
            if (Description(i)->Text() == description) {
                return i;
            }
        }
        ADD_FAILURE() << "no row " << Utf8(description);
        return -1;
    }
    void Select(int row) { List().SelectItem(row, false, true); }
    // "CmbBootEntry": its items' texts.
    std::vector<std::wstring> Candidates() {
        std::vector<std::wstring> out;
        for (int i = 0; i < window_.page.entries->Count(); ++i) {
            out.push_back(window_.page.entries->ItemAt(i)->Text());
        }
        return out;
    }
    // Chooses the "CmbBootEntry" item whose text ends with description and presses "添加(A)".
    bool Add(const std::wstring& description) {
        ComboBox* entries = window_.page.entries;
        for (int i = 0; i < entries->Count(); ++i) {
            const std::wstring& text = entries->ItemAt(i)->Text();
            if (text.size() >= description.size() &&
                text.compare(text.size() - description.size(), description.size(), description) ==
                    0) {
                entries->SelectItem(i, false, true);
                return AddChosenEntry(window_.page, current_.get());
            }
        }
        ADD_FAILURE() << "no entry " << Utf8(description);
        return false;
    }
    void SetLocale(int row, const std::wstring& locale) {
        ComboBox* combo = Locale(row);
        for (int i = 0; i < combo->Count(); ++i) {
            if (combo->ItemAt(i)->Text() == locale) {
                combo->SelectItem(i, false, true);
            }
        }
    }
    void SetTimeout(const std::wstring& text) { window_.page.timeout->SetText(text); }

    // The store as the machine holds it, read with the simulation's own store access.
    sim::BcdStoreData Store() {
        const auto opened = sim::OpenStoreFile(Machine().Files(), StorePath());
        EXPECT_EQ(opened.state, sim::StoreState::Ok);
        return opened.data;
    }
    std::wstring StorePath() const { return bootFiles_.bcdStorePath; }
    const sim::BcdObject& BootManagerOf(const sim::BcdStoreData& store) {
        const sim::BcdObject* manager = sim::FindObject(store, sim::kBootmgrGuid);
        EXPECT_NE(manager, nullptr);
        return *manager;
    }
    std::vector<std::wstring> StoreOrder() {
        const auto store = Store();
        const sim::BcdElement* order = sim::FindElement(BootManagerOf(store), L"displayorder");
        return order != nullptr ? order->ids : std::vector<std::wstring>{};
    }
    std::wstring StoreDefault() {
        const auto store = Store();
        const sim::BcdElement* element = sim::FindElement(BootManagerOf(store), L"default");
        return element != nullptr ? element->text : L"";
    }
    std::uint64_t StoreTimeout() {
        const auto store = Store();
        const sim::BcdElement* element = sim::FindElement(BootManagerOf(store), L"timeout");
        return element != nullptr ? element->number : 0;
    }
    std::wstring StoreText(const std::wstring& id, const wchar_t* element) {
        const auto store = Store();
        const sim::BcdObject* object = sim::FindObject(store, id);
        const sim::BcdElement* value = object ? sim::FindElement(*object, element) : nullptr;
        return value != nullptr ? value->text : L"";
    }
    // The identifier of the loaded entry with this description.
    std::wstring IdOf(const std::wstring& description) {
        for (const BootEntry& entry : current_->entries) {
            if (entry.description == description) {
                return entry.identifier;
            }
        }
        ADD_FAILURE() << "no entry " << Utf8(description);
        return {};
    }

    // boot.ini's bytes as the machine holds them.
    std::string BootIniBytes() {
        const auto* bytes = Machine().Files().FileBytes(bootFiles_.bootIniPath);
        return bytes != nullptr ? std::string(bytes->begin(), bytes->end()) : std::string();
    }

private:
    void AddFileItem(const wchar_t* text) {
        auto item = std::make_unique<ListLabelElement>();
        item->SetText(text);
        window_.page.files->Add(std::move(item));
    }

    sim::test::SimProgram program_;
    RepairPorts repairPorts_;
    EditorPorts ports_;
    SkinWindow window_;
    std::unique_ptr<BcdListing> current_;
    std::wstring bcdedit_;
    BootFileSet bootFiles_;
    LoadSequence loads_;
    std::wstring backup_;
    BootEditorState state_;
    std::unique_ptr<WorkDir> workDir_;
    char letter_ = 0;
};

}  // namespace qn::editor_test
