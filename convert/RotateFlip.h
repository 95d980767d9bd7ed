// Quarter-turn rotations with an optional left-right mirror, in one pass
// over the picture, tile by tile so both the rows read and the rows written
// stay in cache.
#pragma once

#include <QImage>

// Applies a rotate-flip code (0 to 7: rotate clockwise by (code & 3) quarter
// turns, then mirror left to right when code >= 4) to the image, keeping its
// format. False, with the image unchanged, when memory runs out.
bool RotateFlipImage(QImage& image, int code, int threads = 0);

// Rows [top, top + rows) of what RotateFlipImage would make of the image,
// into the first rows of band, which must have the turned width and the
// image's format. For 16-, 32- and 64-bit formats only; false otherwise or
// when the rows or the band do not fit.
bool RotateFlipRows(const QImage& image, int code, int top, int rows, QImage& band);
