// What the player draws with: paths, pens, brushes, images and text handed
// to a canvas. The player works out every GDI and GDI+ rule; a canvas only
// paints. The program's canvas paints with QPainter (metafile/qt).
#pragma once

#include "metafile/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace metafile {

struct Color
{
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Color&, const Color&) = default;
};

enum class FillRule
{
    Alternate, // even-odd
    Winding,
};

class Path
{
public:
    enum class Kind
    {
        Move,
        Line,
        Cubic, // p[0], p[1] control points, p[2] end point
        Close,
    };
    struct Element
    {
        Kind kind = Kind::Move;
        PointD p[3];
    };

    void MoveTo(PointD p) { m_elements.push_back({Kind::Move, {p, {}, {}}}); }
    void LineTo(PointD p) { m_elements.push_back({Kind::Line, {p, {}, {}}}); }
    void CubicTo(PointD c1, PointD c2, PointD end)
    {
        m_elements.push_back({Kind::Cubic, {c1, c2, end}});
    }
    void Close() { m_elements.push_back({Kind::Close, {}}); }
    void AddRect(const RectD& r);
    void AddEllipse(const RectD& r);
    void AddPolygon(const std::vector<PointD>& points);
    void Append(const Path& other)
    {
        m_elements.insert(m_elements.end(), other.m_elements.begin(), other.m_elements.end());
    }
    // Every point mapped; for paths kept in another space.
    Path Mapped(const Matrix& m) const;

    bool IsEmpty() const noexcept { return m_elements.empty(); }
    std::size_t Size() const noexcept { return m_elements.size(); }
    const std::vector<Element>& Elements() const noexcept { return m_elements; }
    void Clear() noexcept { m_elements.clear(); }

    FillRule fillRule = FillRule::Alternate;

private:
    std::vector<Element> m_elements;
};

// Premultiplied ARGB, 0xAARRGGBB a pixel, rows top-down without padding.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool IsEmpty() const noexcept { return width <= 0 || height <= 0; }
};

enum class PenStyle
{
    Solid,
    Dash,
    Dot,
    DashDot,
    DashDotDot,
    Null,
    InsideFrame,
    User, // dashes gives the pattern
};
enum class LineCap
{
    Round,
    Square,
    Flat,
};
enum class LineJoin
{
    Round,
    Bevel,
    Miter,
};

struct Pen
{
    PenStyle style = PenStyle::Solid;
    double width = 1;      // in the canvas's current coordinates, unless cosmetic
    bool cosmetic = false; // one device pixel wide whatever the transform
    Color color;
    LineCap cap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    double miterLimit = 10;
    std::vector<double> dashes; // on, off, ... in pen widths, for PenStyle::User
};

enum class BrushKind
{
    Null,
    Solid,
    Hatch,   // hatch: HS_HORIZONTAL (0) to HS_DIAGCROSS (5) and the GDI+ hatch styles from 6 up
    Pattern, // pattern image tiled from the device origin
    LinearGradient, // start, end, stops
    PathGradient,   // boundary, centre, centre colour stops[0], surround colours stops[1..]
};

struct GradientStop
{
    double position = 0; // 0 to 1
    Color color;
};

struct Brush
{
    BrushKind kind = BrushKind::Solid;
    Color color;   // solid colour, or the hatch lines
    int hatch = 0; // for BrushKind::Hatch
    Color background{255, 255, 255, 255};
    bool opaqueBackground = false; // hatch gaps filled with background
    std::shared_ptr<const Image> pattern;
    Matrix patternTransform; // pattern space to the canvas's current coordinates
    PointD start, end;
    std::vector<GradientStop> stops;
    Path boundary;
    PointD centre;
    bool wrapTile = true; // gradients repeat beyond their ends, else clamp
};

struct FontSpec
{
    std::u16string faceName;
    double height = 0;      // < 0 character height, > 0 cell height, 0 default; current coordinates
    double width = 0;       // average character width, 0 for the face's own
    double escapement = 0;  // tenths of a degree, anticlockwise
    double orientation = 0; // tenths of a degree
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 1; // DEFAULT_CHARSET
    std::uint8_t pitchAndFamily = 0;
};

// GDI's TA_* bits.
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 24;
inline constexpr std::uint32_t TA_RTLREADING = 256;

struct TextRun
{
    FontSpec font;
    std::u16string text;
    PointD origin;           // the reference point the alignment refers to
    std::uint32_t align = 0; // TA_* bits (TA_UPDATECP already resolved into origin)
    std::vector<double>
        advances; // distance to the next character, current coordinates; empty: the font's own
    std::vector<double> verticalAdvances; // ETO_PDY: y offsets to the next character
    Color color;
    bool opaque = false; // background colour behind the text cell
    Color background{255, 255, 255, 255};
    bool hasRect = false;
    RectD rect;              // ETO_OPAQUE fills it, ETO_CLIPPED clips to it
    bool opaqueRect = false; // ETO_OPAQUE
    bool clipToRect = false; // ETO_CLIPPED
};

// How a new clip combines with the one in force (GDI's RGN_* values).
enum class ClipCombine
{
    And = 1,
    Or = 2,
    Xor = 3,
    Diff = 4,
    Copy = 5,
};

