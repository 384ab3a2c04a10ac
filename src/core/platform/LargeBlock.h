#pragma once

#include <cstddef>

// Tells the system that a block of memory will be filled whole and kept, so that it may back
// it with large pages: one fault instead of hundreds for each 2 MB of a large store. Only a
// hint; does nothing where the system offers no such thing or the block is too small.
void AdviseLargeBlock(void* block, std::size_t size);
