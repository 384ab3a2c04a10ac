#include "HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

// Kept in its own translation unit so that the replaced operators are never inlined into
// the code that calls them.

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void Count(void* p, bool allocated) {
    if (!p || !g_counting.load(std::memory_order_relaxed))
        return;
    const auto size = static_cast<long long>(malloc_usable_size(p));
    if (!allocated) {
        g_live.fetch_sub(size);
        return;
    }
    const long long now = g_live.fetch_add(size) + size;
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}
} // namespace

void CHeapCounter::Start() {
    g_live = 0;
    g_peak = 0;
    g_counting = true;
}
void CHeapCounter::Stop() {
    g_counting = false;
}
long long CHeapCounter::Live() {
    return g_live.load();
}
long long CHeapCounter::Peak() {
    return g_peak.load();
}

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    Count(p, true);
    return p;
}
void operator delete(void* p) noexcept {
    Count(p, false);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Count(p, false);
    std::free(p);
}
