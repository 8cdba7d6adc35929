#include "report/repair_report_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qn {
namespace {

using ::testing::HasSubstr;

std::string Fixture() {
    std::ifstream file(QN_SOURCE_DIR "/tests/fixtures/report/demo_auto.json", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(RepairReportText, ShowsTheRunAsPeopleReadIt) {
    const auto text = RepairReportText(Fixture());
    ASSERT_TRUE(text);
    EXPECT_THAT(*text, HasSubstr(L"引导分区 F:，等待时间 3 秒，清除原有启动项 否"));
    EXPECT_THAT(*text, HasSubstr(L"退出码 0，失败步骤 0"));
    EXPECT_THAT(*text, HasSubstr(L"bcdboot.exe\" C:\\Windows /s F: /f BIOS /l zh-CN  (退出码 0)"));
    EXPECT_THAT(*text, HasSubstr(L"C: Windows 7 Ultimate x64: 可以启动，默认启动项"));
    EXPECT_THAT(*text, HasSubstr(L"  F:\\Boot\\BCD_20261208103000"));
    // The demo machine does not boot before its repair and boots all three systems after it.
    EXPECT_THAT(*text, HasSubstr(L"\r\n修复前的诊断: "));
    EXPECT_THAT(*text, HasSubstr(L"  C: Windows 7 Ultimate x64: 无法启动（"));
    EXPECT_THAT(*text, HasSubstr(L"\r\n修复后的诊断: 引导正常\r\n"));
    EXPECT_THAT(*text,
                HasSubstr(L"撤销记录: C:\\Users\\Administrator\\Desktop\\QNBootRepair_undo_"));
}

TEST(RepairReportText, WhateverTheFileHoldsItNeitherThrowsNorInvents) {
    struct Case {
        const char* json;
        bool report;
    } cases[] = {
        {"", false},
        {"[1,2]", false},
        {"{\"time\": 5, \"steps\": {\"a\": 1}, \"rows\": [1, \"x\"], \"verification\": [7]}", true},
        {"{\"steps\": [{\"commandLine\": [], \"started\": \"yes\"}]}", true},
        {"{\"machine\": {\"disks\": [null, {\"partitions\": 3}]}}", true},
    };
    for (const Case& c : cases) {
        const auto text = RepairReportText(c.json);
        EXPECT_EQ(text.has_value(), c.report) << c.json;
    }
    const auto odd = RepairReportText("{\"steps\": [{\"commandLine\": \"x\", \"started\": true}]}");
    ASSERT_TRUE(odd);
    EXPECT_THAT(*odd, HasSubstr(L"> x  (退出码 未知)"));
}

}  // namespace
}  // namespace qn
