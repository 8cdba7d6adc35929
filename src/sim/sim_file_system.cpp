#include "sim/sim_file_system.h"

#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

std::wstring Outcome(bool ok) {
    return ok ? std::wstring() : std::wstring(L" failed");
}

// What Windows answers for a file another handle holds without sharing: ERROR_SHARING_VIOLATION.
constexpr wchar_t kInUse[] = L" failed (in use)";
// What a path on a locked BitLocker volume answers: nothing there can be opened.
constexpr wchar_t kLocked[] = L" failed (locked)";

// Tells the machine when the program is done with a file it wrote.
class ClosingFile final : public WritableFile {
public:
    ClosingFile(std::unique_ptr<WritableFile> file, SimMachine& machine, std::wstring path)
        : file_(std::move(file)), machine_(machine), path_(std::move(path)) {}
    ~ClosingFile() override {
        file_.reset();
        machine_.FileClosed(path_);
    }
    ClosingFile(const ClosingFile&) = delete;
    ClosingFile& operator=(const ClosingFile&) = delete;

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        return file_->Write(data, size);
    }
    bool Flush() override { return file_->Flush(); }

private:
    std::unique_ptr<WritableFile> file_;
    SimMachine& machine_;
    std::wstring path_;
};

}  // namespace

CreateDirResult SimFileSystem::MakeDirectory(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        machine_.Record(L"mkdir " + path + kLocked);
        return CreateDirResult::Failed;
    }
    const CreateDirResult result = machine_.Files().MakeDirectory(path);
    machine_.Record(L"mkdir " + path +
                    (result == CreateDirResult::Created         ? L""
                     : result == CreateDirResult::AlreadyExists ? L" exists"
                                                                : L" failed"));
    return result;
}

bool SimFileSystem::RemoveEmptyDirectory(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        machine_.Record(L"rmdir " + path + kLocked);
        return false;
    }
    const bool ok = machine_.Files().RemoveEmptyDirectory(path);
    machine_.Record(L"rmdir " + path + Outcome(ok));
    return ok;
}

bool SimFileSystem::RemoveFile(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        machine_.Record(L"del " + path + kLocked);
        return false;
    }
    if (machine_.IsHeldOpen(path)) {
        machine_.Record(L"del " + path + kInUse);
        return false;
    }
    const bool ok = machine_.Files().RemoveFile(path);
    machine_.Record(L"del " + path + Outcome(ok));
    return ok;
}

bool SimFileSystem::PathExists(const std::wstring& path) {
    return !machine_.OnLockedVolume(path) && machine_.Files().PathExists(path);
}

std::optional<std::vector<DirEntry>> SimFileSystem::ListDirectory(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        return std::nullopt;
    }
    return machine_.Files().ListDirectory(path);
}

std::unique_ptr<WritableFile> SimFileSystem::CreateFileForWrite(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        machine_.Record(L"write " + path + kLocked);
        return nullptr;
    }
    if (machine_.IsHeldOpen(path)) {
        machine_.Record(L"write " + path + kInUse);
        return nullptr;
    }
    auto file = machine_.Files().CreateFileForWrite(path);
    machine_.Record(L"write " + path + Outcome(file != nullptr));
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<ClosingFile>(std::move(file), machine_, path);
}

bool SimFileSystem::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    if (machine_.OnLockedVolume(path)) {
        machine_.Record(L"attrib " + path + L" " + std::to_wstring(attributes) + kLocked);
        return false;
    }
    const bool ok = machine_.Files().SetAttributes(path, attributes);
    machine_.Record(L"attrib " + path + L" " + std::to_wstring(attributes) + Outcome(ok));
    return ok;
}

bool SimFileSystem::CopyFileTo(const std::wstring& source, const std::wstring& target,
                               bool replaceExisting) {
    if (machine_.OnLockedVolume(source) || machine_.OnLockedVolume(target)) {
        machine_.Record(L"copy " + source + L" " + target + kLocked);
        return false;
    }
    if (machine_.IsHeldOpen(source) || machine_.IsHeldOpen(target)) {
        machine_.Record(L"copy " + source + L" " + target + kInUse);
        return false;
    }
    const bool ok = machine_.Files().CopyFileTo(source, target, replaceExisting);
    machine_.Record(L"copy " + source + L" " + target + Outcome(ok));
    return ok;
}

bool SimFileSystem::MoveReplacing(const std::wstring& source, const std::wstring& target) {
    if (machine_.OnLockedVolume(source) || machine_.OnLockedVolume(target)) {
        machine_.Record(L"move " + source + L" " + target + kLocked);
        return false;
    }
    if (machine_.IsHeldOpen(source) || machine_.IsHeldOpen(target)) {
        machine_.Record(L"move " + source + L" " + target + kInUse);
        return false;
    }
    const bool ok = machine_.Files().MoveReplacing(source, target);
    machine_.Record(L"move " + source + L" " + target + Outcome(ok));
    if (ok) {
        // A file written beside its place and moved there is seen under its final name.
        machine_.FileClosed(target);
    }
    return ok;
}

std::optional<std::uint32_t> SimFileSystem::Attributes(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        return std::nullopt;
    }
    return machine_.Files().Attributes(path);
}

std::optional<std::uint64_t> SimFileSystem::FileSize(const std::wstring& path) {
    if (machine_.OnLockedVolume(path)) {
        return std::nullopt;
    }
    return machine_.Files().FileSize(path);
}

std::optional<std::vector<std::uint8_t>> SimFileSystem::ReadFileBytes(const std::wstring& path,
                                                                      std::uint64_t maxBytes) {
    if (machine_.IsHeldOpen(path) || machine_.OnLockedVolume(path)) {
        return std::nullopt;
    }
    return machine_.Files().ReadFileBytes(path, maxBytes);
}

std::wstring SimFileSystem::FolderPath(KnownFolder folder) {
    return machine_.Files().FolderPath(folder);
}

}  // namespace qn::sim
