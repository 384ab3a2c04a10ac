#include "core/data/ArchiveInput.h"

#include <algorithm>
#include <cstring>
#include <utility>

CArchiveInput::CArchiveInput(std::string_view all) : m_ended(true), m_reader(all) {}

CArchiveInput::CArchiveInput(Source source, std::size_t sizeHint)
    : m_source(std::move(source)),
      // One byte past the expected size, so that an input that did not grow is seen to end
      // without a second block.
      m_capacity(std::min(kBlock, sizeHint + 1)), m_reader(std::string_view()) {
    m_window = std::make_unique_for_overwrite<char[]>(m_capacity);
}

void CArchiveInput::Refill(bool grow) {
    const std::size_t keep = m_reader.Remaining();
    const std::size_t done = m_size - keep;
    if (grow || keep == m_capacity) {
        const std::size_t capacity = m_capacity * 2;
        auto window = std::make_unique_for_overwrite<char[]>(capacity);
        if (keep != 0)
            std::memcpy(window.get(), m_window.get() + done, keep);
        m_window = std::move(window);
        m_capacity = capacity;
    } else if (done != 0 && keep != 0) {
        std::memmove(m_window.get(), m_window.get() + done, keep);
    }
    m_base += done;
    m_size = keep;
    while (m_size < m_capacity) {
        const std::size_t n = m_source(m_window.get() + m_size, m_capacity - m_size);
        if (n == 0) {
            m_ended = true;
            break;
        }
        m_size += n;
    }
    m_reader.Continue(std::string_view(m_window.get(), m_size), m_base);
}
