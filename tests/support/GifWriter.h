// Writes animated GIF files for tests and benches (Qt reads GIF but does not
// write it). Each frame is a rectangle of palette indices with its own
// 256-colour table, placed on the canvas with a disposal method.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>

struct GifFrame
{
    QImage pixels;             // Format_Indexed8 with its colour table
    QPoint at;                 // where it lies on the canvas
    int disposal = 1;          // 0 unspecified, 1 keep, 2 background, 3 previous
    int transparentIndex = -1; // -1: none
    int delayHundredths = 4;
};

QByteArray EncodeGif(QSize canvas, const QList<GifFrame>& frames);

// LZW-compressed GIF image data (minimum code size 8), without the
// sub-block framing.
QByteArray GifLzw(const uchar* indices, qsizetype count);
