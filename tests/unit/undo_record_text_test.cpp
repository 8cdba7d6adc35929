// The undo record's file: what a run writes reads back the same, and anything else is refused
// whole, so undo never acts on half a record.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "boot/crc32.h"
#include "record/undo_record_text.h"

namespace qn {
namespace {

// Each line as the program writes it: its checksum after a tab.
std::string Checked(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        char sum[9];
        std::snprintf(sum, sizeof sum, "%08x",
                      Crc32({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}));
        text += line + "\t" + sum + "\r\n";
    }
    return text;
}

std::variant<UndoRecord, UndoRecordError> Parse(const std::vector<std::string>& lines) {
    return ParseUndoRecord(Checked(lines), L"D:\\u");
}

UndoRecord Sample() {
    UndoRecord record;
    record.operation = L"自动修复";
    record.time = L"2026-12-08 10:30:00";
    record.folder = L"D:\\u";
    record.items = {
        {UndoItemKind::AbsentFile, L"C:\\ntldr", L"", 0},
        {UndoItemKind::Folder, L"C:\\Boot", L"", 0},
        {UndoItemKind::File, L"C:\\bootmgr", L"D:\\u\\files\\C\\bootmgr", 39, 412345, 0xdeadbeef},
        {UndoItemKind::Unsaved, L"C:\\Boot\\BCD.LOG", L"", 0},
        {UndoItemKind::AbsentFolder, L"C:\\EFI\\Microsoft", L"", 0},
        {UndoItemKind::KeptBackup, L"C:\\Boot\\BCD_20261208103000", L"", 0},
        {UndoItemKind::ExportedStore, L"system 1A2B3C4D NTFS",
         L"C:\\Users\\a\\Desktop\\BCD_20261208103000", 0},
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
    EXPECT_EQ(text.substr(0, 20), "QNBootRepair undo 2\t");
    EXPECT_TRUE(text.ends_with("complete\t" + text.substr(text.size() - 10)));
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
        EXPECT_EQ(back.items[i].savedBytes, record.items[i].savedBytes) << i;
        EXPECT_EQ(back.items[i].savedCrc, record.items[i].savedCrc) << i;
    }
    EXPECT_TRUE(back.complete);
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
    const std::string first = "QNBootRepair undo 2";
    const std::string op = "operation=x";
    const std::string volume = "volume\tC:\t1A2B3C4D NTFS";
    const struct {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"another format", {"QNBootRepair undo 3", op}},
        {"no operation", {first, volume, "folder\tC:\\Boot"}},
        {"unknown kind", {first, op, "registry\tHKLM\\x"}},
        {"relative path", {first, op, volume, "absent-file\tntldr"}},
        {"file without attributes",
         {first, op, volume, "file\tC:\\bootmgr\tD:\\u\\a\t5\t00000000"}},
        {"attributes not a number",
         {first, op, volume, "file\tC:\\bootmgr\tD:\\u\\a\t0x27\t5\t00000000"}},
        {"attributes too big",
         {first, op, volume, "file\tC:\\bootmgr\tD:\\u\\a\t99999999999\t5\t00000000"}},
        {"copy without its checksum", {first, op, volume, "file\tC:\\bootmgr\tD:\\u\\a\t39\t5"}},
        {"copy checksum not hex",
         {first, op, volume, "file\tC:\\bootmgr\tD:\\u\\a\t39\t5\tXYZ00000"}},
        {"extra field", {first, op, volume, "absent-file\tC:\\ntldr\tD:\\b"}},
        {"disk not a number", {first, op, "mbr\tC:\tD:\\u\\s.bin\t512\t00000000"}},
        {"boot record of a path", {first, op, volume, "boot-record\tC:\\\tD:\\u\\s\t1\t00000000"}},
        {"export without its store", {first, op, "exported-store\t\tD:\\u\\s\t1\t00000000"}},
        {"broken UTF-8", {first, op, volume, "absent-file\tC:\\\xC3"}},
        {"firmware order without braces", {first, op, "firmware-order\t\tbootmgr"}},
        {"firmware order with a quote", {first, op, "firmware-order\t\t{a\"b}"}},
        {"empty firmware order", {first, op, "firmware-order\t\t"}},
        {"two blanks in an order", {first, op, "firmware-order\t\t{a}  {b}"}},
        {"volume without identity", {first, op, "volume\tC:\t"}},
        {"NUL in a path", {first, op, volume, std::string("absent-file\tC:\\a\0b", 18)}},
        {"a line after the last", {first, op, "complete", volume}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = Parse(c.lines);
        ASSERT_TRUE(std::holds_alternative<UndoRecordError>(parsed));
        EXPECT_FALSE(std::get<UndoRecordError>(parsed).text.empty());
    }
}

// A record is only obeyed for what a repair or an editor save touches; one line naming anything
// else refuses the whole record.
TEST(UndoRecordText, ARecordThatNamesWhatNoRunTouchesIsRefusedWhole) {
    const std::string first = "QNBootRepair undo 2";
    const std::string op = "operation=x";
    const std::string volume = "volume\tC:\t1A2B3C4D NTFS";
    const struct {
        const char* name;
        std::string line;
        bool withVolume = true;
    } cases[] = {
        {"the Windows folder", "absent-folder\tC:\\Windows"},
        {"a drive root", "folder\tC:\\"},
        {"a folder outside the boot folders", "folder\tC:\\Users"},
        {"\\EFI cleared as a folder", "absent-folder\tC:\\EFI"},
        {"a parent other than \\EFI", "absent-parent\tC:\\Boot"},
        {"a system file",
         "file\tC:\\Windows\\System32\\x.dll\tD:\\u\\files\\x.dll\t32\t5\t00000000"},
        {"a boot file from a copy outside the folder",
         "file\tC:\\bootmgr\tE:\\elsewhere\\bootmgr\t39\t5\t00000000"},
        {"a copy that climbs out of the folder",
         "file\tC:\\bootmgr\tD:\\u\\..\\x\\bootmgr\t39\t5\t00000000"},
        {"dot-dot in a target", "absent-file\tC:\\Boot\\..\\Windows\\x"},
        {"a device path", "absent-file\t\\\\.\\PhysicalDrive0"},
        {"a UNC path", "absent-file\t\\\\server\\share\\bootmgr"},
        {"a stream", "absent-file\tC:\\bootmgr:evil"},
        {"a wildcard", "absent-file\tC:\\Boot\\*"},
        {"a boot file on a volume the record does not name", "absent-file\tC:\\ntldr", false},
        {"a boot record on a volume the record does not name",
         "boot-record\tC:\tD:\\u\\C_boot_record.bin\t8192\t00000000", false},
        {"sectors from outside the folder", "mbr\t0\tE:\\disk0_sector0.bin\t512\t00000000"},
        {"a backup not named as the program names them", "backup\tC:\\Windows\\notepad.exe"},
        {"an export not named as the program names them",
         "exported-store\tsystem 1A2B3C4D NTFS\tC:\\Users\\a\\evil.hiv\t5\t00000000"},
        {"an export into a store it was not made from",
         "exported-store\tC:\\Windows\\System32\\config\\SAM\tC:\\Boot\\BCD_20261208103000\t5\t"
         "00000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = {first, op};
        if (c.withVolume) {
            lines.push_back(volume);
        }
        lines.push_back(c.line);
        const auto parsed = Parse(lines);
        ASSERT_TRUE(std::holds_alternative<UndoRecordError>(parsed));
        EXPECT_NE(std::get<UndoRecordError>(parsed).text.find(L"不允许撤销的位置"),
                  std::wstring::npos);
    }
    // What the program itself writes stands: an editor's store beside its backup, on any path.
    const auto editor = Parse({first, op,
                               "file\tE:\\stores\\BCD\tE:\\stores\\BCD_20261208103000_2\t32\t5\t"
                               "0000abcd",
                               "complete"});
    ASSERT_TRUE(std::holds_alternative<UndoRecord>(editor));
    EXPECT_TRUE(std::get<UndoRecord>(editor).complete);
}

// Damage is told from a shorter record: a line cut in the middle fails its checksum; a record
// cut after a line end is an interrupted run's, read as incomplete.
TEST(UndoRecordText, DamageAndInterruptionAreToldApart) {
    const std::string text = FormatUndoRecord(Sample());
    const std::size_t last = text.rfind("complete\t");
    ASSERT_NE(last, std::string::npos);
    const auto interrupted = ParseUndoRecord(text.substr(0, last), L"D:\\u");
    ASSERT_TRUE(std::holds_alternative<UndoRecord>(interrupted));
    EXPECT_FALSE(std::get<UndoRecord>(interrupted).complete);
    const auto cut = ParseUndoRecord(text.substr(0, last - 7), L"D:\\u");
    ASSERT_TRUE(std::holds_alternative<UndoRecordError>(cut));
    EXPECT_NE(std::get<UndoRecordError>(cut).text.find(L"校验和不符"), std::wstring::npos);
    std::string tampered = text;
    tampered[tampered.find("C:\\bootmgr")] = 'E';
    EXPECT_TRUE(std::holds_alternative<UndoRecordError>(ParseUndoRecord(tampered, L"D:\\u")));
    EXPECT_TRUE(std::holds_alternative<UndoRecordError>(
        ParseUndoRecord("QNBootRepair undo 1\r\noperation=x\r\n", L"D:\\u")));
}

// What a run left goes into the record's end: each file's size and CRC-32, or that it was absent
// or could not be read; it reads back the same.
TEST(UndoRecordText, WhatTheRunLeftReadsBackTheSame) {
    UndoRecord record = Sample();
    record.items.push_back({UndoItemKind::LeftFile, L"C:\\bootmgr", L"", 0, 412345, 0x1c291ca3});
    record.items.push_back({UndoItemKind::LeftAbsent, L"C:\\ntldr", L"", 0});
    record.items.push_back({UndoItemKind::LeftUnread, L"C:\\Boot\\BCD.LOG", L"", 0});
    record.items.push_back(
        {UndoItemKind::LeftFile, L"C:\\EFI\\Microsoft\\Boot\\bootmgfw.efi", L"", 0, 0, 0});
    const std::string text = FormatUndoRecord(record);
    EXPECT_NE(text.find("left-file\tC:\\bootmgr\t412345\t1c291ca3\t"), std::string::npos);
    EXPECT_NE(text.find("left-absent\tC:\\ntldr\t"), std::string::npos);
    EXPECT_NE(text.find("left-unread\tC:\\Boot\\BCD.LOG\t"), std::string::npos);
    const auto parsed = ParseUndoRecord(text, L"D:\\u");
    ASSERT_TRUE(std::holds_alternative<UndoRecord>(parsed));
    const UndoRecord& back = std::get<UndoRecord>(parsed);
    ASSERT_EQ(back.items.size(), record.items.size());
    for (std::size_t i = 0; i < back.items.size(); ++i) {
        EXPECT_EQ(back.items[i].kind, record.items[i].kind) << i;
        EXPECT_EQ(back.items[i].target, record.items[i].target) << i;
        EXPECT_EQ(back.items[i].saved, record.items[i].saved) << i;
        EXPECT_EQ(back.items[i].savedBytes, record.items[i].savedBytes) << i;
        EXPECT_EQ(back.items[i].savedCrc, record.items[i].savedCrc) << i;
    }
}

// A line about what the run left is held to the rules of the item it describes: a file the
// record names, or one in the tree of a folder it names; anything else refuses the whole record.
TEST(UndoRecordText, WhatTheRunLeftSpeaksOnlyOfWhatTheRecordNames) {
    const std::string first = "QNBootRepair undo 2";
    const std::string op = "operation=x";
    const std::string volume = "volume\tC:\t1A2B3C4D NTFS";
    const std::string bootmgr = "file\tC:\\bootmgr\tD:\\u\\files\\C\\bootmgr\t39\t5\t0000abcd";
    const std::string boot = "folder\tC:\\Boot";
    const struct {
        const char* name;
        std::string line;
        bool refused;
        bool notUnderstood = false;
    } cases[] = {
        {"a named file", "left-file\tC:\\bootmgr\t5\t0000abcd", false},
        {"a named file, named otherwise", "left-absent\tC:\\BOOTMGR", false},
        {"a file in a named folder's tree", "left-file\tC:\\Boot\\fonts\\x.ttf\t1\t00000001",
         false},
        {"a file that could not be read", "left-unread\tC:\\Boot\\BCD", false},
        {"a file the record does not name", "left-absent\tC:\\ntldr", true},
        {"a system file", "left-file\tC:\\Windows\\System32\\x.dll\t1\t00000001", true},
        {"the named folder itself", "left-absent\tC:\\Boot", true},
        {"out of a named folder", "left-absent\tC:\\Boot\\..\\Windows\\x", true},
        {"another drive", "left-absent\tE:\\Boot\\x", true},
        {"without its checksum", "left-file\tC:\\bootmgr\t5", true, true},
        {"size not a number", "left-file\tC:\\bootmgr\tfive\t0000abcd", true, true},
        {"checksum not hex", "left-file\tC:\\bootmgr\t5\t0000ABCD", true, true},
        {"an absent file with a size", "left-absent\tC:\\bootmgr\t5", true, true},
        {"a relative path", "left-unread\tbootmgr", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = Parse({first, op, volume, bootmgr, boot, c.line, "complete"});
        if (!c.refused) {
            ASSERT_TRUE(std::holds_alternative<UndoRecord>(parsed));
            EXPECT_EQ(std::get<UndoRecord>(parsed).items.size(), 4u);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<UndoRecordError>(parsed));
        const std::wstring& text = std::get<UndoRecordError>(parsed).text;
        EXPECT_NE(text.find(c.notUnderstood ? L"无法识别" : L"不允许撤销的位置"),
                  std::wstring::npos);
    }
    // A run says once what it left of a file.
    const auto twice = Parse({first, op, volume, bootmgr, "left-absent\tC:\\bootmgr",
                              "left-file\tc:\\BOOTMGR\t5\t0000abcd", "complete"});
    ASSERT_TRUE(std::holds_alternative<UndoRecordError>(twice));
    EXPECT_NE(std::get<UndoRecordError>(twice).text.find(L"第 6 行无法识别"), std::wstring::npos);
}

}  // namespace
}  // namespace qn
