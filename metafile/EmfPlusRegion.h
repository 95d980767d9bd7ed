// An EMF+ region object as one path: its tree of rectangles and paths
// combined by the canvas's boolean geometry.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/EmfPlusObjects.h"
#include "metafile/PlayLimits.h"

namespace metafile {

// The region in the canvas's current coordinates (its world units); an
// infinite leaf covers the canvas. False when the combining ran over the budget.
bool RegionToPath(const PlusRegion& region, ICanvas& canvas, PlayBudget& budget, Path& out);

} // namespace metafile
