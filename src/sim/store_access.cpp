#include "sim/store_access.h"

#include "sim/bcd_store_file.h"

namespace qn::sim {

OpenedStore OpenStoreFile(const fake::FakeFileSystem& files, const std::wstring& path) {
    OpenedStore opened;
    const auto* bytes = path.empty() ? nullptr : files.FileBytes(path);
    if (bytes == nullptr) {
        return opened;
    }
    auto data = DeserializeStore(*bytes);
    if (!data) {
        opened.state = StoreState::Unreadable;
        return opened;
    }
    opened.state = StoreState::Ok;
    opened.data = std::move(*data);
    return opened;
}

bool SaveStoreFile(fake::FakeFileSystem& files, const std::wstring& path,
                   const BcdStoreData& store) {
    return files.StoreBytes(path, SerializeStore(store));
}

}  // namespace qn::sim
