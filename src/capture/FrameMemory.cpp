// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameMemory.h"

// Defines __GLIBC__: without a standard header first the checks below would
// silently compile both functions to nothing.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kelvo {

void tuneAllocatorForFrames()
{
#if defined(__GLIBC__)
    // A fixed threshold also switches off its growth on frees.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
    mallopt(M_ARENA_MAX, 4);
#endif
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace kelvo
