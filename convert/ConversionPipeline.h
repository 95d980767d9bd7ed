// The conversion of the opened photo's active frame into a .bmp file:
// scale, letter, rotate and flip, encode; the indexed formats through the
// indexed stage. The window and the command-line converter both run it and
// differ only in how they show what it reports.
#pragma once

#include "convert/Dither.h"
#include "convert/Imaging.h"
#include "language/LogFont.h"

#include <QString>

class IConversionHost;

struct ConversionRequest
{
    QString outputWidthText;  // as typed
    QString outputHeightText; // as typed
    QString text;             // one line to draw, or empty
    QString textXText;        // as typed
    QString textYText;        // as typed
    LogFont font;
    std::uint32_t textColor = 0; // 0x00BBGGRR
    int rotateAngle = 0;         // clockwise degrees
    int flipType = 0;            // 0 none, 1 horizontal, 2 vertical
    int pixelFormat = PixelFormat24bppRGB;
    int indexedFormat = 0; // the indexed pixel format, or 0
    // For the 1-, 4-, 8- and 16-bit formats; ignored for the others.
    DitherMethod dither = DitherMethod::None;
    QString outputPath;
};

struct ConversionOutcome
{
    bool succeeded = false;
    bool ran = false; // false when the command stopped before converting
    int outputWidth = 0;
    int outputHeight = 0;
};

// Converts the photo's active frame. An existing output file is replaced
// only when replaceExisting is set, and only once the new file is complete.
ConversionOutcome ConvertPhoto(IImaging& imaging, GpImage* photo, const ConversionRequest& request,
                               IConversionHost& host, bool replaceExisting);

// The Convert command: a photo must be open, an existing output file is
// replaced only after the host agrees, and the conversion runs under the
// wait cursor.
ConversionOutcome RunConvertCommand(IImaging& imaging, const QString& photoPath, GpImage* photo,
                                    const ConversionRequest& request, IConversionHost& host);

// The index and class identifier of the first encoder with the MIME type, or
// -1 when there is none.
int FindEncoderByMimeType(IImaging& imaging, const QString& mimeType, QUuid* clsid);
