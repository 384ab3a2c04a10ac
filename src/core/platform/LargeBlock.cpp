#include "core/platform/LargeBlock.h"

#include <cstdint>
#include <new>
#include <utility>

// The address sanitizer watches only the heap: under it every block comes from there.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PUNCHWELL_HEAP_ONLY 1
#endif
#endif
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(PUNCHWELL_HEAP_ONLY)
#include <sys/mman.h>
#define PUNCHWELL_LARGE_PAGES 1
#endif

namespace {

#ifdef PUNCHWELL_LARGE_PAGES
constexpr std::size_t kLargePage = 2 * 1024 * 1024;

// Maps `length` (a whole number of large pages) on a large-page boundary; null on failure.
// The system places a mapping on ordinary page boundaries only, so one large page more is
// asked for and what lies outside the boundaries is given back.
char* MapAligned(std::size_t length) {
    const std::size_t asked = length + kLargePage;
    void* mapped =
        ::mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (begin + kLargePage - 1) / kLargePage * kLargePage;
    if (aligned > begin)
        ::munmap(mapped, aligned - begin);
    if (const std::size_t after = begin + asked - (aligned + length); after != 0)
        ::munmap(reinterpret_cast<void*>(aligned + length), after);
    // Only advice: without large pages the block works the same, a page at a time.
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<char*>(aligned);
}
#endif

} // namespace

CLargeBlock::CLargeBlock(std::size_t size) : m_size(size) {
#ifdef PUNCHWELL_LARGE_PAGES
    // Smaller blocks would not fill one large page: the heap serves them better.
    if (size >= kLargePage) {
        const std::size_t length = (size + kLargePage - 1) / kLargePage * kLargePage;
        m_data = MapAligned(length);
        if (m_data == nullptr)
            throw std::bad_alloc();
        m_mapped = length;
        return;
    }
#endif
    m_data = static_cast<char*>(::operator new(size == 0 ? 1 : size));
}

CLargeBlock::CLargeBlock(CLargeBlock&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, 0)) {}

CLargeBlock& CLargeBlock::operator=(CLargeBlock&& other) noexcept {
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}

CLargeBlock::~CLargeBlock() {
    Release();
}

void CLargeBlock::Release() noexcept {
    if (m_data == nullptr)
        return;
#ifdef PUNCHWELL_LARGE_PAGES
    if (m_mapped != 0)
        ::munmap(m_data, m_mapped);
    else
#endif
        ::operator delete(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mapped = 0;
}
