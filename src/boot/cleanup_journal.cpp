#include "boot/cleanup_journal.h"

#include <algorithm>
#include <cwctype>
#include <span>

#include "boot/field_text.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "boot/whole_file.h"

namespace qn {
namespace {

constexpr char kHeader[] = "QNBootRepair leftovers 1";
constexpr std::uint64_t kMaxJournalBytes = 1u << 20;

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

std::string FormatLeftovers(const Leftovers& leftovers) {
    std::string text = CheckedLine(kHeader);
    for (const std::wstring& folder : leftovers.folders) {
        text += CheckedLine(WideToUtf8(L"folder\t" + folder));
    }
    for (const LeftoverLetter& letter : leftovers.letters) {
        text += CheckedLine(
            WideToUtf8(L"letter\t" + DriveLetterText(letter.letter) + L"\t" + letter.volumeName));
    }
    for (const LeftoverFile& file : leftovers.files) {
        text += CheckedLine(WideToUtf8(L"file\t" + std::to_wstring(file.size) + L"\t" +
                                       Hex32(file.crc) + L"\t" + file.path));
    }
    return text;
}

Leftovers ParseLeftovers(std::string_view text) {
    Leftovers leftovers;
    bool headerSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        const auto content = CheckedContent(raw);
        if (!headerSeen) {
            // Another file under this name is nobody's list.
            if (!content || *content != kHeader) {
                return {};
            }
            headerSeen = true;
            continue;
        }
        if (!content) {
            continue;  // cut off or damaged
        }
        const std::vector<std::wstring> f = SplitTabs(Utf8ToWide(*content));
        if (f[0] == L"folder" && f.size() == 2 && !f[1].empty()) {
            leftovers.folders.push_back(f[1]);
        } else if (f[0] == L"letter" && f.size() == 3 && f[1].size() == 1 && IsLetter(f[1][0]) &&
                   !f[2].empty()) {
            leftovers.letters.push_back(
                LeftoverLetter{static_cast<char>(std::towupper(f[1][0])), f[2]});
        } else if (f[0] == L"file" && f.size() == 4 && !f[3].empty()) {
            const auto size = ParseDecimal(f[1]);
            const auto crc = ParseHex32(f[2]);
            if (size && crc) {
                leftovers.files.push_back(LeftoverFile{f[3], *size, *crc});
            }
        }
    }
    return leftovers;
}

std::wstring CleanupJournalPath(FileSystem& files) {
    const std::wstring appData = files.FolderPath(KnownFolder::LocalAppData);
    return appData.empty() ? std::wstring() : appData + L"\\QNBootRepair\\leftovers.txt";
}

CleanupJournal::CleanupJournal(FileSystem& files)
    : files_(files), path_(CleanupJournalPath(files)) {}

void CleanupJournal::AddFolder(const std::wstring& path) {
    std::lock_guard guard(lock_);
    current_.folders.push_back(path);
    Save();
}

void CleanupJournal::ForgetFolder(const std::wstring& path) {
    std::lock_guard guard(lock_);
    std::erase_if(current_.folders,
                  [&](const std::wstring& folder) { return EqualsIgnoringCase(folder, path); });
    Save();
}

void CleanupJournal::AddLetter(char letter, const std::wstring& volumeName) {
    std::lock_guard guard(lock_);
    current_.letters.push_back(LeftoverLetter{letter, volumeName});
    Save();
}

void CleanupJournal::ForgetLetter(char letter) {
    std::lock_guard guard(lock_);
    std::erase_if(current_.letters, [&](const LeftoverLetter& l) { return l.letter == letter; });
    Save();
}

void CleanupJournal::AddFile(const LeftoverFile& file) {
    std::lock_guard guard(lock_);
    current_.files.push_back(file);
    Save();
}

void CleanupJournal::ForgetFile(const std::wstring& path) {
    std::lock_guard guard(lock_);
    std::erase_if(current_.files,
                  [&](const LeftoverFile& file) { return EqualsIgnoringCase(file.path, path); });
    Save();
}

Leftovers CleanupJournal::AdoptEarlier() {
    std::lock_guard guard(lock_);
    if (path_.empty()) {
        return {};
    }
    const auto bytes = files_.ReadFileBytes(path_, kMaxJournalBytes);
    if (!bytes) {
        return {};
    }
    Leftovers earlier = ParseLeftovers(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    current_ = earlier;
    if (earlier.Empty()) {
        Save();  // nothing readable: the file goes
    }
    return earlier;
}

void CleanupJournal::Save() {
    if (path_.empty()) {
        return;
    }
    const std::wstring folder = path_.substr(0, path_.rfind(L'\\'));
    if (current_.Empty()) {
        files_.RemoveFile(path_);
        files_.RemoveEmptyDirectory(folder);
        return;
    }
    // Best effort: without the list a crash leaves what it always left, and the run goes on.
    files_.MakeDirectory(folder);
    const std::string text = FormatLeftovers(current_);
    ReplaceFileDurably(files_, path_,
                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace qn
