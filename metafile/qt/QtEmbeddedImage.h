// JPEG and PNG pictures inside metafile bitmaps, decoded with Qt's readers.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <span>

namespace metafile {

// Only JPEG and PNG are read; the budget is spent on the picture's size
// before it is decoded.
bool DecodeEmbeddedImageWithQt(std::span<const std::uint8_t> bytes, PlayBudget& budget, Image& out);

} // namespace metafile
