// The canvas the program draws metafiles with: QPainter on a QImage.
#pragma once

#include "metafile/Canvas.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <memory>
#include <optional>
#include <vector>

namespace metafile {

class QtTextFont;
class QtTextFonts;

class QtCanvas : public ICanvas
{
public:
    // Draws into image, which must outlive the canvas.
    explicit QtCanvas(QImage& image);
    ~QtCanvas() override;

    void SetTransform(const Matrix& toDevice) override;
    Matrix Transform() const override { return m_transform; }
    void FillPath(const Path& path, const Brush& brush) override;
    void StrokePath(const Path& path, const Pen& pen) override;
    void DrawImage(const Image& image, const RectD& source, const RectD& destination,
                   const BlitOptions& options) override;
    void FillWithRop(const RectD& destination, const Brush& brush, std::uint32_t rop3) override;
    void DrawImageMasked(const Image& image, const RectD& source, const RectD& destination,
                         const Image& mask, PointD maskOrigin, std::uint32_t backgroundRop3,
                         const BlitOptions& options) override;
    double DrawText(const TextRun& run) override;
    void FontExtents(const FontSpec& font, double& ascent, double& descent) override;
    void SetClip(const Path& path, ClipCombine combine) override;
    void ResetClip() override;
    void SaveClip() override;
    void RestoreClip() override;
    void OffsetClip(PointD offset) override;
    void SetMetaClip() override;
    // QtCanvasPaths.cpp, QtCanvasDecode.cpp
    Path CombinePaths(const Path& a, const Path& b, ClipCombine combine) const override;
    bool DecodeImage(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                     Image& out) override;
    void SetRop2(int rop2) override;
    void SetAntialiasing(bool on) override;
    void SetSourceOver(bool on) override;
    std::vector<double> TextAdvances(const FontSpec& font, const std::u16string& text) override;
    void DrawLayoutText(const LayoutText& text) override;
    int DeviceWidth() const override { return m_image.width(); }
    int DeviceHeight() const override { return m_image.height(); }

    // Helpers the canvas's parts share.
    static QPainterPath ToQPath(const Path& path);
    static QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b, c.a); }
    static QTransform ToQTransform(const Matrix& m)
    {
        return QTransform(m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
    }
    static QImage ToQImage(const Image& image); // shares nothing: a deep copy
    QBrush ToQBrush(const Brush& brush) const;
    QPen ToQPen(const Pen& pen) const;
    // A path gradient as QPainter can show it: radial about the centre (QtCanvasGradients.cpp).
    static QBrush PathGradientBrush(const Brush& brush);

private:
    // A raster operation combined per pixel (QtCanvasImage.cpp).
    struct RopBlit;

    void ApplyClip();
    // A path (current coordinates) cut to the neighbourhood of the output
    // when it reaches far outside it (QtPathClip.h).
    QPainterPath FillableNearOutput(const QPainterPath& path) const;
    void StrokeNearOutput(const QPainterPath& path, const QPen& pen);
    // Paints with the binary raster operation in force; paint gets the colour to use.
    template <typename Paint> void WithRop2(Color color, Paint paint);

    // Fonts resolved for text, kept while the canvas lives (QtTextFont.h).
    QtTextFont& TextFont(const FontSpec& font);

    QImage& m_image;
    QPainter m_painter;
    Matrix m_transform;
    // The clip meets the meta clip, if there is one; both in device pixels,
    // none for no clip.
    std::optional<QPainterPath> EffectiveClip() const;

    std::optional<QPainterPath> m_clip;
    std::optional<QPainterPath> m_metaClip;
    struct SavedClip
    {
        std::optional<QPainterPath> clip, meta;
    };
    std::vector<SavedClip> m_savedClips;
    // Edge crossings the boolean path operations have been given, and edge
    // pairs looked at to count them (QtCanvasPaths.cpp).
    mutable std::size_t m_combineCrossings = 0;
    mutable std::uint64_t m_combinePairs = 0;
    int m_rop2 = 13;
    bool m_sourceOver = true;
    std::shared_ptr<QtTextFonts> m_textFonts;
};

} // namespace metafile
