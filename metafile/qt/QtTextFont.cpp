#include "metafile/qt/QtTextFont.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

// Outlines are read at this size and scaled: large enough for exact curves,
// small enough that a hostile size never reaches the font engine.
constexpr int kLoadPixels = 256;
// Faces tried, in order, for characters the chosen face does not have.
const char* const kFallbacks[] = {"DejaVu Sans", "Noto Sans CJK JP", "Droid Sans Fallback"};
constexpr std::size_t kMaxCachedGlyphs = 4096;
constexpr std::size_t kMaxCachedFonts = 256;
constexpr std::size_t kMaxResolvedFonts = 1024;

// Text larger or smaller than this, in device pixels, is not drawn.
constexpr double kMaxEmPixels = 32768;
constexpr double kMinEmPixels = 1.0 / 64;

QFont MakeFont(const QString& family, int weight, bool italic)
{
    QFont font(family);
    font.setPixelSize(kLoadPixels);
    font.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    font.setItalic(italic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::NoFontMerging));
    return font;
}

int BigEndian16(const QByteArray& table, int offset)
{
    return (std::uint8_t(table[offset]) << 8) | std::uint8_t(table[offset + 1]);
}

double Length(PointD v) noexcept
{
    return std::hypot(v.x, v.y);
}

} // namespace

QtTextFont::QtTextFont(const FontSpec& wanted)
    : m_family(QString::fromStdU16String(wanted.faceName)), m_weight(wanted.weight),
      m_italic(wanted.italic)
{
    const QFont font = MakeFont(m_family.isEmpty() ? QStringLiteral("Liberation Sans") : m_family,
                                m_weight, m_italic);
    const QRawFont raw = QRawFont::fromFont(font);
    m_faces.push_back(raw);
    if (!raw.isValid())
        return;
    const double px = raw.pixelSize() > 0 ? raw.pixelSize() : kLoadPixels;
    const double ascent = raw.ascent() / px, descent = raw.descent() / px;
    if (std::isfinite(ascent) && std::isfinite(descent) && ascent + descent > 0.05) {
        m_ascent = ascent;
        m_descent = descent;
    }
    // GDI's cell is the face's Windows ascent and descent, which can differ
    // from the ones Qt reports (Carlito's, like Calibri's, are a fifth larger).
    const QByteArray os2 = raw.fontTable("OS/2");
    const double units = raw.unitsPerEm();
    if (os2.size() >= 78 && units > 0) {
        const int winAscent = BigEndian16(os2, 74), winDescent = BigEndian16(os2, 76);
        if (winAscent + winDescent > 0) {
            m_ascent = winAscent / units;
            m_descent = winDescent / units;
        }
    }
    if (raw.averageCharWidth() > 0)
        m_averageWidth = raw.averageCharWidth() / px;
    if (raw.lineThickness() > 0)
        m_thickness = raw.lineThickness() / px;
    m_underline = raw.underlinePosition() / px;
    const QFontMetricsF metrics(font);
    m_strikeOut = metrics.strikeOutPos() / px;
}

QRawFont QtTextFont::FaceAt(int i)
{
    while (int(m_faces.size()) <= i) {
        const std::size_t fallback = m_faces.size() - 1;
        m_faces.push_back(QRawFont::fromFont(
            MakeFont(QString::fromLatin1(kFallbacks[fallback]), m_weight, m_italic)));
    }
    return m_faces[std::size_t(i)];
}

QtTextFont::Glyph QtTextFont::Lookup(char32_t c)
{
    const auto found = m_glyphs.find(c);
    if (found != m_glyphs.end())
        return found->second;
    Glyph glyph;
    const QString s = QString::fromUcs4(&c, 1);
    const int faces = 1 + int(std::size(kFallbacks));
    for (int i = 0; i < faces && glyph.face < 0; ++i) {
        const QRawFont raw = FaceAt(i);
        if (!raw.isValid() || !raw.supportsCharacter(uint(c)))
            continue;
        const QList<quint32> indexes = raw.glyphIndexesForString(s);
        if (indexes.isEmpty() || indexes.front() == 0)
            continue;
        const QList<QPointF> advances =
            raw.advancesForGlyphIndexes(indexes, QRawFont::UseDesignMetrics);
        glyph.face = i;
        glyph.index = indexes.front();
        if (!advances.isEmpty() && raw.pixelSize() > 0)
            glyph.advance = advances.front().x() / raw.pixelSize();
    }
    // A character no face has takes the primary face's missing-glyph box.
    if (glyph.face < 0 && m_faces.front().isValid()) {
        const QRawFont& raw = m_faces.front();
        const QList<QPointF> advances =
            raw.advancesForGlyphIndexes({0}, QRawFont::UseDesignMetrics);
        glyph.face = 0;
        glyph.index = 0;
        if (!advances.isEmpty() && raw.pixelSize() > 0)
            glyph.advance = advances.front().x() / raw.pixelSize();
    }
    if (m_glyphs.size() >= kMaxCachedGlyphs)
        m_glyphs.clear();
    m_glyphs.emplace(c, glyph);
    return glyph;
}

