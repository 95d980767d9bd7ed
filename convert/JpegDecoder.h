// Fast JPEG decoding straight into a QImage with libjpeg-turbo, with the
// EXIF orientation applied and the resolution read from JFIF or EXIF.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

struct JpegDecodeResult
{
    enum class Status
    {
        Ok,
        NotJpeg,
        Broken,
        TooLarge
    } status = Status::NotJpeg;
    // Format_RGB32 for colour (CMYK/YCCK converted to RGB) or
    // Format_Grayscale8 for grey JPEGs; null unless status is Ok.
    QImage image;
    // 1..8 as read from the EXIF APP1 segment; already applied to `image`.
    int exifOrientation = 1;
    // Dots per inch from the JFIF density or EXIF X/YResolution; 0 when unknown.
    double dpiX = 0, dpiY = 0;
};

// Decodes a JPEG file. A file that cannot be read or does not start like a
// JPEG is NotJpeg. maxBytes: refuse (TooLarge) before allocating when the
// output's width*height*4 exceeds it; libjpeg's own working memory is held
// to the same amount. scaleDenominator: 1 (full size), 2, 4 or 8, scaled in
// the DCT domain; any other value means 1. A truncated file decodes Ok with
// the missing rows grey, as other decoders show it.
JpegDecodeResult DecodeJpegFile(const QString& path, std::uint64_t maxBytes,
                                int scaleDenominator = 1);

// True when the file starts with FF D8 FF.
bool LooksLikeJpeg(const QString& path);
