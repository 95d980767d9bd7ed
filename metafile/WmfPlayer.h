// Plays the records of a WMF file (with or without the placeable header)
// into the GDI core; an EMF carried in its comment records is played instead.
#pragma once

#include "metafile/Metafile.h"

#include <span>

namespace metafile {

PlayReport PlayWmf(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                   PlayBudget& budget, int nesting);

} // namespace metafile
