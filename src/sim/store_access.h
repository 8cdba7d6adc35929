#pragma once

#include <string>

#include "platform/fake/fake_file_system.h"
#include "sim/bcd_model.h"

namespace qn::sim {

enum class StoreState { Ok, Missing, Unreadable };

struct OpenedStore {
    StoreState state = StoreState::Missing;
    BcdStoreData data;
};

// The store in a file of the machine (any path Files() takes).
OpenedStore OpenStoreFile(const fake::FakeFileSystem& files, const std::wstring& path);
// Writes the store back into its file (creating it where its folder exists); false when the
// file cannot be written (read-only, no folder).
bool SaveStoreFile(fake::FakeFileSystem& files, const std::wstring& path,
                   const BcdStoreData& store);

}  // namespace qn::sim
