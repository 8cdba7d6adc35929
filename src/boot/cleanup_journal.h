#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace qn {

// A drive letter the program gave a volume, with the volume it gave it to.
struct LeftoverLetter {
    char letter = 0;
    std::wstring volumeName;  // "\\?\Volume{GUID}\"
};

// A file the program wrote where it does not belong (the message module bcdboot reads), with
// the size and CRC-32 of what it wrote: a file of that name with other bytes is not its own.
struct LeftoverFile {
    std::wstring path;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

// What the program puts on the machine only for as long as it runs.
struct Leftovers {
    std::vector<std::wstring> folders;  // work folders
    std::vector<LeftoverLetter> letters;
    std::vector<LeftoverFile> files;

    bool Empty() const { return folders.empty() && letters.empty() && files.empty(); }
};

// The list's file: a header line, then one line per thing, fields between tabs, each line with
// its checksum. Lines that are damaged or of no known form are skipped: the list only ever asks
// for removals, and whoever acts on it checks each thing again.
std::string FormatLeftovers(const Leftovers& leftovers);
Leftovers ParseLeftovers(std::string_view text);

// "<local app data>\QNBootRepair\leftovers.txt"; empty when the system names no such folder.
std::wstring CleanupJournalPath(FileSystem& files);

// The list of what this start of the program has put on the machine for the time it runs: work
// folders, drive letters it gave, the message module next to a Windows folder. Each thing is
// written down as it is made and struck off when it is gone; the file is replaced durably on every
// change and deleted when the list is empty. A start that was killed, crashed or lost power thus
// leaves a list the next start clears (disk/leftover_cleanup.h). Workers and the window call it
// at once, so every call is serialised.
class CleanupJournal {
public:
    explicit CleanupJournal(FileSystem& files);
    CleanupJournal(const CleanupJournal&) = delete;
    CleanupJournal& operator=(const CleanupJournal&) = delete;

    void AddFolder(const std::wstring& path);
    void ForgetFolder(const std::wstring& path);
    void AddLetter(char letter, const std::wstring& volumeName);
    void ForgetLetter(char letter);
    void AddFile(const LeftoverFile& file);
    void ForgetFile(const std::wstring& path);

    // What an earlier start listed and never struck off. It stays on the list until the caller
    // strikes it off, so what cannot be cleared now is tried again at the next start. Called
    // once, before this start lists anything.
    Leftovers AdoptEarlier();

private:
    void Save();

    FileSystem& files_;
    std::mutex lock_;
    std::wstring path_;
    Leftovers current_;
};

// The running program's list, over its own files. Which files those are is decided by what the
// build links.
CleanupJournal& SystemCleanupJournal();

}  // namespace qn
