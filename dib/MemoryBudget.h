// How much memory one picture may take: a quarter of the machine's, so that
// a picture, its working copy and the file being made fit together and a
// huge or hostile picture fails cleanly instead of starving the system.
#pragma once

#include <cstdint>

std::uint64_t PictureMemoryBudget();

// How much of that decoded frames of a multi-frame picture may keep for
// choosing them again: an eighth, and never more than 256 MiB.
std::uint64_t FrameCacheBudget();

// True when width × height pixels of this many bytes each fit the picture
// memory budget, with room for the int dimensions and strides images keep.
bool FitsImageBudget(std::int64_t width, std::int64_t height, int bytesPerPixel);
