// SPDX-License-Identifier: GPL-3.0-or-later
// The allocator settings for screen frames take effect: few thread heaps, and
// what the threads of a recording freed goes back to the system. Its own
// executable, so no earlier test has made thread heaps already.
#include "capture/FrameMemory.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

#include <malloc.h>

#include <barrier>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace kelvo {
namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Memory the compiler must really allocate and write (it may drop a malloc,
// memset and free of a block nobody reads).
void *touched(size_t size)
{
    void *block = std::malloc(size);
    std::memset(block, 1, size);
    asm volatile("" : : "r"(block) : "memory");
    return block;
}

// The heaps ("arenas") glibc keeps, from its own report.
int heapCount()
{
    char *text = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&text, &size);
    malloc_info(0, stream);
    std::fclose(stream);
    const QByteArray report(text, qsizetype(size));
    std::free(text);
    return int(report.count("<heap nr="));
}

class FrameMemory : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tuneAllocatorForFrames(); }
};

TEST_F(FrameMemory, ManyThreadsAllocatingAtOnceShareAFewHeaps)
{
    // Each thread holds its block until all have one: left alone, glibc gives
    // every one of them a heap of its own (up to eight per core).
    constexpr int threads = 12;
    std::barrier together(threads);
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&together] {
            void *block = touched(4096);
            together.arrive_and_wait();
            std::free(block);
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    EXPECT_LE(heapCount(), 4);
}

TEST_F(FrameMemory, WhatARecordingsThreadFreedIsHandedBack)
{
    // 64 MB in blocks small enough for a thread heap, all freed but the last,
    // which keeps the heap from shrinking by itself.
    constexpr int blocks = 4096;
    constexpr size_t blockSize = 16 * 1024;
    std::thread([] {
        std::vector<void *> held;
        for (int i = 0; i < blocks; ++i)
            held.push_back(touched(blockSize));
        for (int i = 0; i + 1 < blocks; ++i)
            std::free(held[size_t(i)]);
        const long before = residentKiB();
        returnFreedMemory();
        EXPECT_LT(residentKiB(), before - 32 * 1024);
        std::free(held.back());
    }).join();
}

// Frames come from and go back to the system directly, whatever came before:
// glibc's own rule would move its threshold up to the biggest block freed
// (here 24 MB) and from then on keep smaller frames in the heap.
TEST_F(FrameMemory, FreedFramesLeaveNothingResident)
{
    constexpr size_t megabyte = 1024 * 1024;
    std::free(touched(24 * megabyte));
    const long before = residentKiB();
    for (int i = 0; i < 4; ++i)
        std::free(touched(16 * megabyte));
    EXPECT_LT(residentKiB(), before + 4 * 1024);
}

} // namespace
} // namespace kelvo
