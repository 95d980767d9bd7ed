// Paths combined by Qt's boolean geometry, for regions built of several
// shapes. Qt's work grows with the crossings of the paths' edges, so paths
// with too many are combined the way a canvas without boolean geometry
// does, and no file can make the combining run for long.
#include "metafile/qt/QtCanvas.h"

#include <algorithm>

namespace metafile {

namespace {

constexpr std::size_t kMaxEdges = 4096; // counted pairwise, so bounded
constexpr std::size_t kMaxCrossingsPerCombine = 1000;
constexpr std::size_t kMaxCrossingsInAll = 8000;
constexpr std::uint64_t kMaxPairsInAll = 200'000'000; // about a second of counting

Path FromQPath(const QPainterPath& q)
{
    Path out;
    out.fillRule = q.fillRule() == Qt::WindingFill ? FillRule::Winding : FillRule::Alternate;
    const int count = q.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = q.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            out.MoveTo({e.x, e.y});
            break;
        case QPainterPath::LineToElement:
            out.LineTo({e.x, e.y});
            break;
        case QPainterPath::CurveToElement:
            // Followed by its second control point and end point.
            if (i + 2 < count) {
                const QPainterPath::Element c2 = q.elementAt(i + 1), end = q.elementAt(i + 2);
                out.CubicTo({e.x, e.y}, {c2.x, c2.y}, {end.x, end.y});
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return out;
}

struct Edge
{
    QPointF a, b;
};

bool Appended(const QPainterPath& path, std::vector<Edge>& edges)
{
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        for (qsizetype i = 0; i + 1 < polygon.size(); ++i) {
            if (edges.size() >= kMaxEdges)
                return false;
            edges.push_back({polygon[i], polygon[i + 1]});
        }
        // Subpaths are filled closed.
        if (polygon.size() > 2 && polygon.front() != polygon.back()) {
            if (edges.size() >= kMaxEdges)
                return false;
            edges.push_back({polygon.back(), polygon.front()});
        }
    }
    return true;
}

double Cross(QPointF o, QPointF p, QPointF q)
{
    return (p.x() - o.x()) * (q.y() - o.y()) - (p.y() - o.y()) * (q.x() - o.x());
}

// Crossings of edges within and between both paths, counted up to limit + 1;
// pairs is what is left of the pairs of edges to be looked at.
std::size_t Crossings(const QPainterPath& a, const QPainterPath& b, std::size_t limit,
                      std::uint64_t& pairs)
{
    std::vector<Edge> edges;
    if (!Appended(a, edges) || !Appended(b, edges))
        return limit + 1;
    const std::uint64_t needed = std::uint64_t(edges.size()) * edges.size() / 2;
    if (needed > pairs)
        return limit + 1;
    pairs -= needed;
    std::size_t count = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const Edge& e = edges[i];
        const double minX = std::min(e.a.x(), e.b.x()), maxX = std::max(e.a.x(), e.b.x());
        for (std::size_t j = i + 1; j < edges.size(); ++j) {
            const Edge& f = edges[j];
            if (std::max(f.a.x(), f.b.x()) < minX || std::min(f.a.x(), f.b.x()) > maxX)
                continue;
            // Proper crossings only: edges that meet at their ends are neighbours.
            const double d1 = Cross(e.a, e.b, f.a), d2 = Cross(e.a, e.b, f.b);
            const double d3 = Cross(f.a, f.b, e.a), d4 = Cross(f.a, f.b, e.b);
            if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) &&
                ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)) && ++count > limit)
                return count;
        }
    }
    return count;
}

} // namespace

Path QtCanvas::CombinePaths(const Path& a, const Path& b, ClipCombine combine) const
{
    if (combine == ClipCombine::Copy)
        return b;
    const QPainterPath qa = ToQPath(a), qb = ToQPath(b);
    const std::size_t left = kMaxCrossingsInAll - std::min(m_combineCrossings, kMaxCrossingsInAll);
    std::uint64_t pairs = kMaxPairsInAll - std::min(m_combinePairs, kMaxPairsInAll);
    const std::uint64_t pairsBefore = pairs;
    const std::size_t crossings = Crossings(qa, qb, std::min(left, kMaxCrossingsPerCombine), pairs);
    m_combinePairs += pairsBefore - pairs;
    if (crossings > std::min(left, kMaxCrossingsPerCombine)) {
        // Too costly to combine exactly.
        Path both = a;
        switch (combine) {
        case ClipCombine::Or:
            both.Append(b);
            both.fillRule = FillRule::Winding;
            return both;
        case ClipCombine::Xor:
            // Even-odd filling of both is their exclusive or.
            both.Append(b);
            both.fillRule = FillRule::Alternate;
            return both;
        case ClipCombine::Diff:
            return a;
        case ClipCombine::And:
        case ClipCombine::Copy:
            break;
        }
        return b;
    }
    m_combineCrossings += crossings;
    switch (combine) {
    case ClipCombine::And:
        return FromQPath(qa.intersected(qb));
    case ClipCombine::Or:
        return FromQPath(qa.united(qb));
    case ClipCombine::Xor:
        return FromQPath(qa.united(qb).subtracted(qa.intersected(qb)));
    case ClipCombine::Diff:
        return FromQPath(qa.subtracted(qb));
    case ClipCombine::Copy:
        break;
    }
    return b;
}

} // namespace metafile
