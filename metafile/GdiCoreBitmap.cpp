// Bitmap transfers and raster operations of the device context: the
// destination in logical units, the canvas combining by the ROP code.
#include "metafile/GdiCore.h"

namespace metafile {

namespace {

constexpr int HALFTONE = 4;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

std::uint8_t Code(std::uint32_t rop3)
{
    return std::uint8_t((rop3 >> 16) & 0xFF);
}
bool UsesSource(std::uint32_t rop3)
{
    return ((Code(rop3) >> 2) & 0x33) != (Code(rop3) & 0x33);
}
bool UsesPattern(std::uint32_t rop3)
{
    return ((Code(rop3) >> 4) & 0x0F) != (Code(rop3) & 0x0F);
}
bool Empty(const RectD& r)
{
    return !(r.Width() != 0 && r.Height() != 0);
}

} // namespace

void GdiCore::StretchBlt(const RectD& destination, const Image* image, const RectD& source,
                         std::uint32_t rop3, bool monochrome)
{
    if (!image || image->IsEmpty() || !UsesSource(rop3)) {
        PatBlt(destination, rop3);
        return;
    }
    if (Empty(destination) || Empty(source))
        return;
    BlitOptions options;
    options.rop3 = rop3;
    options.smooth = m_state.stretchBltMode == HALFTONE;
    if (UsesPattern(rop3)) {
        options.pattern = CurrentBrush();
        if (options.pattern.kind == BrushKind::Null)
            return;
    }
    options.textColor = m_state.textColor;
    options.backgroundColor = m_state.bkColor;
    options.monochrome = monochrome;
    ApplyLogicalTransform();
    m_canvas.DrawImage(*image, source, destination, options);
}

void GdiCore::PatBlt(const RectD& destination, std::uint32_t rop3)
{
    if (Empty(destination))
        return;
    const Brush brush = CurrentBrush();
    // A null brush paints nothing where the operation needs its pattern.
    if (UsesPattern(rop3) && brush.kind == BrushKind::Null)
        return;
    ApplyLogicalTransform();
    m_canvas.FillWithRop(destination, brush, rop3);
}

void GdiCore::AlphaBlend(const RectD& destination, const Image& image, const RectD& source,
                         double constantAlpha, bool perPixelAlpha)
{
    if (image.IsEmpty() || Empty(destination) || Empty(source))
        return;
    BlitOptions options;
    options.rop3 = SRCCOPY;
    options.constantAlpha = constantAlpha;
    options.perPixelAlpha = perPixelAlpha;
    options.smooth = m_state.stretchBltMode == HALFTONE;
    ApplyLogicalTransform();
    m_canvas.DrawImage(image, source, destination, options);
}

void GdiCore::MaskBlt(const RectD& destination, const Image* image, const RectD& source,
                      const Image* mask, PointD maskOrigin, std::uint32_t rop4)
{
    // The low three bytes are the operation where the mask is 1, the high
    // byte the code where it is 0.
    const std::uint32_t foreground = rop4 & 0x00FFFFFF;
    const std::uint32_t background = (rop4 >> 8) & 0x00FF0000;
    if (!mask || mask->IsEmpty()) {
        StretchBlt(destination, image, source, foreground, false);
        return;
    }
    if (Empty(destination) || Empty(source))
        return;
    const bool needsSource = UsesSource(foreground) || UsesSource(background);
    if (needsSource && (!image || image->IsEmpty()))
        return;
    BlitOptions options;
    options.rop3 = foreground;
    if (UsesPattern(foreground) || UsesPattern(background))
        options.pattern = CurrentBrush();
    options.textColor = m_state.textColor;
    options.backgroundColor = m_state.bkColor;
    ApplyLogicalTransform();
    // Without a source the mask stands in for it: its pixels are never read as one.
    m_canvas.DrawImageMasked(needsSource ? *image : *mask, source, destination, *mask, maskOrigin,
                             background, options);
}

} // namespace metafile
