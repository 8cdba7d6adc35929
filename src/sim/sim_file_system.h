#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace qn::sim {

class SimMachine;

// The machine's files as the program sees them: every change it makes (folders made and removed,
// files written, copied and deleted) goes into the machine's journal. A file Windows holds open
// (SimMachine::IsHeldOpen) answers as on Windows: its attributes and size can be read, but it
// cannot be read, copied, moved, replaced or deleted. Nothing on a locked BitLocker volume can be
// reached at all (its root cannot even be listed).
class SimFileSystem final : public FileSystem {
public:
    explicit SimFileSystem(SimMachine& machine) : machine_(machine) {}

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
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override;
    std::optional<std::uint64_t> FileSize(const std::wstring& path) override;
    std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::wstring& path,
                                                           std::uint64_t maxBytes) override;
    std::wstring FolderPath(KnownFolder folder) override;

private:
    SimMachine& machine_;
};

}  // namespace qn::sim
