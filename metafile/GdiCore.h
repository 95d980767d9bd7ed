// The GDI device context that WMF and EMF records play into: mapping modes,
// window and viewport, the world transform, selected objects, colours and
// modes, the current position and the path being built. Both record
// players turn their records into these calls; the core draws on a canvas.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/GdiObjects.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace metafile {

// MM_* mapping modes.
inline constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4,
                     MM_HIENGLISH = 5, MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
// Background modes, polygon fill modes, graphics modes, arc directions.
inline constexpr int TRANSPARENT = 1, OPAQUE = 2;
inline constexpr int ALTERNATE = 1, WINDING = 2;
inline constexpr int GM_COMPATIBLE = 1, GM_ADVANCED = 2;
inline constexpr int AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2;
// ModifyWorldTransform modes.
inline constexpr int MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4;
// ExtTextOut options.
inline constexpr std::uint32_t ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10,
                               ETO_PDY = 0x2000;

struct DcState
{
    int mapMode = MM_TEXT;
    PointD windowOrg{0, 0}, windowExt{1, 1};
    PointD viewportOrg{0, 0}, viewportExt{1, 1};
    Matrix world; // logical to page, GM_ADVANCED only
    int graphicsMode = GM_COMPATIBLE;

    LogPen pen;
    LogBrush brush;
    LogFont font;

    Color textColor{0, 0, 0, 255};
    Color bkColor{255, 255, 255, 255};
    int bkMode = OPAQUE;
    int rop2 = 13; // R2_COPYPEN
    int polyFillMode = ALTERNATE;
    std::uint32_t textAlign = 0;
    int stretchBltMode = 1;
    double miterLimit = 10;
    int arcDirection = AD_COUNTERCLOCKWISE;
    double textCharExtra = 0;
    Color dcBrushColor{255, 255, 255, 255};
    Color dcPenColor{0, 0, 0, 255};

    PointD currentPosition; // logical units
};

class GdiCore
{
public:
    // referenceToDevice maps the reference device's pixels (the units of the
    // viewport, clip regions and bounds) onto the canvas's output pixels.
    GdiCore(ICanvas& canvas, const Matrix& referenceToDevice, PlayBudget& budget);

    ICanvas& Canvas() noexcept { return m_canvas; }
    DcState& State() noexcept { return m_state; }
    const DcState& State() const noexcept { return m_state; }
    PlayBudget& Budget() noexcept { return m_budget; }

    // --- mapping (GdiCoreState.cpp) ---
    // The reference device's pixels per millimetre, for the metric mapping modes.
    void SetReferenceDevice(double pixelsPerMmX, double pixelsPerMmY);
    void SetMapMode(int mode);
    void SetWindowOrg(PointD p);
    void SetWindowExt(PointD e);
    void SetViewportOrg(PointD p);
    void SetViewportExt(PointD e);
    void OffsetWindowOrg(PointD d);
    void OffsetViewportOrg(PointD d);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetGraphicsMode(int mode);
    void SetWorldTransform(const Matrix& m);
    void ModifyWorldTransform(const Matrix& m, int mode);
    // Logical units to reference-device pixels: world, then window to viewport.
    Matrix LogicalToReference() const;
    // Logical units to output pixels; also set on the canvas before each drawing.
    Matrix LogicalToDevice() const;
    const Matrix& ReferenceToDevice() const noexcept { return m_referenceToDevice; }
    // Puts the logical transform on the canvas.
    void ApplyLogicalTransform();
    // Puts the reference-device transform on the canvas (regions, paths).
    void ApplyReferenceTransform();

    // --- save and restore (GdiCoreState.cpp) ---
    void SaveDC();
    // n < 0: that many levels back; n > 0: the level with that number.
    void RestoreDC(int n);

    // --- objects (GdiCoreState.cpp) ---
    void SelectObject(const GdiObject& object);
    void SelectStockObject(std::uint32_t index);

    // --- the modes (GdiCoreState.cpp) ---
    void SetRop2(int rop2);

    // --- what the selected objects become on the canvas (GdiCoreState.cpp) ---
    Pen CurrentPen() const;     // in logical units
    Brush CurrentBrush() const; // in logical units
    FillRule CurrentFillRule() const;

