// Writes a picture as a Windows bitmap file in one of the direct (unpaletted)
// pixel layouts.
#pragma once

#include <QImage>

class QIODevice;

// The direct layouts, by bits per pixel and alpha handling.
//   Rgb565   16 bpp, BI_BITFIELDS with masks F800/07E0/001F
//   Rgb24    24 bpp, BI_RGB, bytes B,G,R
//   Rgb32    32 bpp, BI_RGB, bytes B,G,R,0
//   Argb32   32 bpp, BITMAPV4HEADER with an alpha mask, straight alpha
//   Pargb32  as Argb32 with the colours premultiplied by alpha
//   Argb64   64 bpp, BI_RGB, B,G,R,A as signed 16-bit s2.13 fixed point
//            (8192 = 1.0), colours in linear light, straight alpha
//   Pargb64  as Argb64 with the linear colours premultiplied by alpha
enum class BmpFormat
{
    Rgb565,
    Rgb24,
    Rgb32,
    Argb32,
    Pargb32,
    Argb64,
    Pargb64
};

// Writes the image to an open, writable device as a bottom-up BMP file of the
// given layout. The resolution fields get round(dpi / 0.0254) pixels per
// metre; a dpi that is zero, negative or not a number is stored as 0 ("not
// known"), and one too large for the field is clamped.
//
// Any QImage format is accepted; an image already in WorkingFormatFor(format)
// (or, for Rgb565, in Format_RGB32 or Format_RGBX64; for the 64-bit layouts
// in either 16-bit alpha form) is written straight from its rows without a
// full-size copy, others are converted a band of rows at a time, alpha
// premultiplied or divided out exactly. Rgb565 rounds each channel to the
// nearest level of the image's own value; Rgb24/Rgb32 drop alpha the way
// QImage::convertToFormat does.
//
// On a QFileDevice (QFile, QSaveFile) the device's buffer is flushed before
// returning so that a full disk is reported here. Returns false, writing
// nothing, for a null image, a device not open for writing, a format value
// outside the enum or an image whose file would exceed 4 GiB; returns false
// on a failed write too, and the device then holds a partial file.
//
// A rotate-flip code (see RotateFlipImage) writes the image as turned and
// mirrored by it, a band at a time, without a turned copy of the whole; the
// code must be 0 for images other than 16, 32 and 64 bits a pixel.
bool WriteBmp(const QImage& image, BmpFormat format, double dpiX, double dpiY, QIODevice& out,
              int rotateFlip = 0);

// The QImage format each layout is produced from most directly.
QImage::Format WorkingFormatFor(BmpFormat format);

// Pixels per metre for a resolution in dots per inch, as WriteBmp stores it.
qint32 BmpPixelsPerMetre(double dpi);
