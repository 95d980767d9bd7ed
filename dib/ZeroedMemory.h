// Zero-filled memory for blocks and bitmaps, released with std::free.
#pragma once

#include <cstddef>

// Like std::calloc(bytes, 1), but large blocks are marked for huge pages
// where the system offers them: a picture's pixels are written once, front
// to back, and taking them in 2 MiB pages saves most of the page faults.
// Null when the memory cannot be had.
void* AllocateZeroed(std::size_t bytes) noexcept;
