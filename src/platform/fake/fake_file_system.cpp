#include "platform/fake/fake_file_system.h"

#include <algorithm>
#include <cwctype>

namespace qn::fake {

class FakeWritableFile : public WritableFile {
public:
    FakeWritableFile(FakeFileSystem& fs, std::wstring key) : fs_(fs), key_(std::move(key)) {
        ++fs_.openFiles_;
    }
    ~FakeWritableFile() override { --fs_.openFiles_; }

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        auto it = fs_.nodes_.find(key_);
        if (it == fs_.nodes_.end()) {
            return 0;
        }
        const std::size_t n = std::min(size, fs_.writeLimit_);
        it->second.bytes.insert(it->second.bytes.end(), data, data + n);
        fs_.journal_.push_back(L"write " + it->second.displayPath + L" " + std::to_wstring(n));
        return n;
    }
    bool Flush() override { return fs_.nodes_.count(key_) != 0; }

private:
    FakeFileSystem& fs_;
    std::wstring key_;
};

std::wstring FakeFileSystem::Key(const std::wstring& path) const {
    std::wstring key = path;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    if (resolver_ && key.size() >= 2 && key[1] == L':') {
        const std::wstring volume = resolver_(static_cast<wchar_t>(std::towupper(key[0])));
        if (volume.empty()) {
            return {};  // nothing is mounted at that letter
        }
        key = volume + key.substr(1);
    }
    while (key.size() > 1 && key.back() == L'\\' && !IsRoot(key)) {
        key.pop_back();
    }
    return ThroughJunctions(key);
}

// A path below a junction names what is below its target, as on Windows; the junction itself
// (the last component) stays the link.
std::wstring FakeFileSystem::ThroughJunctions(std::wstring key) const {
    if (!hasJunctions_) {
        return key;
    }
    for (int hops = 0; hops < 32; ++hops) {
        bool moved = false;
        for (std::size_t slash = key.find(L'\\'); slash != std::wstring::npos;
             slash = key.find(L'\\', slash + 1)) {
            auto it = nodes_.find(key.substr(0, slash));
            if (it != nodes_.end() && !it->second.linkTarget.empty()) {
                key = it->second.linkTarget + key.substr(slash);
                moved = true;
                break;
            }
        }
        if (!moved) {
            break;
        }
    }
    return key;
}

bool FakeFileSystem::IsRoot(const std::wstring& key) {
    const auto first = key.find(L'\\');
    return first != std::wstring::npos && first + 1 == key.size();
}

std::wstring FakeFileSystem::Parent(const std::wstring& key) {
    const auto slash = key.rfind(L'\\');
    if (slash == std::wstring::npos || IsRoot(key)) {
        return {};
    }
    // The parent of "c:\x" is the root "c:\".
    return slash == key.find(L'\\') ? key.substr(0, slash + 1) : key.substr(0, slash);
}

bool FakeFileSystem::ParentExists(const std::wstring& key) const {
    const std::wstring parent = Parent(key);
    if (IsRoot(parent)) {
        return true;  // the root of a known drive always exists
    }
    auto it = nodes_.find(parent);
    return it != nodes_.end() && it->second.isDirectory;
}

void FakeFileSystem::AddDirectory(const std::wstring& path) {
    std::wstring key = Key(path);
    if (key.empty() || IsRoot(key)) {
        return;
    }
    AddDirectory(Parent(key));
    auto& node = nodes_[key];
    if (node.displayPath.empty()) {
        std::wstring display = path;
        while (!display.empty() && display.back() == L'\\') {
            display.pop_back();
        }
        node.displayPath = display;
    }
    node.isDirectory = true;
}

void FakeFileSystem::AddFile(const std::wstring& path, std::vector<std::uint8_t> bytes) {
    const std::wstring key = Key(path);
    if (key.empty() || IsRoot(key)) {
        return;
    }
    AddDirectory(Parent(key));
    nodes_[key] = Node{path, false, std::move(bytes)};
}

void FakeFileSystem::AddJunction(const std::wstring& path, const std::wstring& target) {
    const std::wstring key = Key(path);
    if (key.empty() || IsRoot(key)) {
        return;
    }
    AddDirectory(Parent(key));
    Node link{path, true, {}};
    link.linkTarget = Key(target);
    hasJunctions_ = true;
    nodes_[key] = std::move(link);
}

bool FakeFileSystem::IsDirectory(const std::wstring& path) const {
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && it->second.isDirectory;
}

bool FakeFileSystem::IsFile(const std::wstring& path) const {
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && !it->second.isDirectory;
}

const std::vector<std::uint8_t>* FakeFileSystem::FileBytes(const std::wstring& path) const {
    auto it = nodes_.find(Key(path));
    return it != nodes_.end() && !it->second.isDirectory ? &it->second.bytes : nullptr;
}

std::vector<std::wstring> FakeFileSystem::AllPaths() const {
    std::vector<std::wstring> paths;
    for (const auto& [key, node] : nodes_) {
        paths.push_back(node.displayPath);
    }
    return paths;
}

CreateDirResult FakeFileSystem::MakeDirectory(const std::wstring& path) {
    journal_.push_back(L"mkdir " + path);
    const std::wstring key = Key(path);
    if (failMkdir_.count(key) != 0 || !ParentExists(key)) {
        return CreateDirResult::Failed;
    }
    if (nodes_.count(key) != 0) {
        return CreateDirResult::AlreadyExists;
    }
    nodes_[key] = Node{path, true, {}};
    return CreateDirResult::Created;
}

