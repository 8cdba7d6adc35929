#include <benchmark/benchmark.h>

#include <string>

#include "disk/disk_info.h"
#include "disk/fake/fake_storage_port.h"
#include "platform/fake/fake_code_page.h"

namespace qn {
namespace {

// A large technician's bench machine: 16 disks, letters C: to Z: spread over them, several per
// disk at scattered offsets so the per-disk sort has work to do.
void DescribeMachine(fake::FakeStoragePort& port) {
    for (std::uint32_t disk = 0; disk < DiskInfo::kMaxDisks; ++disk) {
        fake::FakePhysicalDrive& drive = port.Drive(disk);
        drive.descriptor = fake::MakeDeviceDescriptor("ATA     ", "  Model " + std::to_string(disk),
                                                      "SERIAL" + std::to_string(disk));
        drive.geometry =
            fake::FixedDiskGeometry(static_cast<std::uint64_t>(disk + 1) * 1000 * fake::kGiB);
    }
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const int index = letter - 'C';
        fake::FakeVolume& volume = port.Volume(letter);
        volume.info =
            VolumeInformation{L"\u6570\u636E " + std::wstring(1, letter), 0x1000u + index, L"NTFS"};
        volume.freeSpace = FreeSpace{8, 512, 1000000u, 2000000u};
        volume.diskNumber = static_cast<std::uint32_t>(index % 7);
        volume.partition = fake::MbrPartition((37 * index % 24 + 1) * fake::kGiB, index == 0);
    }
}

void BM_InventoryBuild(benchmark::State& state) {
    fake::FakeStoragePort port;
    fake::FakeCodePage codePage(936, 936);
    DescribeMachine(port);
    DiskInfo info(port, codePage);
    for (auto _ : state) {
        info.Refresh();
        benchmark::DoNotOptimize(info.PartitionsByDisk().size());
        // The fake's open log would otherwise grow with every iteration.
        port.ClearRecording();
    }
    state.counters["partitions"] = static_cast<double>(info.Partitions().size());
    state.counters["disks"] = static_cast<double>(info.Disks().size());
}
BENCHMARK(BM_InventoryBuild);

}  // namespace
}  // namespace qn
