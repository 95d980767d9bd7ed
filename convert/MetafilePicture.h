// A Windows metafile (WMF, EMF, EMF+) opened as a picture: its bytes, the
// size and resolution its header gives, and drawing it as vectors at any
// size, so a larger output is as sharp as the picture itself.
#pragma once

#include "metafile/Metafile.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

enum class MetafileOpen
{
    Ok,
    NotMetafile, // the content is no metafile: another decoder may try
    Unusable,    // a metafile whose header cannot be used, or a file too large
};

class MetafilePicture
{
public:
    // Reads the file when its content is a metafile and checks its header.
    MetafileOpen Open(const QString& path);

    int Width() const { return m_info.width; }
    int Height() const { return m_info.height; }
    double DpiX() const { return m_info.dpiX; }
    double DpiY() const { return m_info.dpiY; }
    const metafile::MetafileInfo& Info() const { return m_info; }

    // The part source (in the picture's pixels) drawn into a new
    // width x height image, over background (transparent or white). Null
    // when the image would not fit the memory budget.
    QImage Render(int width, int height, const QRect& source, QColor background) const;

private:
    std::vector<std::uint8_t> m_bytes;
    metafile::MetafileInfo m_info;
};
