#pragma once

#include <set>

namespace qn {

// What a running worker uses that the closing window must not take away from under it: drive
// letters it reads or writes, the window's work directory (tools run from it) and the offline
// registry hive slot HKU\Software. Declared when the worker starts.
struct WorkerFootprint {
    std::set<char> letters;
    bool allLetters = false;  // walks every drive (the installation scan)
    bool workDirectory = false;
    bool registryHive = false;

    bool UsesLetter(char letter) const { return allLetters || letters.count(letter) != 0; }
    // Everything either footprint uses.
    void Add(const WorkerFootprint& other);
};

}  // namespace qn
