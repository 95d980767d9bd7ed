// High-quality scaling: a separable bicubic filter (a = -0.5) whose support
// widens with the reduction factor, so large reductions average every source
// pixel instead of skipping them, and enlargements stay sharp without ringing
// beyond the usual bicubic overshoot.
#pragma once

#include <QImage>

// Scales an image to width × height. 8-bit images are scaled as
// Format_ARGB32_Premultiplied (or Format_RGB32 when opaque), 16-bit ones as
// Format_RGBA64_Premultiplied; the result has that format. A null image comes
// back when the result cannot be allocated. Uses up to `threads` threads.
QImage ResampleBicubic(const QImage& source, int width, int height, int threads = 0);
