// EMF+ state records: transforms, page units, saved states and containers,
// clipping, and the rendering modes.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlusPlayer.h"
#include "metafile/EmfPlusRegion.h"

#include <cmath>

namespace metafile {

bool EmfPlusPlayer::PlayStateRecord(const PlusRecord& record, bool& mine)
{
    mine = true;
    EmfPlusReader r(record.data);
    const bool append = record.flags & 0x2000;
    auto combine = [&](const Matrix& m) {
        if (!r.Ok() || !m.IsFinite())
            return false;
        m_world = append ? m_world * m : m * m_world;
        return true;
    };
    switch (record.type) {
    case 0x402A: { // SetWorldTransform
        const Matrix m = r.Xform();
        if (!r.Ok())
            return false;
        m_world = m;
        return true;
    }
    case 0x402B:
        m_world = {};
        return true;
    case 0x402C:
        return combine(r.Xform());
    case 0x402D: {
        const double dx = r.F32(), dy = r.F32();
        return combine(Matrix::Translation(dx, dy));
    }
    case 0x402E: {
        const double sx = r.F32(), sy = r.F32();
        return combine(Matrix::Scaling(sx, sy));
    }
    case 0x402F: {
        const double a = r.F32() * 3.14159265358979323846 / 180;
        return combine(Matrix{std::cos(a), std::sin(a), -std::sin(a), std::cos(a), 0, 0});
    }
    case 0x4030: { // SetPageTransform
        const double scale = r.F32();
        if (!r.Ok() || !(scale > 0))
            return false;
        m_pageUnit = record.flags & 0xFF;
        m_pageScale = scale;
        return true;
    }
    case 0x4025:   // Save
    case 0x4027:   // BeginContainer
    case 0x4028: { // BeginContainerNoParams
        Matrix inner = m_world;
        if (record.type == 0x4027) {
            // The source rectangle (in its unit) onto the destination (world units).
            const RectD dst = r.Rect(false), src = r.Rect(false);
            const double page = PlusUnitToPixels(m_pageUnit, m_dpiX) * m_pageScale;
            const double f = PlusUnitToPixels(record.flags & 0xFF, m_dpiX) / (page > 0 ? page : 1);
            if (!r.Ok() || !(src.Width() * f != 0) || !(src.Height() * f != 0))
                return false;
            const double sx = dst.Width() / (src.Width() * f),
                         sy = dst.Height() / (src.Height() * f);
            inner = Matrix::Translation(-src.left * f, -src.top * f) * Matrix::Scaling(sx, sy) *
                    Matrix::Translation(dst.left, dst.top) * m_world;
        }
        const std::uint32_t index = r.U32();
        if (!r.Ok() || m_saved.size() >= m_budget.Limits().maxSaveDepth)
            return false;
        m_saved.push_back({index, m_world, m_base, m_pageUnit, m_pageScale});
        m_canvas.SaveClip();
        if (record.type != 0x4025) {
            m_base = inner * m_base;
            m_world = {};
        }
        return true;
    }
    case 0x4026:   // Restore
    case 0x4029: { // EndContainer
        const std::uint32_t index = r.U32();
        if (!r.Ok())
            return false;
        std::size_t level = m_saved.size();
        while (level > 0 && m_saved[level - 1].index != index)
            --level;
        if (level == 0)
            return false;
        while (m_saved.size() >= level) {
            const Saved s = m_saved.back();
            m_saved.pop_back();
            m_canvas.RestoreClip();
            m_world = s.world;
            m_base = s.base;
            m_pageUnit = s.pageUnit;
            m_pageScale = s.pageScale;
        }
        return true;
    }
    case 0x4031:
        m_canvas.ResetClip();
        return true;
    case 0x4032: { // SetClipRect
        const RectD rect = r.Rect(false);
        if (!r.Ok())
            return false;
        Path path;
        path.AddRect(rect);
        SetClip(path, (record.flags >> 8) & 0x0F);
        return true;
    }
    case 0x4033: { // SetClipPath
        const PlusObject* o = m_objects.Get(record.flags & 0xFF);
        if (!o || !std::holds_alternative<PlusPath>(*o))
            return false;
        SetClip(std::get<PlusPath>(*o).path, (record.flags >> 8) & 0x0F);
        return true;
    }
    case 0x4034: { // SetClipRegion
        const PlusObject* o = m_objects.Get(record.flags & 0xFF);
        if (!o || !std::holds_alternative<PlusRegion>(*o))
            return false;
        ApplyWorld();
        Path path;
        if (!RegionToPath(std::get<PlusRegion>(*o), m_canvas, m_budget, path))
            return false;
        SetClip(path, (record.flags >> 8) & 0x0F);
        return true;
    }
    case 0x4035: { // OffsetClip, in world units
        const double dx = r.F32(), dy = r.F32();
        if (!r.Ok())
            return false;
        ApplyWorld();
        m_canvas.OffsetClip({dx, dy});
        return true;
    }
    case 0x401E: // SetAntiAliasMode
        m_canvas.SetAntialiasing(record.flags & 1);
        return true;
    case 0x4023: // SetCompositingMode
        m_canvas.SetSourceOver((record.flags & 0xFF) == 0);
        return true;
    // Hints the canvas has no use for.
    case 0x401D: // SetRenderingOrigin
    case 0x401F: // SetTextRenderingHint
    case 0x4020: // SetTextContrast
    case 0x4021: // SetInterpolationMode
    case 0x4022: // SetPixelOffsetMode
    case 0x4024: // SetCompositingQuality
        return true;
    default:
        mine = false;
        return false;
    }
}

} // namespace metafile
