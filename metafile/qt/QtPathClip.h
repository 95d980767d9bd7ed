// Paths cut down to a box around the output before QPainter fills or strokes
// them. Qt's rasteriser spends time in proportion to the size of a shape, not
// to the part that lands on the output, so a damaged file's points tens of
// thousands of pixels away would otherwise take seconds for nothing.
#pragma once

#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <vector>

namespace metafile {

// True when the path reaches outside box, so that cutting it is worth it.
bool ReachesOutside(const QPainterPath& path, const QRectF& box);

// The path for filling, its outline cut to box: every point inside box keeps
// its winding number, so either fill rule fills what it did there.
QPainterPath ClippedForFill(const QPainterPath& path, const QRectF& box);

// A stretch of the path's outline inside box, for stroking: its points, how
// far along its figure it starts (for the dash pattern), and whether it is a
// whole closed figure.
struct StrokeRun
{
    QPolygonF points;
    double startDistance = 0;
    bool closed = false;
};
std::vector<StrokeRun> ClippedForStroke(const QPainterPath& path, const QRectF& box);

} // namespace metafile
