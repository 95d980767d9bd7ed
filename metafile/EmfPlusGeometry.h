// Arcs, pies and cardinal splines as GDI+ draws them, built into paths in
// the record's own (world) coordinates.
#pragma once

#include "metafile/Canvas.h"

#include <cstddef>
#include <vector>

namespace metafile {

// The arc of the ellipse inscribed in rect, from startDegrees sweeping
// sweepDegrees, both clockwise on the y-down page and measured from the
// ellipse's centre (a ray at that angle meets the arc there). Starts a new
// figure, or, with connect, joins the arc to the path's last point.
void AddPlusArc(Path& path, const RectD& rect, double startDegrees, double sweepDegrees,
                bool connect);

// The pie: centre, arc, closed back to the centre.
Path PlusPie(const RectD& rect, double startDegrees, double sweepDegrees);

// The cardinal spline through points with tension (0 straight lines, 0.5
// GDI+'s default), segments segments from point first. A closed spline runs
// through every point and back to the first and ignores first and segments.
// Empty when the counts do not fit the points.
Path CardinalSpline(const std::vector<PointD>& points, double tension, std::size_t first,
                    std::size_t segments, bool closed);

} // namespace metafile
