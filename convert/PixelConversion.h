// Pixel-format conversions that get alpha right. Qt 6.4's own are not all
// exact: from Format_RGBA64 to Format_RGBA64_Premultiplied it multiplies alpha
// by itself, and its 8-bit premultiplying is approximate. Here premultiplying
// and unpremultiplying are done in our own code, each channel rounded once to
// the nearest value; conversions that keep the alpha form are left to Qt,
// whose widening and narrowing round to nearest.
#pragma once

#include <QImage>

// The image in another format. A null image comes back when the result
// cannot be allocated.
QImage ConvertPixels(const QImage& image, QImage::Format to);

// The colours as drawn over black, that is premultiplied with the alpha then
// dropped, in an opaque format (Format_RGB32 or Format_RGBX64 most directly).
QImage OverBlack(const QImage& image, QImage::Format opaque);

// True for the formats that hold more than 8 bits per channel.
bool HasWideChannels(QImage::Format format);