bool FakeFileSystem::RemoveEmptyDirectory(const std::wstring& path) {
    journal_.push_back(L"rmdir " + path);
    const std::wstring key = Key(path);
    auto it = nodes_.find(key);
    if (it == nodes_.end() || !it->second.isDirectory || failRemove_.count(key) != 0) {
        return false;
    }
    for (const auto& [other, node] : nodes_) {
        if (it->second.linkTarget.empty() && Parent(other) == key) {
            return false;  // not empty (a junction goes whatever its target holds)
        }
    }
    nodes_.erase(it);
    return true;
}

bool FakeFileSystem::RemoveFile(const std::wstring& path) {
    journal_.push_back(L"del " + path);
    const std::wstring key = Key(path);
    auto it = nodes_.find(key);
    if (it == nodes_.end() || it->second.isDirectory || failRemove_.count(key) != 0) {
        return false;
    }
    nodes_.erase(it);
    return true;
}

bool FakeFileSystem::PathExists(const std::wstring& path) {
    const std::wstring key = Key(path);
    return IsRoot(key) || nodes_.count(key) != 0;
}

std::optional<std::vector<DirEntry>> FakeFileSystem::ListDirectory(const std::wstring& path) {
    std::wstring key = Key(path);
    auto it = nodes_.find(key);
    if (failList_.count(key) != 0 ||
        (!IsRoot(key) && (it == nodes_.end() || !it->second.isDirectory))) {
        return std::nullopt;
    }
    if (it != nodes_.end() && !it->second.linkTarget.empty()) {
        key = it->second.linkTarget;  // through the junction
    }
    std::vector<DirEntry> entries;
    for (const auto& [other, node] : nodes_) {
        if (Parent(other) == key) {
            const auto slash = node.displayPath.rfind(L'\\');
            entries.push_back(
                {node.displayPath.substr(slash + 1), node.isDirectory, !node.linkTarget.empty()});
        }
    }
    return entries;
}

// As CreateFileW with CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL: an existing read-only file, or
// a hidden or system one (whose attributes the call does not repeat), is refused.
bool FakeFileSystem::WritableAsNew(const std::wstring& key) const {
    auto it = nodes_.find(key);
    if (it == nodes_.end()) {
        return true;
    }
    constexpr std::uint32_t kProtected = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;
    return !it->second.isDirectory && (it->second.attributes & kProtected) == 0;
}

std::unique_ptr<WritableFile> FakeFileSystem::CreateFileForWrite(const std::wstring& path) {
    journal_.push_back(L"create " + path);
    const std::wstring key = Key(path);
    if (failCreate_.count(key) != 0 || !ParentExists(key) || !WritableAsNew(key)) {
        return nullptr;
    }
    nodes_[key] = Node{path, false, {}};
    return std::make_unique<FakeWritableFile>(*this, key);
}

std::optional<std::uint32_t> FakeFileSystem::AttributesOf(const std::wstring& path) const {
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) {
        return std::nullopt;
    }
    return it->second.attributes;
}

bool FakeFileSystem::StoreBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    journal_.push_back(L"write " + path + L" " + std::to_wstring(bytes.size()));
    const std::wstring key = Key(path);
    auto it = nodes_.find(key);
    if (it == nodes_.end()) {
        if (failCreate_.count(key) != 0 || !ParentExists(key)) {
            return false;
        }
        nodes_[key] = Node{path, false, bytes};
        return true;
    }
    if (it->second.isDirectory || (it->second.attributes & kAttributeReadOnly) != 0) {
        return false;
    }
    it->second.bytes = bytes;
    return true;
}

bool FakeFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    journal_.push_back(L"attrib " + path + L" " + std::to_wstring(attributes));
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end() || it->second.isDirectory) {
        return false;
    }
    it->second.attributes = attributes;
    return true;
}

bool FakeFileSystem::CopyFileTo(const std::wstring& source, const std::wstring& target,
                                bool replaceExisting) {
    journal_.push_back(L"copy " + source + L" " + target + (replaceExisting ? L"" : L" new"));
    auto from = nodes_.find(Key(source));
    const std::wstring targetKey = Key(target);
    if (from == nodes_.end() || from->second.isDirectory || failCreate_.count(targetKey) != 0 ||
        !ParentExists(targetKey)) {
        return false;
    }
    if (nodes_.count(targetKey) != 0 && (!replaceExisting || !WritableAsNew(targetKey))) {
        return false;
    }
    Node copy = from->second;
    copy.displayPath = target;
    nodes_[targetKey] = std::move(copy);
    return true;
}

bool FakeFileSystem::MoveReplacing(const std::wstring& source, const std::wstring& target) {
    journal_.push_back(L"move " + source + L" " + target);
    const std::wstring sourceKey = Key(source);
    const std::wstring targetKey = Key(target);
    auto from = nodes_.find(sourceKey);
    if (from == nodes_.end() || from->second.isDirectory || failCreate_.count(targetKey) != 0 ||
        failRemove_.count(sourceKey) != 0 || !ParentExists(targetKey)) {
        return false;
    }
    auto to = nodes_.find(targetKey);
    if (to != nodes_.end() &&
        (to->second.isDirectory || (to->second.attributes & kAttributeReadOnly) != 0)) {
        return false;
    }
    Node moved = std::move(from->second);
    moved.displayPath = target;
    nodes_.erase(from);
    nodes_[targetKey] = std::move(moved);
    return true;
}

std::wstring FakeFileSystem::FolderPath(KnownFolder folder) {
    auto it = folders_.find(folder);
    return it == folders_.end() ? std::wstring() : it->second;
}

}  // namespace qn::fake
