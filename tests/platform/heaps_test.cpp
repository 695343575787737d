// Private heaps: zeroed blocks, freed large blocks handed out again, sizes
// that cannot be held, destroy releasing what was never freed, and several
// threads on one heap.
#include <malloc.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/os.h"

// The stand-ins themselves, not the table that the runtime calls through.
using namespace PosixOs;

namespace {

bool AllZero(const void* block, size_t n) {
    const unsigned char* at = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i < n; ++i)
        if (at[i] != 0) return false;
    return true;
}

bool Aligned(const void* block) {
    return reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t) == 0;
}

// Bytes that malloc has handed out and not had back, in all arenas.
size_t BytesInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

TEST(Heaps, ZeroedBlocksAreZeroEvenWhereDirtyMemoryWas) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    for (size_t size : {size_t(0), size_t(1), size_t(100), size_t(4096), size_t(1) << 20,
                        size_t(64) << 20}) {
        SCOPED_TRACE(size);
        // Leave garbage behind for the zeroed block to land on.
        void* dirty = HeapAlloc(heap, 0, size);
        ASSERT_NE(dirty, nullptr);
        EXPECT_TRUE(Aligned(dirty));
        memset(dirty, 0xA5, size);
        ASSERT_EQ(HeapFree(heap, 0, dirty), TRUE);
        void* clean = HeapAlloc(heap, HEAP_ZERO_MEMORY, size);
        ASSERT_NE(clean, nullptr);
        EXPECT_TRUE(Aligned(clean));
        EXPECT_TRUE(AllZero(clean, size));
        ASSERT_EQ(HeapFree(heap, 0, clean), TRUE);
    }
    EXPECT_EQ(HeapDestroy(heap), TRUE);
}

// A freed large block comes back with what was left in it: it was not given
// back to the system, to be faulted in afresh.
TEST(Heaps, FreedLargeBlocksAreHandedOutAgain) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    for (size_t size : {size_t(128) << 10, size_t(64) << 20}) {
        auto* first = static_cast<unsigned char*>(HeapAlloc(heap, 0, size));
        ASSERT_NE(first, nullptr);
        memset(first, 0x5A, size);
        ASSERT_EQ(HeapFree(heap, 0, first), TRUE);
        auto* again = static_cast<unsigned char*>(HeapAlloc(heap, 0, size));
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again[size - 1], 0x5A) << size;
        ASSERT_EQ(HeapFree(heap, 0, again), TRUE);
    }
    EXPECT_EQ(HeapDestroy(heap), TRUE);
}

TEST(Heaps, SizesThatCannotBeHeldAreRefused) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    for (size_t size : {SIZE_MAX, SIZE_MAX - 1, SIZE_MAX - alignof(std::max_align_t)}) {
        EXPECT_EQ(HeapAlloc(heap, 0, size), nullptr) << size;
        EXPECT_EQ(HeapAlloc(heap, HEAP_ZERO_MEMORY, size), nullptr) << size;
    }
    EXPECT_EQ(HeapDestroy(heap), TRUE);
}

TEST(Heaps, FreeRefusesWhatIsNotItsOwn) {
    HANDLE one = HeapCreate(0, 0, 0);
    HANDLE other = HeapCreate(0, 0, 0);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(other, nullptr);
    char* block = static_cast<char*>(HeapAlloc(one, 0, 16));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(HeapFree(one, 0, nullptr), FALSE);
    EXPECT_EQ(HeapFree(other, 0, block), FALSE);
    strcpy(block, "still mine");
    EXPECT_EQ(HeapFree(one, 0, block), TRUE);
    EXPECT_EQ(HeapDestroy(one), TRUE);
    EXPECT_EQ(HeapDestroy(other), TRUE);
}

TEST(Heaps, DestroyReleasesEveryBlockOfThatHeapOnly) {
    const size_t blocks = 200, size = 32 << 10;
    size_t before = BytesInUse();
    HANDLE doomed = HeapCreate(0, 0, 0);
    HANDLE kept = HeapCreate(0, 0, 0);
    ASSERT_NE(doomed, nullptr);
    ASSERT_NE(kept, nullptr);
    std::vector<char*> keptBlocks;
    for (size_t i = 0; i < blocks; ++i) {
        ASSERT_NE(HeapAlloc(doomed, i % 2 ? HEAP_ZERO_MEMORY : 0, size), nullptr);
        char* block = static_cast<char*>(HeapAlloc(kept, 0, 8));
        ASSERT_NE(block, nullptr);
        memset(block, static_cast<int>(i), 8);
        keptBlocks.push_back(block);
    }
    // Freeing one in the middle must leave the rest linked for destroy.
    void* middle = HeapAlloc(doomed, 0, size);
    ASSERT_NE(HeapAlloc(doomed, 0, size), nullptr);
    ASSERT_EQ(HeapFree(doomed, 0, middle), TRUE);
    // A freed large block that the heap keeps for reuse goes with it too.
    void* spare = HeapAlloc(doomed, 0, blocks * size);
    ASSERT_NE(spare, nullptr);
    ASSERT_EQ(HeapFree(doomed, 0, spare), TRUE);
    size_t full = BytesInUse();
    EXPECT_EQ(HeapDestroy(doomed), TRUE);
    size_t after = BytesInUse();
    for (size_t i = 0; i < blocks; ++i)
        EXPECT_EQ(keptBlocks[i][7], static_cast<char>(i)) << i;
    EXPECT_EQ(HeapDestroy(kept), TRUE);
    // The sanitizers keep their own books; their leak check covers this there.
    if (full - before < blocks * size) GTEST_SKIP() << "malloc statistics not available";
    EXPECT_LT(after - before, size);
}

// A race on a heap's list shows as damaged blocks or a crash here, and for
// certain under the thread sanitizer.
TEST(Heaps, ThreadsShareOneHeap) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    const int threads = 4, rounds = 100000, live = 64;
    std::vector<int> damaged(threads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::vector<unsigned char*> mine(live, nullptr);
            std::vector<size_t> sizes(live, 0);
            for (int r = 0; r < rounds; ++r) {
                int i = (r * 7) % live;
                if (mine[i] != nullptr) {
                    if (mine[i][0] != t || mine[i][sizes[i] - 1] != t) ++damaged[t];
                    HeapFree(heap, 0, mine[i]);
                }
                // Now and then a large block, passed on through the heap.
                sizes[i] = r % 256 == t ? (size_t(128) << 10) + r % 7 : 1 + (r * 13) % 200;
                mine[i] = static_cast<unsigned char*>(HeapAlloc(heap, 0, sizes[i]));
                memset(mine[i], t, sizes[i]);
            }
            // Half of the blocks are left for destroy.
            for (int i = 0; i < live; i += 2) HeapFree(heap, 0, mine[i]);
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(damaged, std::vector<int>(threads, 0));
    EXPECT_EQ(HeapDestroy(heap), TRUE);
}

}  // namespace
