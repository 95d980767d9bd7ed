// Camera RAW pictures, developed with LibRaw at the camera's white balance.
#pragma once

#include <QImage>
#include <QString>

struct RawDecodeResult
{
    QImage image;          // null when the file could not be developed
    bool tooLarge = false; // the sensor is larger than the memory budget allows
};

// True when LibRaw recognises the file (whatever its name).
bool IsCameraRawFile(const QString& path);
RawDecodeResult DecodeCameraRaw(const QString& path);
