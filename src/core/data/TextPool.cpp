#include "core/data/TextPool.h"

#include <algorithm>
#include <cstring>
#include <utility>

char* CTextPool::Reserve(std::size_t maxBytes) {
    if (maxBytes > m_left) {
        // A text larger than a block gets a block of its own size.
        const std::size_t block =
            m_blocks.size() < kDoublings ? kFirstBlock << m_blocks.size() : kLargestBlock;
        const std::size_t size = std::max(maxBytes, block);
        // Never read before it is written, so not zeroed.
        m_blocks.emplace_back(size);
        m_allocated += size;
        m_next = m_blocks.back().Data();
        m_left = size;
    }
    return m_next;
}

std::string_view CTextPool::Commit(std::size_t used) {
    const std::string_view text(m_next, used);
    m_next += used;
    m_left -= used;
    return text;
}

std::string_view CTextPool::Add(std::string_view text) {
    if (text.empty())
        return {};
    char* at = Reserve(text.size());
    std::memcpy(at, text.data(), text.size());
    return Commit(text.size());
}

void CTextPool::Swap(CTextPool& other) noexcept {
    // The blocks themselves stay where they are, and every text with them.
    m_blocks.swap(other.m_blocks);
    std::swap(m_next, other.m_next);
    std::swap(m_left, other.m_left);
    std::swap(m_allocated, other.m_allocated);
}

void CTextPool::TakeBlocksOf(CTextPool& other) {
    // This pool goes on filling its own last block; `other`'s room left is given up.
    m_blocks.reserve(m_blocks.size() + other.m_blocks.size());
    for (CLargeBlock& block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    m_allocated += other.m_allocated;
    other.Clear();
}

void CTextPool::Clear() {
    m_blocks.clear();
    m_next = nullptr;
    m_left = 0;
    m_allocated = 0;
}
