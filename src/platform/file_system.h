#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qn {

enum class KnownFolder {
    LocalAppData,  // CSIDL_LOCAL_APPDATA
    Desktop,       // CSIDL_DESKTOP
    System,        // the system directory, e.g. C:\Windows\System32
    Program,       // the folder the program was started from (often the technician's stick)
    Current,       // the process's current folder, which a relative path on a command line means
};

// File attribute bits, numbered as Windows numbers them.
inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

enum class CreateDirResult { Created, AlreadyExists, Failed };

struct DirEntry {
    std::wstring name;
    bool isDirectory = false;
    // A directory junction or symbolic link (a reparse point): whoever deletes a tree removes
    // the link itself and never walks into what it points at.
    bool isLink = false;
};

// A file open for writing; closed when destroyed.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Bytes actually written; 0 when the write failed or made no progress.
    virtual std::size_t Write(const std::uint8_t* data, std::size_t size) = 0;
    // What was written is on the disk, not only in the system's cache; false when it is not.
    virtual bool Flush() = 0;
};

// Files and folders. Paths are full Windows paths ("C:\dir\file").
// Method names avoid the Win32 macro names (DeleteFile, CreateDirectory, ...) on purpose.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Never follows an existing directory: AlreadyExists tells the caller it did not create it.
    virtual CreateDirResult MakeDirectory(const std::wstring& path) = 0;
    virtual bool RemoveEmptyDirectory(const std::wstring& path) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    virtual bool PathExists(const std::wstring& path) = 0;

    // Entries of a folder without "." and ".."; nullopt when the folder cannot be listed.
    virtual std::optional<std::vector<DirEntry>> ListDirectory(const std::wstring& path) = 0;

    // Creates or truncates a file; null when it cannot be created.
    virtual std::unique_ptr<WritableFile> CreateFileForWrite(const std::wstring& path) = 0;

    // Sets the attribute bits of a file (kAttributeNormal alone clears them all).
    virtual bool SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
    // The attribute bits of a file or folder; nullopt when there is none.
    virtual std::optional<std::uint32_t> Attributes(const std::wstring& path) = 0;
    // A file's size in bytes; nullopt when there is no such file.
    virtual std::optional<std::uint64_t> FileSize(const std::wstring& path) = 0;
    // A whole file's bytes; nullopt when it cannot be read or holds more than maxBytes (what the
    // program reads back is its own small files: records and saved sectors).
    virtual std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path,
                                                                   std::uint64_t maxBytes) = 0;

    // Copies a file with its attributes. With replaceExisting a file at target is replaced
    // (failing when that file is read-only, hidden or system); without it an existing target
    // makes the copy fail, checked and created in one step (backups never overwrite).
    virtual bool CopyFileTo(const std::wstring& source, const std::wstring& target,
                            bool replaceExisting) = 0;

    // Renames source to target in one step, replacing a file at target, and returns only when
    // the change is on the disk (MoveFileEx with replace-existing and write-through). Like
    // Windows it refuses a read-only target. A failure leaves both files as they were.
    virtual bool MoveReplacing(const std::wstring& source, const std::wstring& target) = 0;

    // Folder path without a trailing backslash; empty when the system cannot tell.
    virtual std::wstring FolderPath(KnownFolder folder) = 0;
};

}  // namespace qn
