// Text output: the font in force made into a run the canvas paints, with
// GDI's rules for the graphics modes, spacing arrays and the current position.
#include "metafile/GdiCore.h"

#include "metafile/FontMapping.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(PointD v) noexcept
{
    return std::hypot(v.x, v.y);
}

RectD BoundingBox(const Matrix& m, const RectD& r) noexcept
{
    const PointD corners[4] = {m.Map({r.left, r.top}), m.Map({r.right, r.top}),
                               m.Map({r.left, r.bottom}), m.Map({r.right, r.bottom})};
    RectD out{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const PointD& p : corners) {
        out.left = std::min(out.left, p.x);
        out.right = std::max(out.right, p.x);
        out.top = std::min(out.top, p.y);
        out.bottom = std::max(out.bottom, p.y);
    }
    return out;
}

bool IsFinite(const RectD& r) noexcept
{
    return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
           std::isfinite(r.bottom);
}

} // namespace

void GdiCore::ExtTextOut(PointD reference, std::uint32_t options, const std::optional<RectD>& rect,
                         const std::u16string& text, std::span<const std::int32_t> dx)
{
    // Glyph outlines cannot be added to a path here; such text is left out.
    if (m_inPath)
        return;
    const DcState& s = m_state;
    const Matrix toDevice = LogicalToDevice();
    if (!toDevice.IsFinite() || !toDevice.IsInvertible())
        return;
    const std::size_t length = std::min(text.size(), m_budget.Limits().maxTextLength);
    if (!m_budget.SpendPoints(length + 4))
        return;

    // GM_ADVANCED text follows the whole transform: the run is given in
    // logical units. GM_COMPATIBLE text stays upright in device space, only
    // its size and placement follow the mapping: the run is given in device
    // pixels.
    const bool advanced = s.graphicsMode == GM_ADVANCED;
    const Matrix toText = advanced ? Matrix{} : toDevice;
    const double hScale = advanced ? 1 : Length(toDevice.MapVector({1, 0}));
    const double vScale = advanced ? 1 : Length(toDevice.MapVector({0, 1}));
    const double vSign = advanced ? 1 : (toDevice.MapVector({0, 1}).y < 0 ? -1 : 1);

    const LogFont& lf = s.font;
    const MappedFont mapped = MapFontFace(lf.faceName, lf.pitchAndFamily, lf.charSet);
    TextRun run;
    run.font.faceName = mapped.family;
    run.font.height = lf.height * vScale;
    run.font.width = std::fabs(double(lf.width)) * hScale;
    // The escapement turns the baseline in logical space: a mapping that
    // flips one axis turns it the other way in the device. Advanced text
    // turns its glyphs by the orientation; compatible text by the escapement
    // alone, its baseline also following any turn of the transform while
    // the glyphs stay level.
    if (advanced) {
        run.font.escapement = lf.escapement;
        run.font.orientation = lf.orientation;
    } else {
        const bool flips = toDevice.Determinant() < 0;
        const double escapement = flips ? -double(lf.escapement) : double(lf.escapement);
        PointD xAxis = toDevice.MapVector({1, 0});
        if (flips && xAxis.x < 0)
            xAxis.x = -xAxis.x; // a mirrored x axis is no turn: the text still runs rightwards
        const double turn = std::atan2(-xAxis.y, xAxis.x) * 1800 / kPi;
        run.font.escapement = escapement + (std::isfinite(turn) ? turn : 0);
        run.font.orientation = escapement;
    }
    run.font.weight = lf.weight;
    run.font.italic = lf.italic;
    run.font.underline = lf.underline;
    run.font.strikeOut = lf.strikeOut;
    run.font.charSet = lf.charSet;
    run.font.pitchAndFamily = lf.pitchAndFamily;
    // Glyph indices name glyphs of the recorded font, which is not the one
    // drawn here: that text is left out, its rectangle still drawn.
    if (!(options & ETO_GLYPH_INDEX))
        run.text = MapSymbolText(mapped.encoding, text.substr(0, length));

    // The spacing array places every character; ETO_PDY gives pairs.
    const bool pairs = (options & ETO_PDY) != 0;
    const std::size_t n = run.text.size();
    if (n > 0 && dx.size() >= (pairs ? 2 * n : n)) {
        run.advances.resize(n);
        if (pairs)
            run.verticalAdvances.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            run.advances[i] = dx[pairs ? 2 * i : i] * hScale;
            if (pairs)
                run.verticalAdvances[i] = dx[2 * i + 1] * vScale * vSign;
        }
    } else if (n > 0 && s.textCharExtra != 0) {
        // Without an array, SetTextCharacterExtra widens every character.
        run.advances = m_canvas.TextAdvances(run.font, run.text);
        if (run.advances.size() == n) {
            for (std::size_t i = 0; i < n; ++i)
                if (!(run.text[i] >= 0xDC00 && run.text[i] <= 0xDFFF))
                    run.advances[i] += s.textCharExtra * hScale;
        } else {
            run.advances.clear();
        }
    }

    const bool updateCp = (s.textAlign & TA_UPDATECP) != 0;
    const PointD logicalOrigin = updateCp ? s.currentPosition : reference;
    run.origin = toText.Map(logicalOrigin);
    run.align = s.textAlign & ~TA_UPDATECP;
    run.color = s.textColor;
    run.opaque = s.bkMode == OPAQUE;
    run.background = s.bkColor;
    if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
        run.rect = BoundingBox(toText, *rect);
        run.hasRect = IsFinite(run.rect);
        run.opaqueRect = run.hasRect && (options & ETO_OPAQUE);
        run.clipToRect = run.hasRect && (options & ETO_CLIPPED);
    }
    if (run.text.empty() && !run.opaqueRect)
        return;

    m_canvas.SetTransform(advanced ? toDevice : Matrix{});
    const double advance = m_canvas.DrawText(run);

    if (updateCp && std::isfinite(advance)) {
        // The position moves along the baseline past the run (TA_LEFT), back
        // to its start (TA_RIGHT), or stays (TA_CENTER).
        const std::uint32_t horizontal = run.align & TA_CENTER;
        const double sign = horizontal == TA_CENTER ? 0 : horizontal == TA_RIGHT ? -1 : 1;
        const double angle = run.font.escapement / 10.0 * kPi / 180;
        const PointD end{run.origin.x + sign * advance * std::cos(angle),
                         run.origin.y - sign * advance * std::sin(angle)};
        const PointD logicalEnd = advanced ? end : toDevice.Inverted().Map(end);
        if (std::isfinite(logicalEnd.x) && std::isfinite(logicalEnd.y))
            m_state.currentPosition = logicalEnd;
    }
}

} // namespace metafile