const QPainterPath& QtTextFont::Outline(const Glyph& glyph)
{
    static const QPainterPath kNone;
    if (glyph.face < 0 || glyph.face >= int(m_faces.size()))
        return kNone;
    const auto key = std::make_pair(glyph.face, glyph.index);
    const auto found = m_outlines.find(key);
    if (found != m_outlines.end())
        return found->second;
    if (m_outlines.size() >= kMaxCachedGlyphs)
        m_outlines.clear();
    const QRawFont& raw = m_faces[std::size_t(glyph.face)];
    QPainterPath path = raw.pathForGlyph(glyph.index);
    const double px = raw.pixelSize() > 0 ? raw.pixelSize() : kLoadPixels;
    path = QTransform::fromScale(1 / px, 1 / px).map(path);
    return m_outlines.emplace(key, std::move(path)).first->second;
}

QtTextFont& QtTextFonts::For(const FontSpec& wanted)
{
    // Faces come in a few weights: nearby weights share one resolved font.
    const int weight = std::clamp((wanted.weight + 50) / 100 * 100, 100, 900);
    auto key = std::make_tuple(wanted.faceName, weight, wanted.italic);
    auto found = m_fonts.find(key);
    if (found != m_fonts.end())
        return *found->second;
    // Resolving a font is slow; a file naming ever new fonts gets the
    // default family once it has had its share.
    if (m_resolved >= kMaxResolvedFonts) {
        key = std::make_tuple(std::u16string(u"Liberation Sans"), weight, wanted.italic);
        found = m_fonts.find(key);
        if (found != m_fonts.end())
            return *found->second;
    }
    if (m_fonts.size() >= kMaxCachedFonts)
        m_fonts.clear();
    ++m_resolved;
    FontSpec resolved = wanted;
    resolved.faceName = std::get<0>(key);
    resolved.weight = weight;
    return *m_fonts.emplace(std::move(key), std::make_unique<QtTextFont>(resolved)).first->second;
}

TextFrame MakeTextFrame(QtTextFont& face, const FontSpec& font, const Matrix& toDevice)
{
    TextFrame frame;
    const double det = toDevice.Determinant();
    if (!toDevice.IsFinite() || !std::isfinite(det) || det == 0)
        return frame;

    // The escapement turns the baseline, the orientation the glyphs,
    // anticlockwise as seen with the current coordinates' y axis pointing
    // down; a mapping that flips an axis turns them the other way in the
    // output, as GDI does.
    auto radians = [](double tenths) {
        return std::isfinite(tenths) ? -std::fmod(tenths, 3600.0) / 1800 * 3.14159265358979323846
                                     : 0.0;
    };
    const double baseline = radians(font.escapement), glyphs = radians(font.orientation);
    frame.along = {std::cos(baseline), std::sin(baseline)};
    frame.across = {-std::sin(baseline), std::cos(baseline)};
    frame.down = {-std::sin(glyphs), std::cos(glyphs)};
    PointD x = toDevice.MapVector({std::cos(glyphs), std::sin(glyphs)});
    PointD y = toDevice.MapVector(frame.down);
    const double xScale = Length(x), yScale = Length(y);
    if (!(xScale > 0) || !(yScale > 0))
        return frame;

    // Glyphs are never mirrored: a flipped mapping turns the glyphs' own
    // axis back (y when it points up, else x, which then runs against the
    // baseline).
    if (det < 0) {
        const PointD y0 = toDevice.MapVector({0, 1});
        if (y0.y < 0) {
            y = {-y.x, -y.y};
            frame.down = {-frame.down.x, -frame.down.y};
        } else {
            x = {-x.x, -x.y};
            frame.reversed = true;
        }
    }

    frame.pixelsDown = yScale;
    const double cell = face.Ascent() + face.Descent();
    double em = 0;
    if (font.height < 0)
        em = -font.height;
    else if (font.height > 0)
        em = font.height / cell;
    else
        em = 16 / yScale / cell; // a 12-point cell at 96 dpi
    frame.em = em;
    if (font.width > 0 && face.AverageWidth() > 0 && em > 0)
        frame.stretch = font.width / (face.AverageWidth() * em);

    const double emPixels = em * yScale, widthPixels = em * frame.stretch * xScale;
    frame.drawable = std::isfinite(emPixels) && std::isfinite(widthPixels) &&
                     emPixels <= kMaxEmPixels && widthPixels <= kMaxEmPixels &&
                     emPixels >= kMinEmPixels && widthPixels >= kMinEmPixels;
    const double sx = em * frame.stretch, sy = em;
    frame.glyphToDevice = Matrix{x.x * sx, x.y * sx, y.x * sy, y.y * sy, 0, 0};
    return frame;
}

} // namespace metafile
