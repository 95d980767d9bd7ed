// Decoding pictures and their frames: animations (time), multi-page files
// (page) and icons with several sizes (resolution). Sizes are checked
// against the memory budget before anything large is allocated.
#pragma once

#include "convert/FrameCache.h"

#include <QImage>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>

class QImageReader;

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
    PhotoDecoder();
    ~PhotoDecoder();
    PhotoDecoder(const PhotoDecoder&) = delete;
    PhotoDecoder& operator=(const PhotoDecoder&) = delete;

    // Reads what the file holds and decodes frame 0. The decoder is chosen
    // from the file's content; its name counts only for camera RAW files
    // and for kinds that have no signature to tell them by.
    DecodeResult Open(const QString& path);
    // Decodes another frame of the same dimension.
    DecodeResult SelectFrame(int index);

    const PhotoInfo& Info() const { return m_info; }
    const QImage& Frame() const { return m_frame; }
    int ActiveFrame() const { return m_activeFrame; }

    // Frames read from the file since Open: what choosing frames has cost.
    int FramesDecoded() const { return m_framesDecoded; }
    // The bytes of decoded frames kept for choosing them again
    // (FrameCacheBudget() unless set).
    void SetFrameCacheLimit(std::uint64_t bytes) { m_cache.SetLimit(bytes); }
    const FrameCache& Cache() const { return m_cache; }

private:
    DecodeResult DecodeFrame(int index);
    std::unique_ptr<QImageReader> NewReader() const;
    DecodeResult Read(QImageReader& reader, int index, QImage* frame, bool keep);
    void Show(int index, const QImage& frame);

    QString m_path;
    PhotoInfo m_info;
    QImage m_frame;
    int m_activeFrame = -1;
    bool m_isRaw = false;
    bool m_isBmp = false;    // decoded by the program's own bitmap reader
    bool m_byContent = true; // false: the reader was chosen by the file's name
    // Formats that give frames only in order (GIF) read from one reader
    // kept between choices, so a step forward costs one frame; frames
    // already read are kept within a bound, so steps back mostly cost none.
    std::unique_ptr<QImageReader> m_reader;
    int m_readerNext = 0; // the frame m_reader gives next
    bool m_inOrderOnly = false;
    FrameCache m_cache;
    int m_framesDecoded = 0;
};

// True for file names that camera RAW decoding handles.
bool IsCameraRawFileName(const QString& path);
