// The fonts metafile text is drawn with: a face resolved once into outlines
// measured per em, with fallback faces for characters it lacks.
#pragma once

#include "metafile/Canvas.h"

#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace metafile {

class QtTextFont
{
public:
    struct Glyph
    {
        int face = -1; // index into the faces; -1 when no face has the character
        quint32 index = 0;
        double advance = 0; // per em
    };

    QtTextFont(const FontSpec& wanted);

    // Metrics of the primary face, per em.
    double Ascent() const noexcept { return m_ascent; }
    double Descent() const noexcept { return m_descent; }
    double AverageWidth() const noexcept { return m_averageWidth; }
    double UnderlinePosition() const noexcept { return m_underline; }
    double LineThickness() const noexcept { return m_thickness; }
    double StrikeOutPosition() const noexcept { return m_strikeOut; }

    Glyph Lookup(char32_t c);
    // The outline of one em, y down, its origin on the baseline.
    const QPainterPath& Outline(const Glyph& glyph);

private:
    QRawFont FaceAt(int i);

    QString m_family;
    int m_weight = 400;
    bool m_italic = false;
    std::vector<QRawFont> m_faces; // the primary face first, fallbacks loaded when needed
    std::map<char32_t, Glyph> m_glyphs;
    std::map<std::pair<int, quint32>, QPainterPath> m_outlines;
    double m_ascent = 0.8, m_descent = 0.2, m_averageWidth = 0.5;
    double m_underline = 0.1, m_thickness = 0.05, m_strikeOut = 0.3;
};

// Resolved fonts kept for a canvas: metafiles select the same few fonts for
// thousands of text records.
class QtTextFonts
{
public:
    QtTextFont& For(const FontSpec& wanted);

private:
    std::map<std::tuple<std::u16string, int, bool>, std::unique_ptr<QtTextFont>> m_fonts;
    std::size_t m_resolved = 0;
};

// Where one em of text sits in a device: the size of the font under the
// canvas transform, the baseline direction and the glyphs' own axes.
struct TextFrame
{
    bool drawable = false; // false: too large or too small to draw
    double em = 0;         // in current coordinates
    double stretch = 1;    // horizontal, from the average width asked for
    PointD along;          // unit baseline direction (escapement), current coordinates
    PointD down;   // unit direction of the glyphs' descent (orientation), current coordinates
    PointD across; // the baseline direction turned a right angle
    double pixelsDown = 0; // device pixels per current unit along down
    bool reversed = false; // glyph x runs against the baseline (a mirrored mapping)
    Matrix glyphToDevice;  // linear part: one em of outline (x, y down) into device pixels
};

// The frame of font drawn under toDevice (current coordinates to device
// pixels).
TextFrame MakeTextFrame(QtTextFont& face, const FontSpec& font, const Matrix& toDevice);

} // namespace metafile
