#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qn::fake {

// An in-memory file tree with Windows path rules (case-insensitive, backslashes) that records
// what the code under test did to it. Tests script failures by path and assert on the journal.
//
//   FakeFileSystem fs;
//   fs.SetFolder(KnownFolder::LocalAppData, L"C:\\Users\\a\\AppData\\Local");
//   fs.AddDirectory(L"C:\\Users\\a\\AppData\\Local");
//   ... run code ...
//   EXPECT_THAT(fs.Journal(), Contains(L"mkdir C:\\Users\\a\\AppData\\Local\\Temp"));
class FakeFileSystem : public FileSystem {
public:
    // Scripting.
    void SetFolder(KnownFolder folder, std::wstring path) { folders_[folder] = std::move(path); }
    void AddDirectory(const std::wstring& path);  // with its parents
    void AddFile(const std::wstring& path, std::vector<std::uint8_t> bytes = {});
    // A directory junction at path pointing at the folder target, with Windows' rules: it lists
    // the target's entries, DeleteFile refuses it, RemoveDirectory removes the link alone.
    void AddJunction(const std::wstring& path, const std::wstring& target);
    void FailMakeDirectory(const std::wstring& path) { failMkdir_.insert(Key(path)); }
    void FailCreateFile(const std::wstring& path) { failCreate_.insert(Key(path)); }
    void FailRemove(const std::wstring& path) { failRemove_.insert(Key(path)); }
    // Listing that folder fails, as the root of a volume Windows cannot read (RAW, locked) does.
    void FailListDirectory(const std::wstring& path) { failList_.insert(Key(path)); }
    // Maps a drive letter to the volume mounted there (any stable text of two or more
    // characters), or empty when nothing is: files then belong to volumes, not letters, and
    // follow a volume to whatever letter it is given. Without a resolver every letter is a drive.
    void SetDriveResolver(std::function<std::wstring(wchar_t)> resolver) {
        resolver_ = std::move(resolver);
    }
    // Each write takes at most this many bytes; 0 makes every write fail.
    void SetWriteLimit(std::size_t bytes) { writeLimit_ = bytes; }

    // Replaces a file's content the way a program rewriting it does: attributes stay, a
    // read-only file or a missing folder fails. Journal: "write P N".
    bool StoreBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

    // Inspection.
    bool IsDirectory(const std::wstring& path) const;
    bool IsFile(const std::wstring& path) const;
    const std::vector<std::uint8_t>* FileBytes(const std::wstring& path) const;
    std::vector<std::wstring> AllPaths() const;  // every file and folder, sorted
    std::optional<std::uint32_t> AttributesOf(const std::wstring& path) const;
    // "mkdir P", "rmdir P", "del P", "create P", "write P N" (N bytes), "attrib P N",
    // "copy S T", "move S T", in order.
    const std::vector<std::wstring>& Journal() const { return journal_; }
    std::size_t OpenFiles() const { return openFiles_; }

    CreateDirResult MakeDirectory(const std::wstring& path) override;
    bool RemoveEmptyDirectory(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    bool PathExists(const std::wstring& path) override;
    std::optional<std::vector<DirEntry>> ListDirectory(const std::wstring& path) override;
    std::unique_ptr<WritableFile> CreateFileForWrite(const std::wstring& path) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    bool CopyFileTo(const std::wstring& source, const std::wstring& target,
                    bool replaceExisting) override;
    bool MoveReplacing(const std::wstring& source, const std::wstring& target) override;
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override {
        return AttributesOf(path);
    }
    std::optional<std::uint64_t> FileSize(const std::wstring& path) override {
        const auto* bytes = FileBytes(path);
        return bytes ? std::optional<std::uint64_t>(bytes->size()) : std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path,
                                                           std::uint64_t maxBytes) override {
        const auto* bytes = FileBytes(path);
        if (bytes == nullptr || bytes->size() > maxBytes) {
            return std::nullopt;
        }
        return *bytes;
    }
    std::wstring FolderPath(KnownFolder folder) override;

private:
    friend class FakeWritableFile;
    struct Node {
        Node() = default;
        Node(std::wstring path, bool directory, std::vector<std::uint8_t> content)
            : displayPath(std::move(path)), isDirectory(directory), bytes(std::move(content)) {}
        std::wstring displayPath;
        bool isDirectory = false;
        std::vector<std::uint8_t> bytes;
        std::uint32_t attributes = kAttributeNormal;
        std::wstring linkTarget;  // key of what a junction points at; empty for other nodes
    };
    std::wstring Key(const std::wstring& path) const;
    std::wstring ThroughJunctions(std::wstring key) const;
    static bool IsRoot(const std::wstring& key);
    static std::wstring Parent(const std::wstring& key);
    bool ParentExists(const std::wstring& key) const;
    bool WritableAsNew(const std::wstring& key) const;

    std::map<std::wstring, Node> nodes_;
    std::map<KnownFolder, std::wstring> folders_;
    std::set<std::wstring> failMkdir_, failCreate_, failRemove_, failList_;
    std::size_t writeLimit_ = static_cast<std::size_t>(-1);
    std::vector<std::wstring> journal_;
    std::size_t openFiles_ = 0;
    std::function<std::wstring(wchar_t)> resolver_;
    bool hasJunctions_ = false;
};

}  // namespace qn::fake
