#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "disk/device_descriptor_text.h"
#include "disk/fake/fake_storage_port.h"

namespace qn {
namespace {

// A descriptor whose vendor text is the given raw bytes (zero-terminated unless told not to).
std::vector<std::uint8_t> WithVendorBytes(const std::string& raw, bool terminate = true) {
    std::vector<std::uint8_t> bytes(40, 0);
    bytes[12] = 40;
    for (char c : raw) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    if (terminate) {
        bytes.push_back(0);
    }
    return bytes;
}

struct TextCase {
    const char* name;
    std::string raw;
    std::string expected;
};

TEST(DeviceDescriptorText, TextRule) {
    const TextCase cases[] = {
        {"plain", "Samsung", "Samsung"},
        {"padded model name", "  ST1000DM003  ", "ST1000DM003"},
        {"inner spaces kept", "WDC WD10EZEX-08W", "WDC WD10EZEX-08W"},
        {"spaces only", "        ", ""},
        {"empty", "", ""},
        {"control character", "Sam\x01sung", ""},
        {"tab is a control character", "\tKingston", ""},
        {"byte above 0x7E", "Sams\x7Fung", ""},
        {"high byte", "Sams\xC3\xA9ng", ""},
        {"every printable edge", " !~ ", "!~"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(ReadDeviceDescriptorTexts(WithVendorBytes(c.raw)).vendorId, c.expected) << c.name;
    }
}

TEST(DeviceDescriptorText, ReadsAllThreeTextsAtTheirOffsets) {
    const auto bytes = fake::MakeDeviceDescriptor("ATA     ", "  KINGSTON SA400  ", "50026B77");
    const DeviceDescriptorTexts texts = ReadDeviceDescriptorTexts(bytes);
    EXPECT_EQ(texts.vendorId, "ATA");
    EXPECT_EQ(texts.productId, "KINGSTON SA400");
    EXPECT_EQ(texts.serialNumber, "50026B77");
}

TEST(DeviceDescriptorText, OffsetZeroMeansNoText) {
    // The product revision sits between product and serial; only the offsets named are read.
    auto bytes = fake::MakeDeviceDescriptor("", "Model", "");
    const DeviceDescriptorTexts texts = ReadDeviceDescriptorTexts(bytes);
    EXPECT_EQ(texts.vendorId, "");
    EXPECT_EQ(texts.productId, "Model");
    EXPECT_EQ(texts.serialNumber, "");
    // Offset 0 would otherwise read the header's first bytes.
    const std::vector<std::uint8_t> header = {'A', 'B', 'C', 0};
    EXPECT_EQ(DescriptorTextAt(header, 0), "");
}

TEST(DeviceDescriptorText, MalformedDescriptorsAreSafe) {
    // Offset far beyond the data.
    auto beyond = WithVendorBytes("X");
    beyond[12] = 0xFF;
    beyond[13] = 0xFF;
    beyond[14] = 0xFF;
    beyond[15] = 0xFF;
    EXPECT_EQ(ReadDeviceDescriptorTexts(beyond).vendorId, "");

    // Offset exactly at the end of the data.
    auto atEnd = WithVendorBytes("X");
    atEnd[12] = static_cast<std::uint8_t>(atEnd.size());
    EXPECT_EQ(ReadDeviceDescriptorTexts(atEnd).vendorId, "");

    // Text running to the end of the data without its terminating zero: the data's end ends it.
    EXPECT_EQ(ReadDeviceDescriptorTexts(WithVendorBytes("Vendor", false)).vendorId, "Vendor");
    EXPECT_EQ(ReadDeviceDescriptorTexts(WithVendorBytes("Bad\x80", false)).vendorId, "");

    // Data too short to hold the offset fields, filled with bytes that would be huge offsets.
    for (std::size_t size : {0u, 1u, 12u, 15u, 16u, 27u}) {
        const std::vector<std::uint8_t> shortData(size, 0x41);
        const DeviceDescriptorTexts texts = ReadDeviceDescriptorTexts(shortData);
        EXPECT_EQ(texts.vendorId, "") << size;
        EXPECT_EQ(texts.productId, "") << size;
        EXPECT_EQ(texts.serialNumber, "") << size;
    }
    // Short data whose offset field is complete and points inside it.
    const std::vector<std::uint8_t> tiny = {0, 0, 0, 0,  0, 0, 0, 0,   0,
                                            0, 0, 0, 16, 0, 0, 0, 'O', 'K'};
    EXPECT_EQ(ReadDeviceDescriptorTexts(tiny).vendorId, "OK");
}

TEST(DeviceDescriptorText, OffsetsAreLittleEndian32Bit) {
    std::vector<std::uint8_t> bytes(0x0105, 0);
    bytes[24] = 0x00;
    bytes[25] = 0x01;  // serial at 0x0100
    bytes[0x100] = 'S';
    bytes[0x101] = 'N';
    bytes[0x102] = '1';
    EXPECT_EQ(ReadDeviceDescriptorTexts(bytes).serialNumber, "SN1");
}

}  // namespace
}  // namespace qn
