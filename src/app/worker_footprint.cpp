#include "app/worker_footprint.h"

namespace qn {

void WorkerFootprint::Add(const WorkerFootprint& other) {
    letters.insert(other.letters.begin(), other.letters.end());
    allLetters = allLetters || other.allLetters;
    workDirectory = workDirectory || other.workDirectory;
    registryHive = registryHive || other.registryHive;
}

}  // namespace qn
