#include "convert/PixelConversion.h"

#include <QPixelFormat>
#include <QRgba64>

#include <algorithm>
#include <cstdint>

namespace {

// Rows handed to Qt at a time, so that a conversion needs one full-size
// image (the result) and not two.
constexpr int kBandRows = 64;

bool IsPremultiplied(QImage::Format format)
{
    return QImage::toPixelFormat(format).premultiplied() == QPixelFormat::Premultiplied;
}

bool KeepsAlpha(QImage::Format format)
{
    const QPixelFormat pixel = QImage::toPixelFormat(format);
    return pixel.alphaSize() > 0 && pixel.alphaUsage() == QPixelFormat::UsesAlpha;
}

// ---- One rounding per channel, to nearest (no ties can occur: every
// divisor is odd or the dividend is exact).

// c · a / 65535 for 16-bit c and a.
inline std::uint16_t Times16(std::uint32_t c, std::uint32_t a)
{
    return std::uint16_t((c * a + 32767u) / 65535u);
}

// c · a / 65535 in 8 bits, that is / (65535 · 257).
inline std::uint32_t Times8(std::uint32_t c, std::uint32_t a)
{
    return std::uint32_t((std::uint64_t(c) * a + 8421247u) / 16842495u);
}

inline std::uint32_t Narrow8(std::uint32_t v)
{
    return (v + 128u) / 257u;
}

// p · 65535 / a, at most 65535; a > 0.
inline std::uint16_t Divide16(std::uint32_t p, std::uint32_t a)
{
    return std::uint16_t(std::min<std::uint64_t>(65535, (std::uint64_t(p) * 65535 + a / 2) / a));
}

// p · 255 / a, at most 255; a > 0.
inline std::uint32_t Divide8(std::uint32_t p, std::uint32_t a)
{
    return std::uint32_t(std::min<std::uint64_t>(255, (std::uint64_t(p) * 255 + a / 2) / a));
}

void PremultiplyRow(const QRgba64* in, int width, QImage::Format to, uchar* out)
{
    if (to == QImage::Format_ARGB32_Premultiplied) {
        auto* dst = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width; ++x) {
            const QRgba64 p = in[x];
            const std::uint32_t a = p.alpha();
            dst[x] = qRgba(int(Times8(p.red(), a)), int(Times8(p.green(), a)),
                           int(Times8(p.blue(), a)), int(Narrow8(a)));
        }
        return;
    }
    auto* dst = reinterpret_cast<QRgba64*>(out); // Format_RGBA64_Premultiplied
    for (int x = 0; x < width; ++x) {
        const QRgba64 p = in[x];
        const std::uint32_t a = p.alpha();
        dst[x] = QRgba64::fromRgba64(Times16(p.red(), a), Times16(p.green(), a),
                                     Times16(p.blue(), a), std::uint16_t(a));
    }
}

void UnpremultiplyRow(const QRgba64* in, int width, QImage::Format to, uchar* out)
{
    if (to == QImage::Format_ARGB32) {
        auto* dst = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width; ++x) {
            const QRgba64 p = in[x];
            const std::uint32_t a = p.alpha();
            dst[x] = a == 0 ? 0u
                            : qRgba(int(Divide8(p.red(), a)), int(Divide8(p.green(), a)),
                                    int(Divide8(p.blue(), a)), int(Narrow8(a)));
        }
        return;
    }
    auto* dst = reinterpret_cast<QRgba64*>(out); // Format_RGBA64
    for (int x = 0; x < width; ++x) {
        const QRgba64 p = in[x];
        const std::uint32_t a = p.alpha();
        dst[x] = a == 0 ? QRgba64::fromRgba64(0)
                        : QRgba64::fromRgba64(Divide16(p.red(), a), Divide16(p.green(), a),
                                              Divide16(p.blue(), a), std::uint16_t(a));
    }
}

// Rows [top, top + rows) of the image, read in place.
QImage Band(const QImage& image, int top, int rows)
{
    QImage band(image.constScanLine(top), image.width(), rows, image.bytesPerLine(),
                image.format());
    if (image.colorCount() > 0)
        band.setColorTable(image.colorTable());
    return band;
}

// Changes the alpha form: the image is read as 16-bit rows of the form it
// has (a widening Qt gets right) and each row is multiplied or divided here.
QImage ChangeAlphaForm(const QImage& image, QImage::Format to)
{
    const bool premultiply = IsPremultiplied(to);
    const QImage::Format wideFrom =
        premultiply ? QImage::Format_RGBA64 : QImage::Format_RGBA64_Premultiplied;
    // Written directly in the two 8-bit and the two 16-bit formats; others
    // are narrowed by Qt from the 16-bit result, keeping the alpha form.
    const bool direct = to == QImage::Format_ARGB32 || to == QImage::Format_ARGB32_Premultiplied ||
                        to == QImage::Format_RGBA64 || to == QImage::Format_RGBA64_Premultiplied;
    const QImage::Format made = direct        ? to
                                : premultiply ? QImage::Format_RGBA64_Premultiplied
                                              : QImage::Format_RGBA64;
    QImage out(image.size(), made);
    if (out.isNull())
        return QImage();
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    const int width = image.width();
    for (int top = 0; top < image.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, image.height() - top);
        QImage wide;
        if (image.format() == wideFrom) {
            wide = Band(image, top, rows);
        } else {
            wide = Band(image, top, rows).convertToFormat(wideFrom);
            if (wide.isNull())
                return QImage();
        }
        for (int i = 0; i < rows; ++i) {
            const auto* in = reinterpret_cast<const QRgba64*>(wide.constScanLine(i));
            uchar* dst = out.scanLine(top + i);
            if (premultiply)
                PremultiplyRow(in, width, made, dst);
            else
                UnpremultiplyRow(in, width, made, dst);
        }
    }
    return made == to ? out : out.convertToFormat(to);
}

} // namespace

bool HasWideChannels(QImage::Format format)
{
    switch (format) {
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return true;
    default:
        return false;
    }
}

QImage ConvertPixels(const QImage& image, QImage::Format to)
{
    if (image.isNull() || image.format() == to)
        return image;
    // Without alpha on both sides, or with the same alpha form, no colour is
    // multiplied or divided: Qt's conversion is right.
    if (!image.hasAlphaChannel() || !KeepsAlpha(to) ||
        IsPremultiplied(image.format()) == IsPremultiplied(to))
        return image.convertToFormat(to);
    return ChangeAlphaForm(image, to);
}

QImage OverBlack(const QImage& image, QImage::Format opaque)
{
    if (image.isNull())
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(opaque);
    // Premultiplied colours are the colours over black: keep them and make
    // every pixel opaque.
    const bool wide = HasWideChannels(opaque);
    QImage pixels = ConvertPixels(image, wide ? QImage::Format_RGBA64_Premultiplied
                                              : QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull())
        return QImage();
    pixels.reinterpretAsFormat(wide ? QImage::Format_RGBX64 : QImage::Format_RGB32);
    const int width = pixels.width(), height = pixels.height();
    for (int y = 0; y < height; ++y) {
        if (wide) {
            auto* row = reinterpret_cast<QRgba64*>(pixels.scanLine(y));
            for (int x = 0; x < width; ++x)
                row[x].setAlpha(65535);
        } else {
            auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = 0; x < width; ++x)
                row[x] |= 0xFF000000u;
        }
    }
    return pixels.format() == opaque ? pixels : pixels.convertToFormat(opaque);
}
