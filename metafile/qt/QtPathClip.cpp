#include "metafile/qt/QtPathClip.h"

#include <QLineF>
#include <cmath>

namespace metafile {

namespace {

// One side of the box, for the polygon cut: which points are inside it and
// where an edge crosses it.
struct Side
{
    int axis;     // 0 x, 1 y
    double limit; // the side's coordinate
    bool keepAbove;

    bool Inside(const QPointF& p) const
    {
        const double v = axis == 0 ? p.x() : p.y();
        return keepAbove ? v >= limit : v <= limit;
    }
    QPointF Crossing(const QPointF& a, const QPointF& b) const
    {
        const double av = axis == 0 ? a.x() : a.y(), bv = axis == 0 ? b.x() : b.y();
        const double t = (limit - av) / (bv - av);
        return a + (b - a) * t;
    }
};

// Sutherland and Hodgman's cut of a closed polygon by one side. Runs along
// the side stand in for what is cut off, which keeps the winding of every
// point inside.
QPolygonF CutBySide(const QPolygonF& in, const Side& side)
{
    QPolygonF out;
    if (in.isEmpty())
        return out;
    QPointF previous = in.back();
    bool previousInside = side.Inside(previous);
    for (const QPointF& p : in) {
        const bool inside = side.Inside(p);
        if (inside != previousInside)
            out.append(side.Crossing(previous, p));
        if (inside)
            out.append(p);
        previous = p;
        previousInside = inside;
    }
    return out;
}

// Liang and Barsky's cut of the segment a-b by box: the part inside as
// parameters t0 <= t1 along it, false when none is.
bool CutSegment(const QPointF& a, const QPointF& b, const QRectF& box, double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                         box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

bool IsClosedFigure(const QPolygonF& polygon)
{
    return polygon.size() > 2 && polygon.front() == polygon.back();
}

} // namespace

bool ReachesOutside(const QPainterPath& path, const QRectF& box)
{
    return !box.contains(path.controlPointRect());
}

QPainterPath ClippedForFill(const QPainterPath& path, const QRectF& box)
{
    const Side sides[4] = {{0, box.left(), true},
                           {0, box.right(), false},
                           {1, box.top(), true},
                           {1, box.bottom(), false}};
    QPainterPath out;
    out.setFillRule(path.fillRule());
    for (const QPolygonF& figure : path.toSubpathPolygons()) {
        QPolygonF cut = figure;
        for (const Side& side : sides)
            cut = CutBySide(cut, side);
        if (cut.size() >= 3) {
            out.addPolygon(cut);
            out.closeSubpath();
        }
    }
    return out;
}

std::vector<StrokeRun> ClippedForStroke(const QPainterPath& path, const QRectF& box)
{
    std::vector<StrokeRun> runs;
    for (QPolygonF figure : path.toSubpathPolygons()) {
        const bool closed = IsClosedFigure(figure);
        bool allInside = true;
        qsizetype outside = -1;
        for (qsizetype i = 0; i < figure.size(); ++i)
            if (!box.contains(figure[i])) {
                allInside = false;
                outside = i;
                break;
            }
        if (allInside) {
            runs.push_back({figure, 0, closed});
            continue;
        }
        // A closed figure starts at a point outside, so that no stretch
        // inside is split where the figure begins.
        if (closed && outside > 0) {
            QPolygonF turned;
            for (qsizetype i = 0; i + 1 < figure.size(); ++i)
                turned.append(figure[(outside + i) % (figure.size() - 1)]);
            turned.append(turned.front());
            figure = turned;
        }
        double along = 0;
        bool open = false; // the last run goes on at the next segment's start
        for (qsizetype i = 0; i + 1 < figure.size(); ++i) {
            const QPointF a = figure[i], b = figure[i + 1];
            const double length = QLineF(a, b).length();
            double t0 = 0, t1 = 1;
            if (CutSegment(a, b, box, t0, t1)) {
                if (!open || t0 > 0) {
                    runs.push_back({QPolygonF{a + (b - a) * t0}, along + length * t0, false});
                }
                runs.back().points.append(a + (b - a) * t1);
                open = t1 >= 1;
            } else {
                open = false;
            }
            along += length;
        }
    }
    return runs;
}

} // namespace metafile
