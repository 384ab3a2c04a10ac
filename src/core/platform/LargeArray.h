#pragma once

#include "core/platform/LargeBlock.h"

#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>

// A fixed number of plain values in a large block: an array filled once and thrown away, as
// large as the store, that should cost a few large-page faults rather than one fault per
// 4 KB. The values start undefined.
template <class Value> class CLargeArray {
    static_assert(std::is_trivially_copyable_v<Value> && std::is_trivially_destructible_v<Value>);

public:
    explicit CLargeArray(std::size_t count) : m_block(count * sizeof(Value)), m_count(count) {
        // The block's bytes become values; for these types that does nothing at run time.
        std::uninitialized_default_construct_n(Data(), count);
    }

    Value& operator[](std::size_t index) { return Data()[index]; }
    const Value& operator[](std::size_t index) const { return Data()[index]; }
    std::size_t size() const { return m_count; }
    std::span<Value> Span() { return {Data(), m_count}; }

private:
    Value* Data() const { return reinterpret_cast<Value*>(m_block.Data()); }

    CLargeBlock m_block;
    std::size_t m_count;
};
