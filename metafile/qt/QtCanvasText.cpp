// Text on the QPainter canvas: each glyph's outline placed where the run's
// advances put it, so spacing arrays are followed exactly.
#include "metafile/qt/QtCanvas.h"
#include "metafile/qt/QtTextFont.h"

#include <cmath>

namespace metafile {

namespace {

// Glyphs are filled in batches so a long run never builds one huge path.
constexpr std::size_t kGlyphsPerFill = 256;

bool IsHighSurrogate(char16_t c) noexcept
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) noexcept
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The character starting at unit i; 0 for the second unit of a pair.
char32_t CharacterAt(const std::u16string& text, std::size_t i) noexcept
{
    const char16_t c = text[i];
    if (IsLowSurrogate(c) && i > 0 && IsHighSurrogate(text[i - 1]))
        return 0;
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    return c;
}

PointD Add(PointD a, PointD b, double k) noexcept
{
    return {a.x + b.x * k, a.y + b.y * k};
}

// A parallelogram from corner along a for length and across d from d0 to d1.
QPainterPath Band(const Matrix& toDevice, PointD corner, PointD a, double length, PointD d,
                  double d0, double d1)
{
    const PointD p0 = Add(corner, d, d0), p1 = Add(p0, a, length);
    const PointD p3 = Add(corner, d, d1), p2 = Add(p3, a, length);
    QPolygonF polygon;
    for (const PointD& p : {p0, p1, p2, p3}) {
        const PointD q = toDevice.Map(p);
        polygon << QPointF(q.x, q.y);
    }
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

} // namespace

QtTextFont& QtCanvas::TextFont(const FontSpec& font)
{
    if (!m_textFonts)
        m_textFonts = std::make_shared<QtTextFonts>();
    return m_textFonts->For(font);
}

std::vector<double> QtCanvas::TextAdvances(const FontSpec& font, const std::u16string& text)
{
    QtTextFont& face = TextFont(font);
    const TextFrame frame = MakeTextFrame(face, font, m_transform);
    const double scale = frame.em * frame.stretch;
    if (!std::isfinite(scale))
        return {};
    std::vector<double> out(text.size(), 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = CharacterAt(text, i);
        if (c != 0)
            out[i] = face.Lookup(c).advance * scale;
    }
    return out;
}

void QtCanvas::FontExtents(const FontSpec& font, double& ascent, double& descent)
{
    QtTextFont& face = TextFont(font);
    const TextFrame frame = MakeTextFrame(face, font, m_transform);
    ascent = face.Ascent() * frame.em;
    descent = face.Descent() * frame.em;
    if (!std::isfinite(ascent) || !std::isfinite(descent)) {
        ascent = 0;
        descent = 0;
    }
}

double QtCanvas::DrawText(const TextRun& run)
{
    QtTextFont& face = TextFont(run.font);
    const TextFrame frame = MakeTextFrame(face, run.font, m_transform);
    const std::size_t n = run.text.size();

    std::vector<double> advances =
        run.advances.size() == n ? run.advances : TextAdvances(run.font, run.text);
    advances.resize(n, 0);
    double total = 0;
    for (double& a : advances) {
        if (!std::isfinite(a))
            a = 0;
        total += a;
    }
    if (!std::isfinite(total))
        total = 0;

    const Matrix& toDevice = m_transform;
    const bool rectFinite = std::isfinite(run.rect.left) && std::isfinite(run.rect.top) &&
                            std::isfinite(run.rect.right) && std::isfinite(run.rect.bottom);
    // Clipped to a rectangle that is not one: nothing can show.
    if (run.hasRect && run.clipToRect && !rectFinite)
        return total;
    const bool placed = std::isfinite(run.origin.x) && std::isfinite(run.origin.y);
    m_painter.save();
    m_painter.resetTransform();
    if (run.hasRect && run.clipToRect) {
        QPainterPath box;
        box.addPolygon(ToQTransform(toDevice).map(QPolygonF(QRectF(
            QPointF(run.rect.left, run.rect.top), QPointF(run.rect.right, run.rect.bottom)))));
        box.closeSubpath();
        m_painter.setClipPath(box, EffectiveClip() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    if (run.hasRect && run.opaqueRect && rectFinite) {
        Path box;
        box.AddRect(run.rect);
        m_painter.fillPath(ToQTransform(toDevice).map(ToQPath(box)), ToQColor(run.background));
    }

    if (frame.drawable && placed && n > 0) {
        const double ascent = face.Ascent() * frame.em, descent = face.Descent() * frame.em;
        // The reference point against the run's extent.
        double shift = 0;
        const std::uint32_t horizontal = run.align & TA_CENTER;
        if (horizontal == TA_CENTER)
            shift = total / 2;
        else if (horizontal == TA_RIGHT)
            shift = total;
        double rise = 0;
        const std::uint32_t vertical = run.align & TA_BASELINE;
        if (vertical == TA_BOTTOM)
            rise = -descent;
        else if (vertical != TA_BASELINE)
            rise = ascent;
        const PointD start = Add(Add(run.origin, frame.along, -shift), frame.down, rise);

        if (run.opaque)
            m_painter.fillPath(
                Band(toDevice, start, frame.along, total, frame.down, -ascent, descent),
                ToQColor(run.background));

        const QColor color = ToQColor(run.color);
        const Matrix& g = frame.glyphToDevice;
        // Glyphs far outside the output are left out.
        const double reach = 2 * (std::hypot(g.m11, g.m12) + std::hypot(g.m21, g.m22));
        const QRectF visible(-reach, -reach, m_image.width() + 2 * reach,
                             m_image.height() + 2 * reach);
        QPainterPath batch;
        batch.setFillRule(Qt::WindingFill);
        std::size_t inBatch = 0;
        PointD pen = start;
        for (std::size_t i = 0; i < n; ++i) {
            const char32_t c = CharacterAt(run.text, i);
            const PointD next = Add(pen, frame.along, advances[i]);
            if (c != 0 && c != u' ') {
                const PointD at = toDevice.Map(frame.reversed ? next : pen);
                if (visible.contains(at.x, at.y)) {
                    const QPainterPath& outline = face.Outline(face.Lookup(c));
                    if (!outline.isEmpty()) {
                        batch.addPath(
                            QTransform(g.m11, g.m12, g.m21, g.m22, at.x, at.y).map(outline));
                        if (++inBatch == kGlyphsPerFill) {
                            m_painter.fillPath(batch, color);
                            batch.clear();
                            batch.setFillRule(Qt::WindingFill);
                            inBatch = 0;
                        }
                    }
                }
            }
            pen = next;
            if (i < run.verticalAdvances.size() && std::isfinite(run.verticalAdvances[i]))
                pen = Add(pen, frame.across, run.verticalAdvances[i]);
        }
        if (inBatch > 0)
            m_painter.fillPath(batch, color);

        // Lines at least one device pixel thick.
        const double thickness = std::max(face.LineThickness() * frame.em, 1 / frame.pixelsDown);
        if (run.font.underline) {
            const double at = std::max(face.UnderlinePosition() * frame.em, thickness / 2);
            m_painter.fillPath(Band(toDevice, start, frame.along, total, frame.down,
                                    at - thickness / 2, at + thickness / 2),
                               color);
        }
        if (run.font.strikeOut) {
            const double at = -face.StrikeOutPosition() * frame.em;
            m_painter.fillPath(Band(toDevice, start, frame.along, total, frame.down,
                                    at - thickness / 2, at + thickness / 2),
                               color);
        }
    }
    m_painter.restore();
    return total;
}

} // namespace metafile
