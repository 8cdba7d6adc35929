#include "sim/bcd_store_file.h"

#include <gtest/gtest.h>

#include "sim/bcd_ids.h"

namespace qn::sim {
namespace {

BcdStoreData Sample() {
    const std::wstring loader = L"{3b1a7c2e-5d6f-11e9-8a4c-d8cb8a1f0001}";
    return {{
        {kBootmgrGuid,
         kBcdTypeBootmgr,
         {PartitionElement(L"device", L"5ed10000-0000-0000-0000-000000000001"),
          TextElement(L"path", L"\\bootmgr"), IdElement(L"default", loader),
          IdListElement(L"displayorder", {loader, kNtldrGuid}), IntegerElement(L"timeout", 30)}},
        {loader,
         kBcdTypeOsLoader,
         {TextElement(L"description", L"Windows 7 旗舰版"),
          BooleanElement(L"recoveryenabled", false),
          BcdElement{
              L"osdevice", BcdValueKind::Device, {}, {BcdDeviceKind::Boot, {}}, {}, 0, false}}},
        {kNtldrGuid, kBcdTypeNtldr, {}},
    }};
}

TEST(BcdStoreFile, ReadsBackExactlyWhatItWrote) {
    const BcdStoreData store = Sample();
    const std::vector<std::uint8_t> bytes = SerializeStore(store);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "QNSIMBCD");
    const auto read = DeserializeStore(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, store);
    EXPECT_EQ(SerializeStore(*read), bytes);
    EXPECT_TRUE(DeserializeStore(SerializeStore(BcdStoreData{})));
}

// Any cut file, like a backup copied half, is a store that cannot be opened.
TEST(BcdStoreFile, EveryTruncationAndTrailingByteIsRefused) {
    const std::vector<std::uint8_t> bytes = SerializeStore(Sample());
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_FALSE(DeserializeStore(std::span(bytes).first(size))) << size;
    }
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DeserializeStore(longer));
}

TEST(BcdStoreFile, DamageInsideIsRefused) {
    const std::vector<std::uint8_t> good = SerializeStore(Sample());
    auto damaged = [&](auto change) {
        std::vector<std::uint8_t> bytes = good;
        change(bytes);
        return DeserializeStore(bytes).has_value();
    };
    EXPECT_FALSE(damaged([](auto& b) { b[0] = 'X'; })) << "magic";
    EXPECT_FALSE(damaged([](auto& b) { b[8] = 2; })) << "version";
    EXPECT_FALSE(damaged([](auto& b) { b[10] = 0xFF; })) << "object count beyond the file";
    // The first object's identifier: a brace replaced is no GUID.
    EXPECT_FALSE(damaged([](auto& b) { b[18] = 'x'; })) << "identifier";
    // An object described twice.
    BcdStoreData twice = Sample();
    twice.objects.push_back(twice.objects.back());
    EXPECT_FALSE(DeserializeStore(SerializeStore(twice)));
    // An element that does not belong to the object, and one of the wrong kind.
    BcdStoreData foreign = Sample();
    foreign.objects[2].elements.push_back(IntegerElement(L"timeout", 1));
    EXPECT_FALSE(DeserializeStore(SerializeStore(foreign)));
    BcdStoreData wrongKind = Sample();
    wrongKind.objects[2].elements.push_back(IntegerElement(L"description", 1));
    EXPECT_FALSE(DeserializeStore(SerializeStore(wrongKind)));
    BcdStoreData upper = Sample();
    upper.objects[2].elements.push_back(TextElement(L"Description", L"x"));
    EXPECT_FALSE(DeserializeStore(SerializeStore(upper))) << "names are written canonical";
}

TEST(BcdModel, DeleteWithCleanupTakesTheEntryOutOfEveryList) {
    BcdStoreData store = Sample();
    const std::wstring loader = store.objects[1].id;
    ASSERT_TRUE(DeleteObject(store, loader, true));
    const BcdObject* manager = FindObject(store, kBootmgrGuid);
    EXPECT_EQ(FindElement(*manager, L"default"), nullptr);
    EXPECT_EQ(FindElement(*manager, L"displayorder")->ids, std::vector<std::wstring>{kNtldrGuid});
    ASSERT_TRUE(DeleteObject(store, kNtldrGuid, true));
    EXPECT_EQ(FindElement(*FindObject(store, kBootmgrGuid), L"displayorder"), nullptr)
        << "an emptied list goes";
    BcdStoreData kept = Sample();
    ASSERT_TRUE(DeleteObject(kept, loader, false));
    EXPECT_EQ(FindElement(*FindObject(kept, kBootmgrGuid), L"default")->text, loader);
    EXPECT_FALSE(DeleteObject(kept, loader, false));
}

}  // namespace
}  // namespace qn::sim