    // --- drawing (GdiCoreDraw.cpp); points in logical units ---
    void MoveTo(PointD p);
    void LineTo(PointD p);
    void Polyline(std::span<const PointD> points);
    void PolylineTo(std::span<const PointD> points);
    void Polygon(std::span<const PointD> points);
    void PolyPolygon(std::span<const PointD> points, std::span<const std::uint32_t> counts);
    void PolyPolyline(std::span<const PointD> points, std::span<const std::uint32_t> counts);
    void PolyBezier(std::span<const PointD> points);
    void PolyBezierTo(std::span<const PointD> points);
    void PolyDraw(std::span<const PointD> points, std::span<const std::uint8_t> types);
    void Rectangle(const RectD& r);
    void RoundRect(const RectD& r, double cornerWidth, double cornerHeight);
    void Ellipse(const RectD& r);
    void Arc(const RectD& r, PointD start, PointD end);
    void ArcTo(const RectD& r, PointD start, PointD end);
    void AngleArc(PointD centre, double radius, double startAngle, double sweepAngle);
    void Chord(const RectD& r, PointD start, PointD end);
    void Pie(const RectD& r, PointD start, PointD end);
    void SetPixel(PointD p, Color color);

    // --- paths (GdiCoreDraw.cpp) ---
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    void FlattenPath();
    void WidenPath();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void SelectClipPath(ClipCombine combine);

    // --- clipping and regions (GdiCoreDraw.cpp); regions in reference-device pixels ---
    void IntersectClipRect(const RectD& logical);
    void ExcludeClipRect(const RectD& logical);
    void OffsetClipRgn(PointD logical);
    // An empty region with Copy resets the clip.
    void SelectClipRegion(const Region& region, ClipCombine combine);
    void SetMetaRgn();
    void FillRegion(const Region& region, const LogBrush& brush);
    void FrameRegion(const Region& region, const LogBrush& brush, double width, double height);
    void PaintRegion(const Region& region);
    void InvertRegion(const Region& region);

    // --- text (GdiCoreText.cpp) ---
    // reference in logical units; rect only with ETO_OPAQUE or ETO_CLIPPED.
    void ExtTextOut(PointD reference, std::uint32_t options, const std::optional<RectD>& rect,
                    const std::u16string& text, std::span<const std::int32_t> dx);

    // --- bitmaps (GdiCoreBitmap.cpp) ---
    void StretchBlt(const RectD& destination, const Image* image, const RectD& source,
                    std::uint32_t rop3, bool monochrome);
    void PatBlt(const RectD& destination, std::uint32_t rop3);
    void AlphaBlend(const RectD& destination, const Image& image, const RectD& source,
                    double constantAlpha, bool perPixelAlpha);
    void MaskBlt(const RectD& destination, const Image* image, const RectD& source,
                 const Image* mask, PointD maskOrigin, std::uint32_t rop4);

    // True while records add to a path instead of drawing.
    bool InPath() const noexcept { return m_inPath; }

private:
    void FixIsotropicExtents();
    // Paths are kept in reference-device pixels, as GDI keeps them in device units.
    void AddToPath(const Path& logicalPath);
    // Draws a logical path with the current pen and brush, or adds it to the path in progress.
    void Draw(const Path& logicalPath, bool fill, bool stroke);

    // The rectangle a shape is drawn in, after GDI's edge rules.
    RectD ShapeRect(const RectD& logical) const;
    // True when arcs run with decreasing logical angles.
    bool ArcReversed() const;
    enum class ArcKind
    {
        Arc,
        ArcTo,
        Chord,
        Pie,
    };
    void ArcFigure(const RectD& r, PointD start, PointD end, ArcKind kind);
    // Draws the path gathered by BeginPath/EndPath and discards it.
    void DrawGatheredPath(bool fill, bool stroke);

    ICanvas& m_canvas;
    Matrix m_referenceToDevice;
    double m_pixelsPerMmX = 96 / 25.4, m_pixelsPerMmY = 96 / 25.4;
    PlayBudget& m_budget;
    DcState m_state;
    std::vector<DcState> m_saved;
    bool m_inPath = false;
    Path m_path; // reference-device pixels
    bool m_pathClosedByEnd = false;
};

} // namespace metafile
