#pragma once

#include <cstddef>

// Counts the bytes handed out by operator new (usable sizes) between Start and Stop, and
// the highest level reached. Off the rest of the time, so it costs the timed benchmarks
// one relaxed load per allocation.
class CHeapCounter {
public:
    static void Start();
    static void Stop();
    // Net bytes allocated while counting (frees of blocks counted subtract).
    static long long Live();
    static long long Peak();
};
