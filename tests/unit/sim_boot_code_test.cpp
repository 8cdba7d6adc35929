#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sim/boot_sector.h"
#include "sim/loader_image.h"
#include "sim/mbr_code.h"

namespace qn::sim {
namespace {

bool Contains(std::span<const std::uint8_t> bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end(),
                       [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); }) !=
           bytes.end();
}

std::string At(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

TEST(MbrCode, EachKindReadsBackAsItselfAndCarriesWhatSuchCodePrints) {
    struct Case {
        MbrCode kind;
        const char* message;
    };
    for (const Case& c :
         {Case{MbrCode::Nt60, "Missing operating system"},
          Case{MbrCode::Nt52, "Invalid partition table"}, Case{MbrCode::Grub, "GRUB "},
          Case{MbrCode::Syslinux, "Multiple active partitions"}}) {
        SCOPED_TRACE(MbrCodeName(c.kind));
        const MbrCodeArea bytes = MbrCodeBytes(c.kind);
        EXPECT_EQ(ClassifyMbrCode(bytes), c.kind);
        EXPECT_TRUE(Contains(bytes, c.message));
    }
    const MbrCodeArea none = MbrCodeBytes(MbrCode::None);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(ClassifyMbrCode(none), MbrCode::None);
    EXPECT_NE(MbrCodeBytes(MbrCode::Nt60), MbrCodeBytes(MbrCode::Nt52));
}

TEST(MbrCode, AnyChangedByteOrAnotherVendorsCodeIsOther) {
    MbrCodeArea bytes = MbrCodeBytes(MbrCode::Nt60);
    bytes[100] ^= 0x01;
    EXPECT_EQ(ClassifyMbrCode(bytes), MbrCode::Other);
    EXPECT_EQ(ClassifyMbrCode(MbrCodeBytes(MbrCode::Other)), MbrCode::Other);
    EXPECT_EQ(ClassifyMbrCode(std::span<const std::uint8_t>(bytes).first(439)), MbrCode::Other);
}

TEST(BootSector, EachKindOnEachFileSystemReadsBackWithItsParameterBlock) {
    struct FileSystem {
        const wchar_t* name;
        const char* oem;
        std::size_t typeAt;  // where FAT keeps its type text; 0: none
        const char* type;
    };
    const VolumeGeometry base{L"", 2048, 204800, 0x12345678};
    for (const FileSystem& fs : {FileSystem{L"NTFS", "NTFS    ", 0, ""},
                                 FileSystem{L"FAT32", "MSWIN4.1", 0x52, "FAT32   "},
                                 FileSystem{L"FAT", "MSDOS5.0", 0x36, "FAT16   "}}) {
        VolumeGeometry geometry = base;
        geometry.fileSystem = fs.name;
        for (BootRecordCode kind :
             {BootRecordCode::Bootmgr, BootRecordCode::Ntldr, BootRecordCode::Grub}) {
            SCOPED_TRACE(std::string(fs.oem) + " " + std::to_string(static_cast<int>(kind)));
            const std::vector<std::uint8_t> sector = BootSectorBytes(kind, geometry);
            ASSERT_EQ(sector.size(), 512u);
            EXPECT_EQ(ClassifyBootSector(sector, geometry), kind);
            EXPECT_EQ(At(sector, 3, 8), fs.oem);
            EXPECT_EQ(sector[0x1FE], 0x55);
            EXPECT_EQ(sector[0x1FF], 0xAA);
            EXPECT_EQ(sector[0x1C] | (sector[0x1D] << 8), 2048) << "hidden sectors";
            if (fs.typeAt != 0) {
                EXPECT_EQ(At(sector, fs.typeAt, 8), fs.type);
            }
        }
        EXPECT_TRUE(
            Contains(BootSectorBytes(BootRecordCode::Bootmgr, geometry), "BOOTMGR is missing"));
        EXPECT_TRUE(Contains(BootSectorBytes(BootRecordCode::Ntldr, geometry), "NTLDR is missing"));
    }
}

TEST(BootSector, BitLockerZeroAndForeignSectors) {
    const VolumeGeometry ntfs{L"NTFS", 63, 100000, 1};
    const auto fve = BootSectorBytes(BootRecordCode::BitLocker, ntfs);
    EXPECT_EQ(At(fve, 3, 8), "-FVE-FS-");
    EXPECT_EQ(ClassifyBootSector(fve, ntfs), BootRecordCode::BitLocker);
    const auto none = BootSectorBytes(BootRecordCode::None, ntfs);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(ClassifyBootSector(none, ntfs), BootRecordCode::None);
    // Another volume's sector: the parameter block differs, so it is not this volume's code.
    VolumeGeometry other = ntfs;
    other.hiddenSectors = 64;
    EXPECT_EQ(ClassifyBootSector(BootSectorBytes(BootRecordCode::Bootmgr, other), ntfs),
              BootRecordCode::Other);
    EXPECT_EQ(ClassifyBootSector(BootSectorBytes(BootRecordCode::Other, ntfs), ntfs),
              BootRecordCode::Other);
    EXPECT_FALSE(HasBootCodeLayout(L"RAW"));
    EXPECT_TRUE(HasBootCodeLayout(L"fat32"));
}

TEST(LoaderImage, FilesAreKnownByContentAndLoadersByName) {
    for (FileImage image :
         {FileImage::Bootmgr, FileImage::BootmgrEfi, FileImage::Ntldr, FileImage::Ntdetect,
          FileImage::Winload, FileImage::WinloadEfi, FileImage::Grub}) {
        EXPECT_EQ(ClassifyImage(ImageBytes(image)), image);
    }
    EXPECT_EQ(ClassifyImage({}), FileImage::Empty);
    EXPECT_EQ(ClassifyImage(ImageBytes(FileImage::Other)), FileImage::Other);
    std::vector<std::uint8_t> cut = ImageBytes(FileImage::BootmgrEfi);
    cut.pop_back();
    EXPECT_EQ(ClassifyImage(cut), FileImage::Other) << "a damaged copy is not the loader";
    EXPECT_EQ(DefaultImageFor(L"\\EFI\\Boot\\BOOTX64.EFI"), FileImage::BootmgrEfi);
    EXPECT_EQ(DefaultImageFor(L"\\EFI\\ubuntu\\shimx64.efi"), FileImage::Grub);
    EXPECT_EQ(DefaultImageFor(L"\\NTDETECT.COM"), FileImage::Ntdetect);
    EXPECT_EQ(DefaultImageFor(L"\\Boot\\BCD"), FileImage::Empty);
}

}  // namespace
}  // namespace qn::sim
