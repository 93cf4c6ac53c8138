// Its own test program: it counts every allocation of the process.

#include "ArchiveFileSamples.h"
#include "TempFolder.h"
#include "persistence/ArchiveFileReader.h"
#include "persistence/ArchiveFileWriter.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

// The replacements below pair malloc with free on purpose; GCC takes the
// inlined pair for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace persistence;

// A file of the largest lists is read and written with a handful of
// allocations (the lists themselves, buffers, paths), not one per record.
TEST(ArchiveFileAllocations, LargeFilesNeedNoAllocationPerRecord) {
    for (const Edition* e : archtest::BothEditions) {
        TempFolder folder;
        const RX58Valve v = archtest::SampleValve(*e, 65535, 1000, 100, 65535);
        const auto file = folder / "big.arch";

        const long beforeWrite = allocations.load();
        WriteArchiveFile(file, *e, ArchiveContentOf(v));
        const long written = allocations.load() - beforeWrite;

        RX58Valve data;
        const long beforeRead = allocations.load();
        ReadArchiveFile(file, *e, data);
        const long read = allocations.load() - beforeRead;

        EXPECT_LT(written, 100) << e->Name;
        EXPECT_LT(read, 100) << e->Name;
        EXPECT_EQ(data.HourArchive.capacity(), 65535u) << "reserved once, at its final size";
        EXPECT_EQ(data.HourArchive, v.HourArchive);
    }
}

} // namespace
