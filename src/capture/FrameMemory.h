// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvo {

// Screen frames are 8 MB (1080p) to 33 MB (4K) each, made and dropped by several
// threads during a recording. Left alone, glibc raises its mmap threshold after
// the first such free and from then on keeps frames in per-thread heaps that do
// not shrink back, so a long-running Kelvo grows with every recording.

// Call first thing in main, before any thread starts: big blocks always come
// from and go back to the system, and a few heaps are shared by all threads.
void tuneAllocatorForFrames();

// After a recording: hands what the heaps hold free back to the system.
void returnFreedMemory();

} // namespace kelvo
