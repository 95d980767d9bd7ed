// Paths combined by Qt's boolean geometry, for regions built of several
// shapes.
#include "metafile/qt/QtCanvas.h"

namespace metafile {

namespace {

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

} // namespace

Path QtCanvas::CombinePaths(const Path& a, const Path& b, ClipCombine combine) const
{
    if (combine == ClipCombine::Copy)
        return b;
    const QPainterPath qa = ToQPath(a), qb = ToQPath(b);
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
