// High-quality scaling: a separable bicubic filter (a = -0.5) whose support
// widens with the reduction factor, so large reductions average every source
// pixel instead of skipping them, and enlargements stay sharp without ringing
// beyond the usual bicubic overshoot.
#pragma once

#include <QImage>

// Scales an image to width × height. Opaque 8-bit images are scaled as
// Format_RGB32; images with alpha or wider channels as
// Format_RGBA64_Premultiplied, premultiplied exactly; the result has that
// format. An image already of that size comes back as it is, in its own
// format. A null image comes back when the result cannot be allocated. Uses
// up to `threads` threads.
QImage ResampleBicubic(const QImage& source, int width, int height, int threads = 0);
