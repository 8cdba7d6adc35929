#include "boot/work_dir.h"

#include <array>
#include <cstdint>

#include "boot/text_helpers.h"

namespace qn {
namespace {

constexpr wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
constexpr unsigned kAlphabetSize = 36;
// Bytes at or above this are redrawn, so that every character is equally likely.
constexpr unsigned kUnbiasedLimit = 256 - 256 % kAlphabetSize;
constexpr std::size_t kNameLength = 9;

}  // namespace

std::wstring MakeWorkDirName(RandomSource& random) {
    std::wstring name;
    std::array<std::uint8_t, 32> pool{};
    // A draw rejects about 1.6 % of bytes; a few refills at most.
    for (int refill = 0; refill < 8 && name.size() < kNameLength; ++refill) {
        if (!random.Fill(pool.data(), pool.size())) {
            return {};
        }
        for (std::uint8_t byte : pool) {
            if (byte < kUnbiasedLimit && name.size() < kNameLength) {
                name += kAlphabet[byte % kAlphabetSize];
            }
        }
    }
    return name.size() == kNameLength ? name : std::wstring();
}

bool DeleteTree(FileSystem& files, const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    std::wstring folder = path;
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    const auto entries = files.ListDirectory(folder);
    if (!entries) {
        return false;
    }
    for (const DirEntry& entry : *entries) {
        const std::wstring child = folder + entry.name;
        if (entry.isLink && entry.isDirectory) {
            files.RemoveEmptyDirectory(child);  // the junction goes, its target stays
        } else if (entry.isDirectory) {
            DeleteTree(files, child);
        } else {
            files.RemoveFile(child);
        }
    }
    folder.pop_back();
    return files.RemoveEmptyDirectory(folder);
}

bool IsWorkDirPath(FileSystem& files, const std::wstring& path) {
    const std::wstring appData = files.FolderPath(KnownFolder::LocalAppData);
    const std::wstring temp = appData + L"\\Temp\\";
    if (appData.empty() || path.size() != temp.size() + kNameLength ||
        !EqualsIgnoringCase(std::wstring_view(path).substr(0, temp.size()), temp)) {
        return false;
    }
    // Only characters MakeWorkDirName draws.
    return std::wstring_view(path).substr(temp.size()).find_first_not_of(kAlphabet) ==
           std::wstring_view::npos;
}

WorkDir::WorkDir(FileSystem& files, RandomSource& random, CleanupJournal* journal)
    : files_(files), journal_(journal) {
    const std::wstring appData = files.FolderPath(KnownFolder::LocalAppData);
    if (appData.empty()) {
        return;
    }
    const std::wstring temp = appData + L"\\Temp";
    if (files.MakeDirectory(temp) == CreateDirResult::Failed) {
        return;
    }
    for (int attempt = 0; attempt < kWorkDirNameAttempts; ++attempt) {
        std::wstring name = MakeWorkDirName(random);
        if (name.empty()) {
            return;
        }
        const std::wstring candidate = temp + L"\\" + name;
        switch (files.MakeDirectory(candidate)) {
            case CreateDirResult::Created:
                // Listed once made, never before: a crash in between leaves an empty folder,
                // while a name listed first may turn out to be someone else's folder.
                if (journal_ != nullptr) {
                    journal_->AddFolder(candidate);
                }
                name_ = std::move(name);
                path_ = candidate;
                return;
            case CreateDirResult::AlreadyExists:
                continue;  // someone else's folder: never reuse it
            case CreateDirResult::Failed:
                return;
        }
    }
}

WorkDir::~WorkDir() {
    if (Valid() && DeleteTree(files_, path_) && journal_ != nullptr) {
        journal_->ForgetFolder(path_);
    }
}

}  // namespace qn
