#include "sim/scenario_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qn::sim {
namespace {

Scenario Read(const std::string& xml) {
    auto result = ReadScenario(xml);
    if (auto* error = std::get_if<ScenarioError>(&result)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Scenario>(result);
}

std::string ErrorOf(const std::string& xml) {
    auto result = ReadScenario(xml);
    auto* error = std::get_if<ScenarioError>(&result);
    return error ? error->message : std::string("(no error)");
}

TEST(ScenarioReader, TheDemoMachine) {
    std::ifstream file(QN_SOURCE_DIR "/sim/scenarios/demo.xml", std::ios::binary);
    ASSERT_TRUE(file) << "demo scenario missing";
    std::stringstream text;
    text << file.rdbuf();
    const Scenario s = Read(text.str());
    ASSERT_EQ(s.disks.size(), 2u);
    const ScenarioDisk& mbr = s.disks[0];
    EXPECT_EQ(mbr.style, PartitionStyle::Mbr);
    EXPECT_EQ(mbr.size, 500ull << 30);
    ASSERT_EQ(mbr.partitions.size(), 3u);
    EXPECT_TRUE(mbr.partitions[0].active);
    EXPECT_EQ(mbr.partitions[0].letter, 0);
    EXPECT_EQ(mbr.partitions[0].label, L"System Reserved");
    EXPECT_EQ(mbr.partitions[0].files, (std::vector<std::wstring>{L"\\bootmgr", L"\\Boot\\BCD"}));
    ASSERT_TRUE(mbr.partitions[1].install);
    EXPECT_TRUE(mbr.partitions[1].install->running);
    EXPECT_EQ(mbr.partitions[2].install->currentVersion, L"5.1");
    EXPECT_FALSE(mbr.partitions[2].install->x64);
    const ScenarioDisk& gpt = s.disks[1];
    EXPECT_EQ(gpt.style, PartitionStyle::Gpt);
    EXPECT_EQ(gpt.partitions[0].gptType, kEfiSystemPartitionType);
    EXPECT_EQ(gpt.partitions[2].letter, 'E');
}

TEST(ScenarioReader, SizesGuidsAndUtf8Labels) {
    const Scenario s = Read(
        "<machine winpe='true'><disk number='3' style='gpt' size='2T'>"
        "<partition offset='1K' length='4096' gpttype='{C12A7328-F81F-11D2-BA4B-00A0C93EC93B}'"
        " letter='s' label='\xE7\xB3\xBB\xE7\xBB\x9F'/></disk></machine>");
    EXPECT_TRUE(s.winPE);
    ASSERT_EQ(s.disks.size(), 1u);
    EXPECT_EQ(s.disks[0].size, 2ull << 40);
    const ScenarioPartition& p = s.disks[0].partitions[0];
    EXPECT_EQ(p.offset, 1024);
    EXPECT_EQ(p.length, 4096);
    EXPECT_EQ(p.gptType, kEfiSystemPartitionType);
    EXPECT_EQ(p.letter, 'S');
    EXPECT_EQ(p.label, L"\u7CFB\u7EDF");
}

TEST(ScenarioReader, MalformedInputIsAnErrorNamingTheFault) {
    struct Case {
        const char* xml;
        const char* expected;
    } cases[] = {
        {"", "root element"},
        {"<machine><disk", "not well-formed"},
        {"<computer/>", "root element"},
        {"<machine><disk size='1G'/></machine>", "missing attribute number"},
        {"<machine><disk number='16' size='1G'/></machine>", "out of range"},
        {"<machine><disk number='0' size='1Q'/></machine>", "not a size"},
        {"<machine><disk number='0' size='99999999999T'/></machine>", "too large"},
        {"<machine><disk number='0' style='apm' size='1G'/></machine>", "style"},
        {"<machine><disk number='0' size='1G'/><disk number='0' size='1G'/></machine>",
         "described twice"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='2G'/></disk>"
         "</machine>",
         "beyond the disk"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' letter='CD'/>"
         "</disk></machine>",
         "one letter"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' letter='C'/>"
         "<partition offset='1M' length='1M' letter='c'/></disk></machine>",
         "given twice"},
        {"<machine><disk number='0' style='raw' size='1G'><partition offset='0' length='1M'/>"
         "</disk></machine>",
         "raw disk"},
        {"<machine><disk number='0' style='gpt' size='1G'>"
         "<partition offset='0' length='1M' gpttype='{nonsense}'/></disk></machine>",
         "gpttype"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<file path='relative'/></partition></disk></machine>",
         "backslash"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M' active='yes'/>"
         "</disk></machine>",
         "true or false"},
        {"<machine><disk number='0' size='1G'><partition offset='0' length='1M'>"
         "<windows running='true'/></partition><partition offset='1M' length='1M'>"
         "<windows running='true'/></partition></disk></machine>",
         "only one installation"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(ErrorOf(c.xml).find(c.expected), std::string::npos)
            << c.xml << " gave: " << ErrorOf(c.xml);
    }
}

}  // namespace
}  // namespace qn::sim
