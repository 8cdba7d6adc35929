#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ui/fake/test_files.h"
#include "ui/image_decoder.h"
#include "ui/zip_archive.h"

namespace qn {
namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(UiZipArchive, ReadsStoredDeflatedAndStreamedEntriesByName) {
    const std::string big(5000, 'x');
    const auto zip = fake::MakeZip({{"MainFrame.xml", "<Window/>", true, false},
                                    {"img/a.png", "raw bytes", false, false},
                                    {"big.txt", big, true, true},
                                    {"empty", "", true, false}},
                                   "a comment");
    ZipArchive archive;
    std::wstring error;
    ASSERT_TRUE(archive.Open(zip, error)) << error;
    ASSERT_EQ(archive.Entries().size(), 4u);
    std::vector<std::uint8_t> out;
    ASSERT_NE(archive.Find("mainframe.XML"), nullptr);
    ASSERT_TRUE(archive.Extract(*archive.Find("mainframe.XML"), out, error)) << error;
    EXPECT_EQ(AsText(out), "<Window/>");
    ASSERT_TRUE(archive.Extract(*archive.Find("img\\a.png"), out, error)) << error;
    EXPECT_EQ(AsText(out), "raw bytes");
    ASSERT_TRUE(archive.Extract(*archive.Find("big.txt"), out, error)) << error;
    EXPECT_EQ(AsText(out), big);
    ASSERT_TRUE(archive.Extract(*archive.Find("empty"), out, error)) << error;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(archive.Find("missing.xml"), nullptr);
}

TEST(UiZipArchive, DamagedArchivesFailWithAReason) {
    const auto good = fake::MakeZip({{"a.xml", std::string(300, 'a') + "b", true, false}});
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        bool opens;
    };
    const Case cases[] = {
        {"empty", [](auto& z) { z.clear(); }, false},
        {"cut at the end", [](auto& z) { z.resize(z.size() - 3); }, false},
        {"directory offset past the end", [](auto& z) { z[z.size() - 6] = 0xFF; }, false},
        {"entry count larger than the directory",
         [](auto& z) {
             z[z.size() - 12] = 9;
             z[z.size() - 14] = 9;
         },
         false},
        {"local header offset past the end",
         [](auto& z) {
             z[z.size() - 22 - 5 - 4] = 0xFF;
             z[z.size() - 22 - 5 - 1] = 0x7F;
         },
         true},
        {"checksum changed", [](auto& z) { z[z.size() - 22 - 5 - 30] ^= 1; }, true},
        {"compressed data changed",
         [](auto& z) {
             z[35] ^= 0x55;
             z[36] ^= 0x55;
         },
         true},
        {"encrypted", [](auto& z) { z[z.size() - 22 - 5 - 38] |= 1; }, true},
        {"unknown method", [](auto& z) { z[z.size() - 22 - 5 - 36] = 14; }, true},
        {"huge declared size", [](auto& z) { z[z.size() - 22 - 5 - 19] = 0x7F; }, true},
    };
    for (const Case& c : cases) {
        auto zip = good;
        c.damage(zip);
        ZipArchive archive;
        std::wstring error;
        const bool opened = archive.Open(zip, error);
        EXPECT_EQ(opened, c.opens) << c.what;
        if (!opened) {
            EXPECT_FALSE(error.empty()) << c.what;
            continue;
        }
        std::vector<std::uint8_t> out;
        ASSERT_EQ(archive.Entries().size(), 1u) << c.what;
        EXPECT_FALSE(archive.Extract(archive.Entries()[0], out, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(UiZipArchive, OpensTheSkinThatTheBuildPacked) {
    std::ifstream file(QN_TEST_SKIN_ZIP, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    ZipArchive archive;
    std::wstring error;
    ASSERT_TRUE(archive.Open(bytes, error)) << error;
    for (const char* name :
         {"MainFrame.xml", "StartPage.xml", "ResultPage.xml", "SelectPartPage.xml",
          "SelectBootPage.xml", "MbrRepairType.xml", "BootEditPage.xml", "ConfirmForm.xml",
          "checked.png", "unchecked.png", "cb_e1.png", "cb_e2.png"}) {
        const ZipArchive::Entry* entry = archive.Find(name);
        ASSERT_NE(entry, nullptr) << name;
        std::vector<std::uint8_t> out;
        EXPECT_TRUE(archive.Extract(*entry, out, error))
            << name << " " << std::string(error.begin(), error.end());
    }
}

TEST(UiImageDecoder, DecodesPngToPremultipliedBgra) {
    // 2 x 1: opaque red, half-transparent white.
    const auto png = fake::MakePng(2, 1, {255, 0, 0, 255, 255, 255, 255, 128});
    DecodedImage image;
    std::wstring error;
    ASSERT_TRUE(DecodeImage(png, image, error)) << error;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(image.bgra, (std::vector<std::uint8_t>{0, 0, 255, 255, 128, 128, 128, 128}));
}

TEST(UiImageDecoder, DecodesAPngWhoseFirstDataChunkIsEmpty) {
    // The decoder once copied zero bytes from a null buffer here (caught under UBSan).
    const std::vector<std::uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 255};
    DecodedImage image;
    std::wstring error;
    ASSERT_TRUE(DecodeImage(fake::MakePng(2, 1, rgba, 2), image, error)) << error;
    EXPECT_EQ(image.bgra, (std::vector<std::uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
}

TEST(UiImageDecoder, AChunkRunningPastTheFileIsRefusedBeforeTheDecoderSizesABuffer) {
    // 1 GB: under the decoder's own limit, so without the check it would reserve that much
    // before noticing the data is not there. The check's own words say who refused.
    auto png = fake::MakePng(4, 4, std::vector<std::uint8_t>(64, 200));
    const std::size_t idatLength = 33;
    ASSERT_EQ(std::string(png.begin() + idatLength + 4, png.begin() + idatLength + 8), "IDAT");
    png[idatLength] = 0x3F;
    png[idatLength + 1] = 0xFF;
    DecodedImage image;
    std::wstring error;
    EXPECT_FALSE(DecodeImage(png, image, error));
    EXPECT_EQ(error, L"not a readable PNG image: damaged or missing chunks");
}

TEST(UiImageDecoder, RefusesBrokenAndOversizedImages) {
    const auto good = fake::MakePng(4, 4, std::vector<std::uint8_t>(64, 200));
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto cut = good;
    cut.resize(cut.size() / 2);
    auto garbage = good;
    for (std::size_t i = 40; i < garbage.size() - 12; ++i) {
        garbage[i] = static_cast<std::uint8_t>(i * 31);
    }
    auto hugeChunk = good;
    hugeChunk[33] = 0x7F;  // the IDAT chunk claims two gigabytes
    const Case cases[] = {
        {"empty", {}},
        {"chunk longer than the file", hugeChunk},
        {"not a png", {'G', 'I', 'F', '8', '9', 'a', 0, 0}},
        {"cut in half", cut},
        {"scrambled data", garbage},
        {"a side above the limit", fake::MakePng(5000, 1, std::vector<std::uint8_t>(5000 * 4, 1))},
    };
    for (const Case& c : cases) {
        DecodedImage image;
        std::wstring error;
        EXPECT_FALSE(DecodeImage(c.bytes, image, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(image.bgra.empty()) << c.what;
    }
}

}  // namespace
}  // namespace qn
