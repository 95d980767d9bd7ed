// Bitmap files opened as photos through the program's own DIB decoder
// (dib/BmpDecode.h), for every layout there is; PNG and JPEG data embedded
// in one is decoded by Qt from memory.
#pragma once

#include "convert/PhotoDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// True when the file begins with the bitmap signature "BM".
bool HasBmpSignature(const QString& path);

// Decodes a whole bitmap file; the image keeps the file's resolution.
DecodeResult DecodeBmpBytes(const QByteArray& bytes, QImage* image);
// Reads the file (refusing one larger than the picture memory budget) and
// decodes it.
DecodeResult DecodeBmpFile(const QString& path, QImage* image);
