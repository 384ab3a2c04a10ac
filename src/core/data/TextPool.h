#pragma once

#include "core/platform/LargeBlock.h"

#include <cstddef>
#include <string_view>
#include <vector>

// Texts kept side by side in large blocks, so that a store of many records takes one
// allocation per block rather than one per text. Nothing is freed before Clear; what a
// removed record held stays until then, which the file's own size bounds.
class CTextPool {
public:
    CTextPool() = default;
    CTextPool(const CTextPool&) = delete;
    CTextPool& operator=(const CTextPool&) = delete;

    // Room for up to `maxBytes` at the returned address; Commit then keeps what was used.
    char* Reserve(std::size_t maxBytes);
    std::string_view Commit(std::size_t used);
    std::string_view Add(std::string_view text);

    void Clear();
    void Swap(CTextPool& other) noexcept;
    // Keeps `other`'s texts where they are, as this pool's; `other` is left empty.
    void TakeBlocksOf(CTextPool& other);
    // Bytes the pool has taken from the heap.
    std::size_t Allocated() const { return m_allocated; }

private:
    // Blocks grow with the pool, so a small store stays small and a large one takes few
    // blocks, each large enough for the system's large pages.
    static constexpr std::size_t kFirstBlock = 256 * 1024;
    static constexpr std::size_t kLargestBlock = 8 * 1024 * 1024;
    static constexpr std::size_t kDoublings = 5; // kFirstBlock << kDoublings == kLargestBlock

    std::vector<CLargeBlock> m_blocks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_allocated = 0;
};
