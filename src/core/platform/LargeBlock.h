#pragma once

#include <cstddef>

// A block of memory that will be filled whole and kept: a store's periods and texts, a file's
// bytes, an export. A large one is placed on the system's large-page boundaries and offered
// large pages, so that each 2 MB of it costs one fault rather than five hundred; a small one
// comes from the heap. The bytes start undefined.
class CLargeBlock {
public:
    CLargeBlock() noexcept = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit CLargeBlock(std::size_t size);
    CLargeBlock(CLargeBlock&& other) noexcept;
    CLargeBlock& operator=(CLargeBlock&& other) noexcept;
    CLargeBlock(const CLargeBlock&) = delete;
    CLargeBlock& operator=(const CLargeBlock&) = delete;
    ~CLargeBlock();

    char* Data() const noexcept { return m_data; }
    std::size_t Size() const noexcept { return m_size; }

private:
    void Release() noexcept;

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0; // the length mapped for it; 0 when it came from the heap
};
