// The undo record's file: what a run writes reads back the same, and anything else is refused
// whole, so undo never acts on half a record.
#include <gtest/gtest.h>

#include <variant>

#include "repair/undo_record_text.h"

namespace qn {
namespace {

UndoRecord Sample() {
    UndoRecord record;
    record.operation = L"自动修复";
    record.time = L"2026-12-08 10:30:00";
    record.folder = L"D:\\u";
    record.items = {
        {UndoItemKind::AbsentFile, L"C:\\ntldr", L"", 0},
        {UndoItemKind::Folder, L"C:\\Boot", L"", 0},
        {UndoItemKind::File, L"C:\\bootmgr", L"D:\\u\\files\\C\\bootmgr", 39},
        {UndoItemKind::Unsaved, L"C:\\Boot\\BCD.LOG", L"", 0},
        {UndoItemKind::AbsentFolder, L"C:\\EFI", L"", 0},
        {UndoItemKind::KeptBackup, L"C:\\Boot\\BCD_20261208103000", L"", 0},
        {UndoItemKind::ExportedStore, L"", L"C:\\Users\\a\\Desktop\\BCD_20261208103000", 0},
        {UndoItemKind::BootRecord, L"C:", L"D:\\u\\C_boot_record.bin", 0},
        {UndoItemKind::MbrCode, L"12", L"D:\\u\\disk12_sector0.bin", 0},
        {UndoItemKind::Volume, L"C:", L"1A2B3C4D NTFS", 0},
        {UndoItemKind::FirmwareOrder, L"", L"{9dea862c-5cdd-4e70-acc1-f32b344d4795} {bootmgr}", 0},
        {UndoItemKind::FirmwareOrder, L"", L"none", 0},
        {UndoItemKind::AbsentParent, L"C:\\EFI", L"", 0},
    };
    return record;
}

TEST(UndoRecordText, WhatIsWrittenReadsBackTheSame) {
    const UndoRecord record = Sample();
    const std::string text = FormatUndoRecord(record);
    EXPECT_EQ(text.substr(0, 21), "QNBootRepair undo 1\r\n");
    const auto parsed = ParseUndoRecord(text, L"D:\\u");
    ASSERT_TRUE(std::holds_alternative<UndoRecord>(parsed));
    const UndoRecord& back = std::get<UndoRecord>(parsed);
    EXPECT_EQ(back.operation, record.operation);
    EXPECT_EQ(back.time, record.time);
    EXPECT_EQ(back.folder, L"D:\\u");
    ASSERT_EQ(back.items.size(), record.items.size());
    for (std::size_t i = 0; i < back.items.size(); ++i) {
        EXPECT_EQ(back.items[i].kind, record.items[i].kind) << i;
        EXPECT_EQ(back.items[i].target, record.items[i].target) << i;
        EXPECT_EQ(back.items[i].saved, record.items[i].saved) << i;
        EXPECT_EQ(back.items[i].attributes, record.items[i].attributes) << i;
    }
    // Saved again by an editor: LF line ends and a byte-order mark are harmless.
    std::string edited = "\xEF\xBB\xBF";
    for (char c : text) {
        if (c != '\r') {
            edited += c;
        }
    }
    EXPECT_TRUE(std::holds_alternative<UndoRecord>(ParseUndoRecord(edited, L"D:\\u")));
}

TEST(UndoRecordText, AnyLineNotUnderstoodRefusesTheWholeRecord) {
    const std::string head = "QNBootRepair undo 1\r\noperation=x\r\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"another file", "[boot loader]\r\ntimeout=30\r\n"},
        {"newer format", "QNBootRepair undo 2\r\noperation=x\r\n"},
        {"no operation", "QNBootRepair undo 1\r\nfolder\tC:\\Boot\r\n"},
        {"unknown kind", head + "registry\tHKLM\\x\r\n"},
        {"relative path", head + "absent-file\tntldr\r\n"},
        {"file without attributes", head + "file\tC:\\a\tD:\\a\r\n"},
        {"attributes not a number", head + "file\tC:\\a\tD:\\a\t0x27\r\n"},
        {"attributes too big", head + "file\tC:\\a\tD:\\a\t99999999999\r\n"},
        {"extra field", head + "absent-file\tC:\\a\tD:\\b\r\n"},
        {"disk not a number", head + "mbr\tC:\tD:\\s.bin\r\n"},
        {"boot record of a path", head + "boot-record\tC:\\\tD:\\s.bin\r\n"},
        {"export with a target", head + "exported-store\tC:\\x\tD:\\s\r\n"},
        {"broken UTF-8", head + "absent-file\tC:\\\xC3\r\n"},
        {"firmware order without braces", head + "firmware-order\t\tbootmgr\r\n"},
        {"firmware order with a quote", head + "firmware-order\t\t{a\"b}\r\n"},
        {"empty firmware order", head + "firmware-order\t\t\r\n"},
        {"two blanks in an order", head + "firmware-order\t\t{a}  {b}\r\n"},
        {"volume without identity", head + "volume\tC:\t\r\n"},
        {"NUL in a path", head + std::string("absent-file\tC:\\a\0b\r\n", 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = ParseUndoRecord(c.text, L"D:\\u");
        ASSERT_TRUE(std::holds_alternative<UndoRecordError>(parsed));
        EXPECT_FALSE(std::get<UndoRecordError>(parsed).text.empty());
    }
}

}  // namespace
}  // namespace qn
