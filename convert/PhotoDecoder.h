// Decoding pictures and their frames: animations (time), multi-page files
// (page) and icons with several sizes (resolution). Sizes are checked
// against the memory budget before anything large is allocated.
#pragma once

#include <QImage>
#include <QString>
#include <QUuid>

#include <cstdint>

struct PhotoInfo
{
    QUuid dimension;    // the frame dimension the picture has
    int frameCount = 0; // frames in that dimension
    QByteArray format;  // the decoder's name for it ("jpeg", "gif", "raw", ...)
};

enum class DecodeResult
{
    Ok,
    NotFound,
    Unreadable,
    TooLarge
};

class PhotoDecoder
{
public:
    // Reads what the file holds and decodes frame 0.
    DecodeResult Open(const QString& path);
    // Decodes another frame of the same dimension.
    DecodeResult SelectFrame(int index);

    const PhotoInfo& Info() const { return m_info; }
    const QImage& Frame() const { return m_frame; }
    int ActiveFrame() const { return m_activeFrame; }

private:
    DecodeResult DecodeFrame(int index);

    QString m_path;
    PhotoInfo m_info;
    QImage m_frame;
    int m_activeFrame = -1;
    bool m_isRaw = false;
};

// True for file names that camera RAW decoding handles.
bool IsCameraRawFileName(const QString& path);
