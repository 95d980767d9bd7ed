// EMR_GRADIENTFILL: rectangles shaded along one axis, triangles shaded
// between their corners.
#pragma once

#include "metafile/EmfPlayer.h"

namespace metafile {

RecordResult PlayEmfGradientFill(EmfPlayer& player, const EmfRecord& record);

} // namespace metafile
