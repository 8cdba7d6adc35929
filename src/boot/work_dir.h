#pragma once

#include <string>

#include "boot/cleanup_journal.h"
#include "platform/file_system.h"
#include "platform/random_source.h"

namespace qn {

// Nine characters from a-z0-9 drawn from the cryptographic source; empty when it failed.
std::wstring MakeWorkDirName(RandomSource& random);

// Deletes a folder with everything in it. Single failures are skipped so as much as possible
// goes; true when the folder itself is gone. An empty path does nothing and gives false.
bool DeleteTree(FileSystem& files, const std::wstring& path);

// A private folder "<local app data>\Temp\<nine random characters>" for the tools of one
// workflow; it and its contents are deleted with the object. The program runs as administrator
// and the folder is in a user-reachable place, so the name is unpredictable and a folder that
// already exists is never taken over. When no folder could be created, Path() is empty and the
// caller must not write tools anywhere. With a journal the folder is on its list while it exists.
class WorkDir {
public:
    WorkDir(FileSystem& files, RandomSource& random, CleanupJournal* journal = nullptr);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::wstring& Name() const { return name_; }
    std::wstring Path() const { return path_; }
    bool Valid() const { return !path_.empty(); }
    // Stops owning the folder without deleting it (a tool still runs from it at exit); it stays
    // on the journal's list, so the next start removes it.
    void Release() { path_.clear(); }

private:
    FileSystem& files_;
    CleanupJournal* journal_;
    std::wstring name_;
    std::wstring path_;
};

// A folder WorkDir makes: "<local app data>\Temp\" and a name MakeWorkDirName draws. Nothing
// else is ever removed as a work folder left behind.
bool IsWorkDirPath(FileSystem& files, const std::wstring& path);

// How often a new name is drawn when the drawn one exists already.
inline constexpr int kWorkDirNameAttempts = 16;

}  // namespace qn