// The blending a raster operation picks (GDI ROP3 codes), with constant and
// per-pixel alpha for AlphaBlend.
struct BlitOptions
{
    std::uint32_t rop3 = 0x00CC0020; // SRCCOPY
    double constantAlpha = 1;        // 0 to 1
    bool perPixelAlpha = false;      // the image's alpha counts (AC_SRC_ALPHA)
    bool smooth = true;              // interpolate when stretching
    Brush pattern;                   // for ROP3 codes that use the brush
    Color textColor;                 // a monochrome image's 0 and 1 bits
    Color backgroundColor{255, 255, 255, 255};
    bool monochrome = false; // the image is 1-bit: colours from textColor/backgroundColor
};

class ICanvas
{
public:
    virtual ~ICanvas() = default;

    // From the coordinates of the following calls to output pixels.
    virtual void SetTransform(const Matrix& toDevice) = 0;
    virtual Matrix Transform() const = 0;

    virtual void FillPath(const Path& path, const Brush& brush) = 0;
    virtual void StrokePath(const Path& path, const Pen& pen) = 0;

    // The part source (image pixels) of image drawn into destination (current
    // coordinates); BlitOptions::rop3 decides how it meets what is there.
    virtual void DrawImage(const Image& image, const RectD& source, const RectD& destination,
                           const BlitOptions& options) = 0;
    // A raster operation without a source (PatBlt): the brush and the destination.
    virtual void FillWithRop(const RectD& destination, const Brush& brush, std::uint32_t rop3) = 0;

    // Draws the run and gives how far it advances along its baseline, in
    // current coordinates (for TA_UPDATECP).
    virtual double DrawText(const TextRun& run) = 0;
    // Ascent and descent of a font, in current coordinates.
    virtual void FontExtents(const FontSpec& font, double& ascent, double& descent) = 0;

    // The clip, in current coordinates, combined with the one in force.
    virtual void SetClip(const Path& path, ClipCombine combine) = 0;
    virtual void ResetClip() = 0;
    // The clip saved and restored (SaveDC, GDI+ containers).
    virtual void SaveClip() = 0;
    virtual void RestoreClip() = 0;

    // GDI's binary raster operation for pens and brushes (R2_* values, 13 copy).
    virtual void SetRop2(int rop2) = 0;
    virtual void SetAntialiasing(bool on) = 0;
    // GDI+ compositing: true source-over, false source-copy.
    virtual void SetSourceOver(bool on) = 0;

    // Output size in pixels.
    virtual int DeviceWidth() const = 0;
    virtual int DeviceHeight() const = 0;

    // --- Further operations are added below this line. ---

    // GDI+ text laid out in a rectangle: alignment along and across the
    // lines, wrapped at the rectangle's width unless noWrap.
    struct LayoutText
    {
        FontSpec font; // height < 0: the em size
        std::u16string text;
        RectD layout;          // current coordinates; zero width or height: no box that way
        int alignment = 0;     // 0 near, 1 centre, 2 far
        int lineAlignment = 0; // the same, across the lines
        bool noWrap = false;
        bool clip = false; // clipped to the layout rectangle
        bool rightToLeft = false;
        Color color;
    };
    virtual void DrawLayoutText(const LayoutText& text) { (void)text; }

    // a combined with b by the clip rules (a is the one in force), as a path in
    // current coordinates; regions are built with it. Without boolean
    // geometry a canvas gives b for Copy and And, both for Or.
    virtual Path CombinePaths(const Path& a, const Path& b, ClipCombine combine) const
    {
        if (combine != ClipCombine::Or)
            return b;
        Path both = a;
        both.Append(b);
        return both;
    }

    // Compressed image bytes (PNG, JPEG, GIF, ...) decoded; false when they
    // cannot be, or the picture has more than maxPixels pixels.
    virtual bool DecodeImage(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                             Image& out)
    {
        (void)data;
        (void)size;
        (void)maxPixels;
        (void)out;
        return false;
    }

    // DrawImage where a mask decides the raster operation (MaskBlt): mask
    // pixels that are not black take options.rop3, black ones backgroundRop3.
    // The mask pixel for image pixel (u, v) is maskOrigin + (u, v) - source's
    // top-left. A canvas without masks draws with options.rop3 alone.
    virtual void DrawImageMasked(const Image& image, const RectD& source, const RectD& destination,
                                 const Image& mask, PointD maskOrigin, std::uint32_t backgroundRop3,
                                 const BlitOptions& options)
    {
        (void)mask;
        (void)maskOrigin;
        (void)backgroundRop3;
        DrawImage(image, source, destination, options);
    }

    // The font's own advance of each UTF-16 unit of text in current
    // coordinates (0 for the second unit of a surrogate pair); empty when the
    // canvas cannot measure text.
    virtual std::vector<double> TextAdvances(const FontSpec& font, const std::u16string& text)
    {
        (void)font;
        (void)text;
        return {};
    }

    // The clip in force moved by offset, a vector in current coordinates.
    virtual void OffsetClip(PointD offset) = 0;

    // The clip in force becomes the meta clip (SetMetaRgn): later clips are
    // set inside it, and resetting the clip comes back to it. Saved and
    // restored with the clip. A canvas without one leaves the clip as it is.
    virtual void SetMetaClip() {}
};

} // namespace metafile
