// Dithering: reducing a picture to the colours a small output format can
// hold while keeping its tones, by spreading each pixel's rounding error
// onto its neighbours (Floyd-Steinberg) or by a fixed threshold pattern
// (ordered, 8 x 8 Bayer matrix).
//
// The pixels are replaced by the exact colours the output will hold, so
// that the later reduction (the capture of the indexed formats, the 5-6-5
// packing of the writer) keeps each pixel's choice as it is. The colours
// are those the reduction itself uses: black and white by brightness at
// 1 bit, the 16 VGA colours at 4 bits, the fixed 8-8-4 palette at 8 bits,
// 5-6-5 levels at 16 bits.
//
// The error is measured and spread on the stored (sRGB) values, and each
// pixel takes the palette colour nearest to its value plus the error it
// was given, so a region keeps the mean of its values: a 50% grey comes
// out half black and half white. Spreading the error in linear light would
// keep the light a screen gives off instead, but a region's stored values
// would then average darker (that grey about a fifth white), and most
// programs scale a picture down by averaging the stored values.
#pragma once

#include <QImage>
#include <QString>

#include <optional>

enum class DitherMethod
{
    None,
    FloydSteinberg, // serpentine: rows alternate direction
    Ordered
};

enum class DitherTarget
{
    BlackWhite, // 1 bit
    Vga16,      // 4 bits
    Fixed256,   // 8 bits
    Rgb565      // 16 bits
};

// The target for one of the imaging pixel-format codes, or none for the
// formats that need no dithering.
std::optional<DitherTarget> DitherTargetFor(int pixelFormat);

// "none", "floyd-steinberg" or "ordered".
std::optional<DitherMethod> DitherMethodFromName(const QString& name);

// Dithers an opaque Format_RGB32 image (or, for Rgb565, also Format_RGBX64)
// in place. False, with the image unchanged, for another format or when the
// working rows cannot be allocated.
bool DitherImage(QImage& image, DitherMethod method, DitherTarget target);
