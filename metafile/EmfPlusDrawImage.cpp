// EMF+ image records: a part of an image object drawn into a rectangle or a
// parallelogram. Bitmaps go to the canvas; metafile images are played
// nested, whole, into the parallelogram's bounds. Image attributes (recolouring,
// wrap modes) are not applied.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlusPlayer.h"

#include <algorithm>
#include <cmath>

namespace metafile {

bool EmfPlusPlayer::PlayImageRecord(const PlusRecord& record, bool& mine)
{
    mine = true;
    if (record.type != 0x401A && record.type != 0x401B) {
        mine = false;
        return false;
    }
    EmfPlusReader r(record.data);
    const bool compressed = record.flags & 0x4000, relative = record.flags & 0x0800;
    const PlusObject* o = m_objects.Get(record.flags & 0xFF);
    if (!o || !std::holds_alternative<PlusImage>(*o))
        return false;
    const PlusImage& image = std::get<PlusImage>(*o);
    r.U32(); // image attributes
    const std::uint32_t sourceUnit = r.U32();
    RectD source = r.Rect(false);
    PointD corner[3]; // upper left, upper right, lower left
    if (record.type == 0x401A) {
        const RectD d = r.Rect(compressed);
        corner[0] = {d.left, d.top};
        corner[1] = {d.right, d.top};
        corner[2] = {d.left, d.bottom};
    } else {
        std::vector<PointD> points;
        if (r.U32() != 3 || !r.Points(3, compressed, relative, m_budget, points))
            return false;
        std::copy(points.begin(), points.end(), corner);
    }
    if (!r.Ok())
        return false;
    // The source in the image's pixels.
    const double f = PlusUnitToPixels(sourceUnit, 96);
    source = {source.left * f, source.top * f, source.right * f, source.bottom * f};
    if (!(source.Width() != 0) || !(source.Height() != 0))
        return false;
    // The unit square onto the parallelogram.
    const Matrix unit = Matrix::UnitSquareOnto(corner[0], corner[1], corner[2]);
    if (!unit.IsFinite() || !unit.IsInvertible())
        return true; // nothing to cover
    const Matrix toDevice = unit * WorldToDevice();
    if (image.bitmap) {
        m_canvas.SetTransform(toDevice);
        BlitOptions options;
        options.perPixelAlpha = true;
        m_canvas.DrawImage(*image.bitmap, source, {0, 0, 1, 1}, options);
        return true;
    }
    if (image.metafile.empty())
        return false;
    // A metafile's source rectangle is its bounds, whose origin differs
    // from writer to writer: the whole picture fills the destination.
    RectD target{0, 0, 0, 0};
    if (std::fabs(toDevice.m12) < 1e-9 && std::fabs(toDevice.m21) < 1e-9) {
        // Upright, perhaps flipped.
        const PointD a = toDevice.Map({0, 0}), b = toDevice.Map({1, 1});
        target = {a.x, a.y, b.x, b.y};
    } else {
        // Turned or sheared: played upright into the parallelogram's bounds.
        const PointD p[4] = {toDevice.Map({0, 0}), toDevice.Map({1, 0}), toDevice.Map({0, 1}),
                             toDevice.Map({1, 1})};
        target = {p[0].x, p[0].y, p[0].x, p[0].y};
        for (const PointD& q : p) {
            target.left = std::min(target.left, q.x);
            target.top = std::min(target.top, q.y);
            target.right = std::max(target.right, q.x);
            target.bottom = std::max(target.bottom, q.y);
        }
    }
    if (!std::isfinite(target.left) || !std::isfinite(target.top) || !std::isfinite(target.right) ||
        !std::isfinite(target.bottom))
        return false;
    // The nested picture's own clipping ends with it.
    m_canvas.SaveClip();
    const PlayReport nested =
        PlayNestedMetafile(image.metafile, m_canvas, target, m_budget, m_emf.Nesting() + 1);
    m_canvas.RestoreClip();
    ApplyWorld();
    return nested.status == MetafileStatus::Ok;
}

} // namespace metafile
